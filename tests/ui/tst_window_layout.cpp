// The main window as it is shown: geometry after the layout pass, hints,
// style marks and what assistive technology is told.

#include "core/image/picture_model.h"
#include "core/table/ini_document.h"
#include "form_fixture.h"
#include "ui/picture_view.h"
#include "ui/string_grid_view.h"
#include "ui/table_splitter.h"
#include "ui/window_bars.h"

#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QToolButton>
#include <QToolTip>

using namespace runpad;
using namespace runpad::testing;

namespace {

// Shows the window, lets it take its restored placement once its frame is
// known, then gives it the outer size asked for and waits for the layout pass.
void showAt(TForm1& form, QSize outer = QSize()) {
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCoreApplication::processEvents();
    if (outer.isValid()) {
        form.resize(outer - (form.frameGeometry().size() - form.size()));
        QCoreApplication::processEvents();
    }
    if (outer.isValid())
        QCOMPARE(form.frameGeometry().width(), outer.width());
}

QList<QWidget*> shownToolbarItems(TForm1& form) {
    QList<QWidget*> items;
    for (QWidget* item : form.ToolBar1->items())
        if (!item->isHidden())
            items.append(item);
    return items;
}

} // namespace

class TestWindowLayout : public QObject {
    Q_OBJECT
    std::unique_ptr<FormFixture> fx;

private slots:
    void init() { fx = std::make_unique<FormFixture>(); }
    void cleanup() {
        QToolTip::hideText();
        fx.reset();
    }

    void gridGetsItsStoredWidth_data() {
        QTest::addColumn<QByteArray>("styles");
        QTest::addColumn<int>("windowWidth");
        QTest::addColumn<int>("grid"); // -1: all the splitter has beside its handle
        QTest::newRow("first start, design width") << QByteArray() << 800 << 736;
        QTest::newRow("narrower than the grid's minimum size")
            << QByteArray("table width=50\n") << 800 << 50;
        QTest::newRow("nothing left for the pane but a few pixels")
            << QByteArray("Form Width=1200\ntable width=1180\n") << 1200 << 1180;
        QTest::newRow("exactly what the window has beside the splitter")
            << QByteArray("Form Width=1200\ntable width=1191\n") << 1200 << -1;
        QTest::newRow("first start in an embedded style")
            << QByteArray("Style Name=Glow\n") << 800 << 736;
        QTest::newRow("zero width") << QByteArray("table width=0\n") << 800 << 0;
        QTest::newRow("wider than the window: what fits is shown and saved")
            << QByteArray("table width=1000\n") << 800 << -1;
    }
    void gridGetsItsStoredWidth() {
        QFETCH(QByteArray, styles);
        QFETCH(int, windowWidth);
        QFETCH(int, grid);
        if (!styles.isEmpty())
            QVERIFY(writeFile(fx->ini(), "[Styles]\n" + styles));
        auto form = fx->makeForm();
        showAt(*form);
        QCOMPARE(form->frameGeometry().width(), windowWidth);
        if (grid < 0)
            grid = form->Splitter2->width() - 9;

        QCOMPARE(form->StringGrid1->width(), grid);
        QCOMPARE(form->Splitter2->handle()->geometry().left(), grid);
        QCOMPARE(form->Splitter2->handle()->width(), 9);
        const int pane = form->Splitter2->width() - grid - 9;
        QCOMPARE(form->ScrollBox1->geometry(), QRect(grid + 9, 0, pane, form->Splitter2->height()));

        QVERIFY(form->close());
        const IniDocument saved = IniDocument::fromBytes(readFile(fx->ini()));
        QCOMPARE(saved.readInteger("Styles", "table width", -1), grid);
    }

    void gridComesBackWhenTheWindowWidensAgain() {
        auto form = fx->makeForm();
        showAt(*form, QSize(800, 750));
        form->resize(600, 750); // below the window's own limit, as a user could drag it
        QCoreApplication::processEvents();
        QCOMPARE(form->StringGrid1->width(), form->Splitter2->width() - 9);
        form->resize(900, 750);
        QCoreApplication::processEvents();
        QCOMPARE(form->StringGrid1->width(), 736);
    }

    void draggingTheSplitterSetsTheWidth() {
        auto form = fx->makeForm();
        showAt(*form, QSize(800, 750));
        QWidget* handle = form->Splitter2->handle();
        QTest::mousePress(handle, Qt::LeftButton, {}, QPoint(4, 100));
        QMouseEvent move(QEvent::MouseMove, QPointF(4 - 300, 100),
                         handle->mapToGlobal(QPointF(4 - 300, 100)), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(handle, &move);
        QTest::mouseRelease(handle, Qt::LeftButton, {}, QPoint(4 - 300, 100));
        QCOMPARE(form->StringGrid1->width(), 436);
        QVERIFY(form->close());
        const IniDocument saved = IniDocument::fromBytes(readFile(fx->ini()));
        QCOMPARE(saved.readInteger("Styles", "table width", -1), 436);
    }

    void everyToolbarItemShowsInFull_data() {
        QTest::addColumn<int>("windowWidth");
        QTest::newRow("design width") << 800;
        QTest::newRow("wide window") << 1600;
    }
    void everyToolbarItemShowsInFull() {
        QFETCH(int, windowWidth);
        auto form = fx->makeForm();
        // The longest texts the gamepad poll writes.
        form->LabelXAxis->setText("X Axis: -32768");
        form->LabelYAxis->setText("Y Axis: -32768");
        form->LabelButton->setText("Button 1 is not pressed");
        showAt(*form, QSize(windowWidth, 750));

        const QRect bar = form->ToolBar1->rect();
        QCOMPARE(bar.width(), form->width());
        QCOMPARE(bar.height() % 42, 0);
        QRegion taken;
        for (QWidget* item : shownToolbarItems(*form)) {
            QVERIFY2(item->isVisible(), qPrintable(item->objectName()));
            QVERIFY2(bar.contains(item->geometry()), qPrintable(item->objectName()));
            QVERIFY2(!taken.intersects(item->geometry()), qPrintable(item->objectName()));
            taken += item->geometry();
        }
        for (QLabel* label : {form->LabelXAxis, form->LabelYAxis, form->LabelButton})
            QVERIFY2(label->contentsRect().width() >=
                         label->fontMetrics().horizontalAdvance(label->text()),
                     qPrintable(label->text()));
        // The grid starts right below the toolbar.
        QCOMPARE(form->ToolBar1->geometry().bottom() + 1, form->Panel1->geometry().top());
    }

    void toolbarGrowsASecondRowOnlyWhenNeeded() {
        auto form = fx->makeForm();
        form->LabelButton->setText("Button 1 is not pressed");
        showAt(*form, QSize(800, 750));
        QCOMPARE(form->ToolBar1->height(), 84);
        form->resize(1600, 750);
        QCoreApplication::processEvents();
        QCOMPARE(form->ToolBar1->height(), 42);
    }

    void statusPanelsSitEdgeToEdge_data() {
        QTest::addColumn<int>("windowWidth");
        QTest::newRow("design width") << 800;
        QTest::newRow("wide window") << 1300;
    }
    void statusPanelsSitEdgeToEdge() {
        QFETCH(int, windowWidth);
        auto form = fx->makeForm();
        showAt(*form, QSize(windowWidth, 750));
        const int widths[] = {50, 50, 240, 120, 240};
        int x = 0;
        for (int i = 0; i < 5; ++i) {
            QLabel* panel =
                form->StatusLine->findChild<QLabel*>(QStringLiteral("StatusPanel%1").arg(i));
            QCOMPARE(panel->geometry().left(), x);
            QCOMPARE(panel->width(), widths[i]);
            x += widths[i];
        }
        QLabel* last = form->StatusLine->findChild<QLabel*>("StatusPanel5");
        QCOMPARE(last->geometry().left(), 700);
        QCOMPARE(last->geometry().right(), form->StatusLine->width() - 1);
        QCOMPARE(form->StatusLine->height(), 35);
    }

    void buttonsShowOnlyTheirActionsHints_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("popup");
        for (const char* name :
             {"ToolButton5", "ToolButton6", "ToolButton7", "ToolButton8", "ToolButton9",
              "ToolButton10", "ToolButton11", "ToolButton12", "ToolButton13", "ToolButton14"})
            QTest::newRow(name) << name << QString();
        QTest::newRow("hidden button with a hint") << "ToolButton1"
                                                   << "Insert a Column";
    }
    void buttonsShowOnlyTheirActionsHints() {
        QFETCH(QString, button);
        QFETCH(QString, popup);
        auto form = fx->makeForm();
        showAt(*form, QSize(800, 750));
        auto* tool = form->findChild<QToolButton*>(button);
        QVERIFY(tool);
        tool->show(); // hidden ones too: their action decides, not their visibility
        QToolTip::hideText();
        QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), tool->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(tool, &help);
        QCOMPARE(QToolTip::isVisible() ? QToolTip::text() : QString(), popup);

        form->setApplicationHint("left over");
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), tool->mapToGlobal(QPointF(5, 5)));
        QApplication::sendEvent(tool, &enter);
        QCOMPARE(form->panelText(5), popup);
    }

    void onlyTheMarkedStyleShowsABox() {
        auto form = fx->makeForm();
        for (QAction* item : form->StyleMenu->actions())
            QVERIFY2(!item->isCheckable() && !item->isChecked(), qPrintable(item->text()));
        QAction* glow = form->StyleMenu->actions().value(3);
        form->StyleMenuItemClick(glow);
        for (QAction* item : form->StyleMenu->actions()) {
            const bool marked = item == glow;
            QCOMPARE(item->isCheckable(), marked);
            QCOMPARE(item->isChecked(), marked);
        }
    }

    void panelsTellTheirText() {
        QVERIFY(writeFile(fx->ini(), "[Table]\n2-0=command\n1-1=list\n2-1=ls\n"));
        auto form = fx->makeForm();
        showAt(*form, QSize(800, 750));
        form->ShowRowDetails(1);
        form->setApplicationHint("a hint");
        for (int i = 0; i < TForm1::kStatusPanels; ++i) {
            QLabel* panel =
                form->StatusLine->findChild<QLabel*>(QStringLiteral("StatusPanel%1").arg(i));
            QAccessibleInterface* a11y = QAccessible::queryAccessibleInterface(panel);
            QVERIFY(a11y);
            QCOMPARE(a11y->text(QAccessible::Name), form->panelText(i));
            QVERIFY(a11y->text(QAccessible::Description)
                        .startsWith(QStringLiteral("Status panel %1: ").arg(i)));
        }
        QCOMPARE(QAccessible::queryAccessibleInterface(
                     form->StatusLine->findChild<QLabel*>("StatusPanel2"))
                     ->text(QAccessible::Name),
                 QString("ls"));
    }

    void controlsKeepTheirNames_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("name");
        QTest::newRow("grid") << "StringGrid1"
                              << "Command table";
        // An editable box is known by its text on this platform.
        QTest::newRow("search box") << "ComboBox_search"
                                    << "Qucik Search";
        QTest::newRow("help button") << "ToolButton15"
                                     << "Help on Control Panel items";
        QTest::newRow("search button") << "ToolButton5"
                                       << "Action_search";
        QTest::newRow("picture pane") << "ScrollBox1"
                                      << "Preview pane";
        QTest::newRow("picture") << "Image1"
                                 << "Preview picture";
        QTest::newRow("gamepad label") << "LabelButton"
                                       << "LabelButton";
    }
    void controlsKeepTheirNames() {
        QFETCH(QString, control);
        QFETCH(QString, name);
        auto form = fx->makeForm();
        showAt(*form, QSize(800, 750));
        QWidget* widget =
            control == "ScrollBox1" ? form->ScrollBox1 : form->findChild<QWidget*>(control);
        QVERIFY(widget);
        QAccessibleInterface* a11y = QAccessible::queryAccessibleInterface(widget);
        QVERIFY(a11y);
        QCOMPARE(a11y->text(QAccessible::Name), name);
    }

    void everyCommandIsReachableByKeyboard() {
        auto form = fx->makeForm();
        showAt(*form, QSize(800, 750));
        QList<QAction*> inMenus;
        for (QAction* top : form->menuBar()->actions()) {
            QVERIFY2(top->text().contains(u'&'), qPrintable(top->text()));
            inMenus += top->menu()->actions();
        }
        for (QWidget* item : shownToolbarItems(*form)) {
            auto* button = qobject_cast<QToolButton*>(item);
            if (!button)
                continue;
            QAction* action = button->defaultAction();
            const bool byShortcut = action && !action->shortcut().isEmpty();
            const bool byMenu = action && inMenus.contains(action);
            const bool byTab = button->focusPolicy() & Qt::TabFocus;
            QVERIFY2(byShortcut || byMenu || byTab, qPrintable(button->objectName()));
        }
    }

    void tabReachesEveryToolbarButton() {
        auto form = fx->makeForm();
        showAt(*form);
        QApplication::setActiveWindow(form.get());
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        form->StringGrid1->setFocus();
        QSet<QWidget*> reached;
        for (int i = 0; i < 60; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            reached.insert(QApplication::focusWidget());
        }
        for (QWidget* item : shownToolbarItems(*form))
            if (qobject_cast<QToolButton*>(item))
                QVERIFY2(reached.contains(item), qPrintable(item->objectName()));
        QVERIFY(reached.contains(form->StringGrid1));
    }

    void wheelPointStartsBelowTheMenuBar() {
        auto form = fx->makeForm();
        showAt(*form, QSize(1400, 900));
        QImage picture(3000, 2000, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        PictureScrollBox& pane = *form->ScrollBox1;
        pane.assignPicture(picture, true);
        pane.model().setAutoSize(true);
        pane.model().setHorizontalPosition(1000);
        pane.model().setVerticalPosition(500);
        pane.syncFromModel();
        QList<QPoint> cursor;
        pane.onSetCursorPos = [&cursor](const QPoint& p) { cursor << p; };

        PictureModel expected = pane.model();
        const QPoint mouse = pane.mapToGlobal(QPoint(300, 200));
        // Client coordinates: the window's, less the menu bar above them.
        const QPoint client = form->mapFromGlobal(mouse) - QPoint(0, form->menuBar()->height());
        QPoint point(client.x() + 1000 - pane.x(), client.y() + 500);
        ZoomImageAt(expected, 1.2f, point);

        QVERIFY(pane.ScrollBox1MouseWheel(Qt::NoButton, 120, mouse));
        QCOMPARE(pane.model().horizontalPosition(), expected.horizontalPosition());
        QCOMPARE(pane.model().verticalPosition(), expected.verticalPosition());
        QCOMPARE(cursor.size(), 1);
    }
};

QTEST_MAIN(TestWindowLayout)
#include "tst_window_layout.moc"
