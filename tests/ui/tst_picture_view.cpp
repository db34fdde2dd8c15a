#include "ui/picture_view.h"

#include <QApplication>
#include <QFile>
#include <QMouseEvent>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QScrollBar>
#include <QWheelEvent>
#include <QtTest>

#include <memory>

using namespace runpad;

namespace {

constexpr QPoint kPanelOrigin(0, 40); // below a toolbar
constexpr QPoint kPaneOrigin(200, 0); // right of the table, inside the panel
constexpr QSize kPaneSize(1000, 700);

// A main window stand-in: the pane sits in a panel below a 40-pixel strip and right of a
// 200-pixel table, so both of its edges are off the window's origin.
struct Window {
    QWidget form;
    QWidget* panel = nullptr;
    PictureScrollBox* pane = nullptr;
    QList<QPoint> cursor;
    QStringList status;

    Window() {
        form.resize(1200, 800);
        panel = new QWidget(&form);
        panel->setGeometry(QRect(kPanelOrigin, QSize(1200, 760)));
        pane = new PictureScrollBox(panel);
        pane->setGeometry(QRect(kPaneOrigin, kPaneSize));
        pane->setClientArea(&form);
        pane->onSetCursorPos = [this](const QPoint& p) { cursor << p; };
        pane->onStatusText = [this](const QString& text) { status << text; };
        form.show();
    }

    PictureModel& model() { return pane->model(); }
    PictureImage* image() { return pane->image(); }
    QPoint positions() { return {model().horizontalPosition(), model().verticalPosition()}; }
    // Global position of a point given in the pane's own coordinates.
    QPoint global(QPoint inPane) { return pane->mapToGlobal(inPane); }

    // A converted picture shown at `shown`, scrolled to `positions`.
    void show(const QImage& bitmap, QSize shown, QPoint scroll = {}) {
        pane->assignPicture(bitmap, true);
        model().setAutoSize(false);
        model().setStretch(true);
        model().setWidth(shown.width());
        model().setHeight(shown.height());
        model().setHorizontalPosition(scroll.x());
        model().setVerticalPosition(scroll.y());
        pane->syncFromModel();
    }

    // Sends a wheel event at a point of the pane, as the window system would deliver it.
    bool wheel(QPoint inPane, int delta, Qt::MouseButtons buttons = Qt::NoButton,
               QWidget* target = nullptr) {
        QWidget* receiver = target ? target : pane->viewport();
        const QPoint global = pane->mapToGlobal(inPane);
        QWheelEvent event(receiver->mapFromGlobal(global), global, QPoint(), QPoint(0, delta),
                          buttons, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(receiver, &event);
        return event.isAccepted();
    }

    // A mouse event to Image1 at a screen position, in its coordinates at the time of sending.
    void mouse(QEvent::Type type, QPoint global, Qt::MouseButton button, Qt::MouseButtons buttons) {
        const QPointF local = image()->mapFromGlobal(global);
        QMouseEvent event(type, local, local, global, button, buttons, Qt::NoModifier);
        QApplication::sendEvent(image(), &event);
    }
};

QImage noise(QSize size, quint32 seed = 7) {
    QImage image(size, QImage::Format_RGB888);
    QRandomGenerator random(seed);
    QList<quint32> line((size.width() * 3 + 3) / 4);
    for (int y = 0; y < size.height(); ++y) {
        random.fillRange(line.data(), line.size());
        memcpy(image.scanLine(y), line.constData(), size_t(size.width()) * 3);
    }
    return image;
}

QImage solid(QSize size) {
    QImage image(size, QImage::Format_RGB888);
    image.fill(Qt::darkYellow);
    return image;
}

// Black and white stripes one pixel wide.
QImage stripes(QSize size) {
    QImage image(size, QImage::Format_RGB888);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, x % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    return image;
}

QImage grabPane(PictureScrollBox& pane) {
    return pane.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Kilobytes from /proc/self/status, or -1.
qint64 statusKb(const QByteArray& key) {
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(key + ':'))
            return line.mid(key.size() + 1).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// Starts a new peak-memory measurement; false where the kernel does not allow it.
bool resetPeakMemory() {
    QFile file(QStringLiteral("/proc/self/clear_refs"));
    return file.open(QIODevice::WriteOnly) && file.write("5") == 1;
}

} // namespace

class TestPictureView : public QObject {
    Q_OBJECT

private slots:
    void widgetsFollowTheModel_data();
    void widgetsFollowTheModel();
    void scrollBarMovesTheContent();
    void styledPaneKeepsViewportAndModelEqual();

    void wheelSteps_data();
    void wheelSteps();
    void wheelKeepsPictureUnderCursor();
    void wheelWithBothButtonsGivesNaturalSize();
    void wheelOverScrollBarZooms();
    void wheelOverBuiltInPictureEmptiesPane();

    void dragPans_data();
    void dragPans();
    void dragReenteringTakesNewOrigin();

    void mouseMoveShowsPosition_data();
    void mouseMoveShowsPosition();

    void formResizeFitsButPaneResizeDoesNot();
    void startupResetShowsNaturalSize();

    void magnifiedPixelsStaySharp();
    void reducedPictureIsSmoothed();
    void stripRepaintsMatchFullRepaint_data();
    void stripRepaintsMatchFullRepaint();
    void deepZoomPaintsFromThePictureItself();
    void deepZoomNeedsNoScaledCopy();
};

// ---- Geometry ----

void TestPictureView::widgetsFollowTheModel_data() {
    QTest::addColumn<QSize>("shown");
    QTest::addColumn<QPoint>("scroll");

    QTest::newRow("fits: no bars") << QSize(900, 600) << QPoint(0, 0);
    QTest::newRow("wider: horizontal bar") << QSize(3000, 500) << QPoint(1200, 0);
    QTest::newRow("both bars, scrolled") << QSize(3000, 2000) << QPoint(1500, 900);
    QTest::newRow("scrolled to the far ends") << QSize(3000, 2000) << QPoint(99999, 99999);
}

void TestPictureView::widgetsFollowTheModel() {
    QFETCH(QSize, shown);
    QFETCH(QPoint, scroll);
    Window w;
    w.show(solid(QSize(300, 200)), shown, scroll);

    const PictureModel& model = w.model();
    QCOMPARE(w.pane->viewport()->size(), QSize(model.clientWidth(), model.clientHeight()));
    QCOMPARE(w.pane->horizontalScrollBar()->isVisible(), model.horizontalBarVisible());
    QCOMPARE(w.pane->verticalScrollBar()->isVisible(), model.verticalBarVisible());
    QCOMPARE(w.pane->horizontalScrollBar()->maximum(), model.horizontalMaximum());
    QCOMPARE(w.pane->verticalScrollBar()->maximum(), model.verticalMaximum());
    QCOMPARE(w.pane->horizontalScrollBar()->value(), model.horizontalPosition());
    QCOMPARE(w.pane->verticalScrollBar()->value(), model.verticalPosition());
    QCOMPARE(w.image()->geometry(), QRect(-w.positions(), shown));
}

void TestPictureView::scrollBarMovesTheContent() {
    Window w;
    w.show(solid(QSize(300, 200)), QSize(3000, 2000));
    w.pane->horizontalScrollBar()->setValue(250);
    w.pane->verticalScrollBar()->setValue(120);
    QCOMPARE(w.positions(), QPoint(250, 120));
    QCOMPARE(w.image()->pos(), QPoint(-250, -120));
}

void TestPictureView::styledPaneKeepsViewportAndModelEqual() {
    // Visual styles may draw a border and bring bars of their own widths.
    qApp->setStyleSheet(QStringLiteral("QScrollArea { border: 3px solid black; }"
                                       "QScrollBar:vertical { width: 23px; }"
                                       "QScrollBar:horizontal { height: 11px; }"));
    const auto plain = qScopeGuard([] { qApp->setStyleSheet(QString()); });
    Window w;
    w.show(solid(QSize(300, 200)), QSize(3000, 2000), QPoint(99999, 99999));
    const PictureModel& model = w.model();
    QCOMPARE(model.borderWidth(), 3);
    QCOMPARE(w.pane->viewport()->size(), QSize(model.clientWidth(), model.clientHeight()));
    QCOMPARE(QSize(model.clientWidth(), model.clientHeight()), QSize(1000 - 6 - 23, 700 - 6 - 11));
    QCOMPARE(w.image()->geometry().bottomRight(),
             QPoint(model.clientWidth() - 1, model.clientHeight() - 1));
}

// ---- Wheel ----

void TestPictureView::wheelSteps_data() {
    QTest::addColumn<QSize>("bitmap");
    QTest::addColumn<int>("width");
    QTest::addColumn<QList<int>>("deltas");
    QTest::addColumn<int>("widthAfter");

    const QSize wide(2000, 1000);
    QTest::newRow("towards the user zooms out") << wide << 1000 << QList<int>{-120} << 800;
    QTest::newRow("away from the user zooms in") << wide << 1000 << QList<int>{120} << 1200;
    QTest::newRow("each small delta is a full step")
        << wide << 1000 << QList<int>{15, 15, 15} << 1728;
    QTest::newRow("a zero delta zooms nothing") << wide << 1000 << QList<int>{0} << 1000;
    QTest::newRow("narrower than 10 does not zoom out") << wide << 8 << QList<int>{-120, -120} << 8;
    QTest::newRow("narrower than 10 still zooms in") << wide << 8 << QList<int>{120} << 10;
    QTest::newRow("above scale 100 does not zoom in")
        << QSize(10, 10) << 1001 << QList<int>{120} << 1001;
    QTest::newRow("at scale 100 one more step in")
        << QSize(10, 10) << 1000 << QList<int>{120} << 1200;
}

void TestPictureView::wheelSteps() {
    QFETCH(QSize, bitmap);
    QFETCH(int, width);
    QFETCH(QList<int>, deltas);

    Window w;
    w.show(solid(bitmap), QSize(width, width * bitmap.height() / bitmap.width()));
    for (const int delta : deltas) {
        QVERIFY(w.wheel(QPoint(10, 10), delta));
    }
    QTEST(w.model().width(), "widthAfter");
    QCOMPARE(w.cursor.size(), deltas.size());
}

void TestPictureView::wheelKeepsPictureUnderCursor() {
    Window w;
    w.show(solid(QSize(2000, 1000)), QSize(4000, 2000), QPoint(1000, 500));
    const QPoint at(300, 200);
    QVERIFY(w.wheel(at, 120));

    // The wheel point is the form position (500, 240) plus the scroll positions, minus the
    // pane's left edge only: (1300, 740), the 40 of the strip above the panel included. It grows
    // by (260, 148).
    QCOMPARE(QSize(w.model().width(), w.model().height()), QSize(4800, 2400));
    QCOMPARE(w.positions(), QPoint(1000 + 260, 500 + 148));
    QCOMPARE(w.cursor, QList<QPoint>{w.global(at)});

    // At the end of the range the cursor goes to the zoomed point instead.
    w.show(solid(QSize(2000, 1000)), QSize(1000, 500));
    QVERIFY(w.wheel(at, 120));
    QCOMPARE(w.positions().y(), 0);
    const QPoint zoomed(qRound(300 * 1.2) - w.positions().x(), qRound(240 * 1.2) - 0);
    QCOMPARE(w.cursor.last(), w.form.mapToGlobal(zoomed) + QPoint(kPaneOrigin.x(), 0));
}

void TestPictureView::wheelWithBothButtonsGivesNaturalSize() {
    Window w;
    w.show(solid(QSize(1500, 900)), QSize(3000, 1800), QPoint(2000, 1100));
    const bool handled = w.wheel(QPoint(10, 10), 120, Qt::LeftButton | Qt::RightButton);
    QVERIFY(!handled);
    QCOMPARE(QSize(w.model().width(), w.model().height()), QSize(1500, 900));
    QVERIFY(w.cursor.isEmpty());
    // Not set by the handler, only kept inside the smaller range.
    QCOMPARE(w.positions(), QPoint(w.model().horizontalMaximum(), w.model().verticalMaximum()));
    QCOMPARE(w.image()->size(), QSize(1500, 900));
}

void TestPictureView::wheelOverScrollBarZooms() {
    Window w;
    w.show(solid(QSize(2000, 1000)), QSize(3000, 1500), QPoint(100, 100));
    QScrollBar* bar = w.pane->verticalScrollBar();
    QVERIFY(bar->isVisible());
    QVERIFY(w.wheel(bar->mapTo(w.pane, bar->rect().center()), -120, Qt::NoButton, bar));
    QCOMPARE(w.model().width(), 2400);
    QCOMPARE(bar->value(), w.model().verticalPosition());
}

void TestPictureView::wheelOverBuiltInPictureEmptiesPane() {
    Window w;
    w.pane->assignPicture(solid(QSize(1483, 792)), false);
    w.pane->resetPreview();
    QCOMPARE(w.image()->size(), QSize(1483, 792));
    QVERIFY(w.wheel(QPoint(10, 10), 120));
    QVERIFY(w.model().graphic().isNull());
    QCOMPARE(w.image()->size(), QSize(1483, 792));
    QCOMPARE(w.cursor.size(), 1);
}

// ---- Drag ----

void TestPictureView::dragPans_data() {
    QTest::addColumn<QList<QPoint>>("moves"); // successive mouse positions after the press
    QTest::addColumn<QPoint>("positions");

    QTest::newRow("no movement, no panning") << QList<QPoint>{} << QPoint(100, 100);
    QTest::newRow("one pixel pans one pixel") << QList<QPoint>{{-1, 0}} << QPoint(101, 100);
    QTest::newRow("50 left raises the horizontal position by 50")
        << QList<QPoint>{{-50, 0}} << QPoint(150, 100);
    QTest::newRow("the same place again scrolls by 0")
        << QList<QPoint>{{-50, 0}, {-50, 0}} << QPoint(150, 100);
    QTest::newRow("down and right lowers both")
        << QList<QPoint>{{30, 20}, {60, 45}} << QPoint(40, 55);
    // 450 and 250 are more than the ranges (about 515 - 100 and 215 - 100) allow.
    QTest::newRow("the range ends the panning")
        << QList<QPoint>{{-450, -250}, {-450, -250}} << QPoint(550, 350);
}

void TestPictureView::dragPans() {
    QFETCH(QList<QPoint>, moves);
    Window w;
    w.show(noise(QSize(300, 180)), QSize(1500, 900), QPoint(100, 100));
    const QPoint start = w.global(QPoint(500, 300));
    w.mouse(QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    for (const QPoint& move : moves)
        w.mouse(QEvent::MouseMove, start + move, Qt::NoButton, Qt::LeftButton);

    QFETCH(QPoint, positions);
    const QPoint expected(qMin(positions.x(), w.model().horizontalMaximum()),
                          qMin(positions.y(), w.model().verticalMaximum()));
    QCOMPARE(w.positions(), expected);
    QCOMPARE(w.image()->pos(), -expected);
    QVERIFY(w.status.isEmpty());

    w.mouse(QEvent::MouseButtonRelease, start + (moves.isEmpty() ? QPoint() : moves.last()),
            Qt::LeftButton, Qt::NoButton);
    QCOMPARE(w.positions(), expected);
}

void TestPictureView::dragReenteringTakesNewOrigin() {
    Window w;
    w.show(noise(QSize(300, 180)), QSize(3000, 1800), QPoint(1000, 500));
    const QPoint start = w.global(QPoint(500, 300));
    w.mouse(QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    w.mouse(QEvent::MouseMove, start + QPoint(-20, 0), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(w.positions(), QPoint(1020, 500));
    const QPoint origin = w.pane->DragOrigin;

    // Out past the pane's left edge: the picture hears a leave, then nothing.
    w.mouse(QEvent::MouseMove, w.global(QPoint(-30, 300)), Qt::NoButton, Qt::LeftButton);
    const QPoint afterLeave = w.positions();
    w.mouse(QEvent::MouseMove, w.global(QPoint(-90, 100)), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(w.positions(), afterLeave);
    QCOMPARE(w.pane->DragOrigin, origin);

    // Back in: a new enter takes the new origin and does not jump.
    const QPoint back = w.global(QPoint(100, 100));
    w.mouse(QEvent::MouseMove, back, Qt::NoButton, Qt::LeftButton);
    QCOMPARE(w.positions(), afterLeave);
    QCOMPARE(w.pane->DragOrigin, w.image()->mapFromGlobal(back));
    w.mouse(QEvent::MouseMove, back + QPoint(0, -10), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(w.positions(), afterLeave + QPoint(0, 10));
}

// ---- Mouse position ----

void TestPictureView::mouseMoveShowsPosition_data() {
    QTest::addColumn<QPoint>("position");
    QTest::addColumn<QString>("text");

    QTest::newRow("short x, long y") << QPoint(7, 123) << QStringLiteral("x:  7 y:123");
    QTest::newRow("long x, short y") << QPoint(1234, 5) << QStringLiteral("x:1234 y:  5");
    QTest::newRow("origin") << QPoint(0, 0) << QStringLiteral("x:  0 y:  0");
}

void TestPictureView::mouseMoveShowsPosition() {
    QFETCH(QPoint, position);
    Window w;
    w.show(solid(QSize(200, 100)), QSize(4000, 2000), QPoint(1000, 0));
    w.mouse(QEvent::MouseMove, w.image()->mapToGlobal(position), Qt::NoButton, Qt::NoButton);
    QTEST(w.status.value(0), "text");
    QCOMPARE(w.status.size(), 1);
    QCOMPARE(w.pane->LastMousePoint, position);
}

// ---- Fitting and startup ----

void TestPictureView::formResizeFitsButPaneResizeDoesNot() {
    Window w;
    w.show(solid(QSize(2000, 1000)), QSize(2000, 1000), QPoint(300, 100));
    w.pane->resize(800, 600); // the splitter moving
    QCOMPARE(w.model().width(), 2000);
    QCOMPARE(w.model().outerWidth(), 800);

    w.pane->FormResize();
    QCOMPARE(QSize(w.model().width(), w.model().height()), QSize(784, 392));
    QCOMPARE(w.positions(), QPoint(0, 0));
    QCOMPARE(w.image()->geometry(), QRect(0, 0, 784, 392));
}

void TestPictureView::startupResetShowsNaturalSize() {
    Window w;
    w.pane->assignPicture(solid(QSize(1483, 792)), false);
    w.pane->LastMousePoint = QPoint(5, 6);
    w.pane->resetPreview();
    QCOMPARE(w.pane->LastMousePoint, QPoint(0, 0));
    QCOMPARE(w.image()->geometry(), QRect(0, 0, 1483, 792));
    QVERIFY(!w.model().autoSize());
    QVERIFY(w.model().stretch());
    QVERIFY(!w.model().isBitmap()); // still the built-in picture
}

// ---- Painting ----

void TestPictureView::magnifiedPixelsStaySharp() {
    Window w;
    QImage picture(4, 2, QImage::Format_RGB888);
    const QRgb colours[] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 0)};
    for (int x = 0; x < 4; ++x) {
        picture.setPixel(x, 0, colours[x]);
        picture.setPixel(x, 1, colours[3 - x]);
    }
    w.show(picture, QSize(400, 200));
    const QImage shot = grabPane(*w.pane);
    for (int x = 0; x < 4; ++x) {
        // Every display pixel of a block, edges included, is the picture pixel itself.
        QCOMPARE(shot.pixel(x * 100, 0), colours[x]);
        QCOMPARE(shot.pixel(x * 100 + 99, 99), colours[x]);
        QCOMPARE(shot.pixel(x * 100 + 50, 150), colours[3 - x]);
    }
}

void TestPictureView::reducedPictureIsSmoothed() {
    Window w;
    // At half size every display pixel lies between a black and a white stripe: grey when
    // smoothed, black or white when sampled.
    w.show(stripes(QSize(400, 400)), QSize(200, 200));
    const QImage shot = grabPane(*w.pane);
    for (int y = 1; y < 199; y += 11) {
        for (int x = 1; x < 199; x += 3) {
            const int grey = qGray(shot.pixel(x, y));
            QVERIFY2(grey > 100 && grey < 155,
                     qPrintable(QStringLiteral("%1 at %2,%3").arg(grey).arg(x).arg(y)));
        }
    }
}

void TestPictureView::stripRepaintsMatchFullRepaint_data() {
    QTest::addColumn<QSize>("shown");
    QTest::newRow("magnified by 7.3") << QSize(2190, 1460);
    QTest::newRow("reduced to 0.37") << QSize(111, 74);
    QTest::newRow("reduced on one axis only") << QSize(2400, 74);
}

void TestPictureView::stripRepaintsMatchFullRepaint() {
    QFETCH(QSize, shown);
    Window w;
    w.show(noise(QSize(300, 200)), shown, QPoint(37, 23));
    const QImage full = grabPane(*w.pane);

    // Paint the same area as separate odd-sized strips, as scrolling exposes them.
    const QRect visible = QRect(QPoint(), w.pane->viewport()->size()) & w.image()->geometry();
    QImage strips(w.pane->viewport()->size(), QImage::Format_RGB32);
    strips.fill(Qt::magenta);
    for (int top = visible.top(); top <= visible.bottom(); top += 53) {
        for (int left = visible.left(); left <= visible.right(); left += 131) {
            const QRect strip = QRect(left, top, 131, 53) & visible;
            w.image()->render(&strips, strip.topLeft(),
                              QRegion(strip.translated(w.image()->pos() * -1)),
                              QWidget::DrawChildren);
        }
    }
    const QRect compared = visible.intersected(QRect(QPoint(), full.size()));
    QCOMPARE(strips.copy(compared), full.copy(compared));
}

void TestPictureView::deepZoomPaintsFromThePictureItself() {
    Window w;
    const QImage picture = noise(QSize(6000, 4000));
    // Zoom 50, scrolled deep into the picture: display pixel (x, y) shows picture pixel
    // (x / 50, y / 50).
    const QPoint scroll(150000, 100000);
    w.show(picture, QSize(300000, 200000), scroll);
    const QImage shot = grabPane(*w.pane);
    for (const QPoint at : {QPoint(0, 0), QPoint(25, 49), QPoint(500, 300), QPoint(975, 675)}) {
        const QPoint source((scroll.x() + at.x()) / 50, (scroll.y() + at.y()) / 50);
        QCOMPARE(shot.pixel(at), picture.pixel(source));
    }
}

void TestPictureView::deepZoomNeedsNoScaledCopy() {
    if (statusKb("VmHWM") < 0 || !resetPeakMemory())
        QSKIP("No peak-memory figures on this system");
    Window w;
    // 18 MB of picture; a scaled copy at zoom 4 would take at least 288 MB.
    w.show(noise(QSize(3000, 2000)), QSize(3000, 2000));
    grabPane(*w.pane); // caches and the backing store

    QVERIFY(resetPeakMemory());
    const qint64 before = statusKb("VmRSS");
    for (const QPoint scroll : {QPoint(0, 0), QPoint(5000, 3000), QPoint(11000, 7300)}) {
        w.show(w.model().graphic(), QSize(12000, 8000), scroll);
        grabPane(*w.pane);
    }
    const qint64 growth = statusKb("VmHWM") - before;
    QVERIFY2(growth < 40 * 1024, qPrintable(QStringLiteral("%1 kB").arg(growth)));
}

QTEST_MAIN(TestPictureView)
#include "tst_picture_view.moc"
