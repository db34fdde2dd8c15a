#include "core/common/app_error.h"
#include "core/image/picture_decoder.h"
#include "core/image/picture_memory.h"
#include "core/image/picture_model.h"

#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using runpad::AppError;
using runpad::PictureModel;

namespace {

constexpr float kIn = 1.2f;
constexpr float kOut = 0.8f;

QImage solid(QSize size, QImage::Format format = QImage::Format_RGB888) {
    QImage image(size, format);
    image.fill(Qt::darkCyan);
    return image;
}

// A converted picture of the given bitmap size, shown at width x height in a pane of the given
// outer size whose bars are `bar` pixels thick.
void setUp(PictureModel& model, QSize bitmap, QSize shown, QSize outer, int bar = 0) {
    model.setScrollBarExtents(bar, bar);
    model.setOuterSize(outer.width(), outer.height());
    model.assignPicture(solid(bitmap), true);
    model.setWidth(shown.width());
    model.setHeight(shown.height());
}

struct Snapshot {
    QSize size;
    bool autoSize;
    bool stretch;
    QPoint positions;
    QSize picture;
    bool operator==(const Snapshot&) const = default;
};

Snapshot snapshot(const PictureModel& model) {
    return {QSize(model.width(), model.height()), model.autoSize(), model.stretch(),
            QPoint(model.horizontalPosition(), model.verticalPosition()), model.naturalSize()};
}

char* describe(const Snapshot& s) {
    return qstrdup(QStringLiteral("size %1x%2 autoSize %3 stretch %4 positions (%5,%6) picture "
                                  "%7x%8")
                       .arg(s.size.width())
                       .arg(s.size.height())
                       .arg(s.autoSize)
                       .arg(s.stretch)
                       .arg(s.positions.x())
                       .arg(s.positions.y())
                       .arg(s.picture.width())
                       .arg(s.picture.height())
                       .toUtf8()
                       .constData());
}

} // namespace

namespace QTest {
template <> char* toString(const Snapshot& s) {
    return describe(s);
}
} // namespace QTest

Q_DECLARE_METATYPE(Snapshot)

class TestPictureModel : public QObject {
    Q_OBJECT

private slots:
    void scrollBox_data();
    void scrollBox();
    void contentShrinkPullsPositionsBack();

    void bitmapReadDiscardsOtherGraphics();
    void convertKeepsNonBitmapPixels();

    void fit_data();
    void fit();
    void fitEarlyReturns_data();
    void fitEarlyReturns();
    void fitOutsideScrollBoxFailsAfterSizing();

    void scale_data();
    void scale();
    void scaleLimits_data();
    void scaleLimits();
    void scaleOutsideScrollBoxFailsAfterSizing();
    void scaleWithoutPictureFails();

    void zoom_data();
    void zoom();
    void zoomLimits_data();
    void zoomLimits();
    void zoomOutSteps();
    void zoomWithoutBitmap_data();
    void zoomWithoutBitmap();

    void naturalSize_data();
    void naturalSize();

    void load_data();
    void load();
    void loadMissing_data();
    void loadMissing();
    void loadDecoderErrorLeavesAutoSizeOn();
    void loadByExtension_data();
    void loadByExtension();
    void loadWithoutMemoryForTheBitmap_data();
    void loadWithoutMemoryForTheBitmap();
    void loadRefusesWhatIsNoRegularFile_data();
    void loadRefusesWhatIsNoRegularFile();
};

// ---- The scroll box ----

void TestPictureModel::scrollBox_data() {
    QTest::addColumn<QSize>("content");
    QTest::addColumn<QSize>("outer");
    QTest::addColumn<int>("bar");
    QTest::addColumn<QPoint>("requested");
    QTest::addColumn<bool>("horizontalBar");
    QTest::addColumn<bool>("verticalBar");
    QTest::addColumn<QSize>("client");
    QTest::addColumn<QPoint>("positions");

    QTest::newRow("content that fits shows no bar and cannot scroll")
        << QSize(400, 300) << QSize(400, 300) << 17 << QPoint(50, 50) << false << false
        << QSize(400, 300) << QPoint(0, 0);
    QTest::newRow("wider content: horizontal bar only")
        << QSize(1000, 200) << QSize(400, 300) << 17 << QPoint(9999, 9999) << true << false
        << QSize(400, 283) << QPoint(600, 0);
    QTest::newRow("horizontal bar brings the vertical one")
        << QSize(1000, 290) << QSize(400, 300) << 17 << QPoint(9999, 9999) << true << true
        << QSize(383, 283) << QPoint(617, 7);
    QTest::newRow("vertical bar brings the horizontal one")
        << QSize(390, 1000) << QSize(400, 300) << 17 << QPoint(9999, 9999) << true << true
        << QSize(383, 283) << QPoint(7, 717);
    QTest::newRow("taller content just fitting beside its bar")
        << QSize(383, 1000) << QSize(400, 300) << 17 << QPoint(9999, 9999) << false << true
        << QSize(383, 300) << QPoint(0, 700);
    QTest::newRow("negative positions land on 0")
        << QSize(1000, 1000) << QSize(400, 300) << 0 << QPoint(-5, -1) << true << true
        << QSize(400, 300) << QPoint(0, 0);
    QTest::newRow("positions inside the range are kept")
        << QSize(1000, 1000) << QSize(400, 300) << 0 << QPoint(123, 456) << true << true
        << QSize(400, 300) << QPoint(123, 456);
}

void TestPictureModel::scrollBox() {
    QFETCH(QSize, content);
    QFETCH(QSize, outer);
    QFETCH(int, bar);
    QFETCH(QPoint, requested);

    PictureModel model;
    model.setScrollBarExtents(bar, bar);
    model.setOuterSize(outer.width(), outer.height());
    model.setWidth(content.width());
    model.setHeight(content.height());
    model.setHorizontalPosition(requested.x());
    model.setVerticalPosition(requested.y());

    QTEST(model.horizontalBarVisible(), "horizontalBar");
    QTEST(model.verticalBarVisible(), "verticalBar");
    QTEST(QSize(model.clientWidth(), model.clientHeight()), "client");
    QTEST(QPoint(model.horizontalPosition(), model.verticalPosition()), "positions");
}

void TestPictureModel::contentShrinkPullsPositionsBack() {
    PictureModel model;
    model.setOuterSize(400, 300);
    model.setWidth(1000);
    model.setHeight(1000);
    model.setHorizontalPosition(600);
    model.setVerticalPosition(700);
    model.setWidth(500);
    QCOMPARE(model.horizontalPosition(), 100);
    QCOMPARE(model.verticalPosition(), 700);
    model.setOuterSize(450, 900);
    QCOMPARE(model.horizontalPosition(), 50);
    QCOMPARE(model.verticalPosition(), 100);
}

// ---- The picture ----

void TestPictureModel::bitmapReadDiscardsOtherGraphics() {
    PictureModel model;
    model.setAutoSize(false);
    model.assignPicture(solid(QSize(1483, 792)), false);
    model.setWidth(1483);
    model.setHeight(792);
    QCOMPARE(model.naturalSize(), QSize(1483, 792)); // looking does not discard
    QVERIFY(model.bitmap().isNull());
    QVERIFY(model.isBitmap());
    QCOMPARE(model.naturalSize(), QSize(0, 0));
    QCOMPARE(QSize(model.width(), model.height()), QSize(1483, 792));

    model.assignPicture(solid(QSize(30, 20)), true);
    QCOMPARE(model.bitmap().size(), QSize(30, 20));
    QCOMPARE(model.bitmap().size(), QSize(30, 20));
}

void TestPictureModel::convertKeepsNonBitmapPixels() {
    PictureModel model;
    QImage picture(3, 2, QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    picture.setPixel(0, 0, qRgba(255, 0, 0, 255));
    model.assignPicture(picture, false);
    runpad::ConvertToBitmap(model);
    QVERIFY(model.isBitmap());
    const QImage& bitmap = model.bitmap();
    QCOMPARE(bitmap.size(), QSize(3, 2));
    QCOMPARE(bitmap.format(), QImage::Format_RGB888);
    QCOMPARE(bitmap.pixel(0, 0), qRgb(255, 0, 0));
    QCOMPARE(bitmap.pixel(2, 1), qRgb(255, 255, 255));
}

// ---- FitImageToParent ----

void TestPictureModel::fit_data() {
    QTest::addColumn<QSize>("bitmap");
    QTest::addColumn<QSize>("pane");
    QTest::addColumn<QSize>("fitted");

    QTest::newRow("wide picture: width limits")
        << QSize(2000, 1000) << QSize(1000, 800) << QSize(980, 490);
    QTest::newRow("equal ratios take the height branch")
        << QSize(1000, 1000) << QSize(1000, 1000) << QSize(980, 980);
    QTest::newRow("640x480 in 1134x874") << QSize(640, 480) << QSize(1134, 874) << QSize(1111, 833);
    QTest::newRow("tall picture: height limits")
        << QSize(1000, 2000) << QSize(1000, 800) << QSize(392, 784);
    // 489.51 must become 489, not 490.
    QTest::newRow("sizes are truncated, not rounded")
        << QSize(2000, 1000) << QSize(999, 800) << QSize(979, 489);
    QTest::newRow("small picture grows to the pane")
        << QSize(10, 5) << QSize(1000, 800) << QSize(980, 490);
}

void TestPictureModel::fit() {
    QFETCH(QSize, bitmap);
    QFETCH(QSize, pane);

    PictureModel model;
    setUp(model, bitmap, QSize(5000, 5000), pane, 17);
    model.setHorizontalPosition(300);
    model.setVerticalPosition(200);
    model.setAutoSize(false);
    model.setStretch(false);

    runpad::FitImageToParent(model);

    QTEST(QSize(model.width(), model.height()), "fitted");
    QVERIFY(!model.autoSize());
    QVERIFY(model.stretch());
    QCOMPARE(model.horizontalPosition(), 0);
    QCOMPARE(model.verticalPosition(), 0);
}

void TestPictureModel::fitEarlyReturns_data() {
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<bool>("isBitmap");
    QTest::addColumn<QSize>("pane");
    QTest::addColumn<QSize>("pictureAfter");

    QTest::newRow("empty picture") << QImage() << true << QSize(1000, 800) << QSize(0, 0);
    QTest::newRow("non-bitmap picture is discarded by the read")
        << solid(QSize(1483, 792)) << false << QSize(1000, 800) << QSize(0, 0);
    QTest::newRow("pane without width")
        << solid(QSize(200, 100)) << true << QSize(0, 800) << QSize(200, 100);
    QTest::newRow("pane without height")
        << solid(QSize(200, 100)) << true << QSize(1000, 0) << QSize(200, 100);
}

void TestPictureModel::fitEarlyReturns() {
    QFETCH(QImage, picture);
    QFETCH(bool, isBitmap);
    QFETCH(QSize, pane);

    PictureModel model;
    model.setOuterSize(pane.width(), pane.height());
    model.assignPicture(picture, isBitmap);
    model.setWidth(1483);
    model.setHeight(792);
    model.setHorizontalPosition(10);
    model.setVerticalPosition(20);
    model.setStretch(false);
    Snapshot before = snapshot(model);

    runpad::FitImageToParent(model);

    QFETCH(QSize, pictureAfter);
    before.picture = pictureAfter;
    QCOMPARE(snapshot(model), before);
}

void TestPictureModel::fitOutsideScrollBoxFailsAfterSizing() {
    PictureModel model;
    setUp(model, QSize(2000, 1000), QSize(3000, 3000), QSize(1000, 800));
    model.setParentIsScrollBox(false);
    try {
        runpad::FitImageToParent(model);
        QFAIL("no error");
    } catch (const AppError& error) {
        QCOMPARE(error.message(), QStringLiteral("Invalid class typecast"));
    }
    QCOMPARE(QSize(model.width(), model.height()), QSize(980, 490));
}

// ---- ScaleImage ----

void TestPictureModel::scale_data() {
    QTest::addColumn<QSize>("bitmap");
    QTest::addColumn<int>("width");
    QTest::addColumn<float>("factor");
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<QSize>("scaled");
    QTest::addColumn<QPoint>("pointAfter");
    QTest::addColumn<QPoint>("positions");

    // Pane 400 x 300 with 17-pixel bars: client 383 x 283 once both bars show.
    QTest::newRow("1.2 from half scale centres the point")
        << QSize(1000, 800) << 500 << kIn << QPoint(300, 200) << QSize(600, 480) << QPoint(360, 240)
        << QPoint(360 - 383 / 2, 240 - 283 / 2);
    QTest::newRow("0.8 from half scale") << QSize(1000, 800) << 500 << kOut << QPoint(300, 200)
                                         << QSize(400, 320) << QPoint(240, 160) << QPoint(17, 19);
    QTest::newRow("centring near the origin is held at 0")
        << QSize(1000, 800) << 500 << kIn << QPoint(10, 10) << QSize(600, 480) << QPoint(12, 12)
        << QPoint(0, 0);
    QTest::newRow("centring past the end is held at the largest position")
        << QSize(1000, 800) << 500 << kIn << QPoint(590, 470) << QSize(600, 480) << QPoint(708, 564)
        << QPoint(600 - 383, 480 - 283);
    // 1.4285714 x 1.2 = 1.7142857, kept as 1.714: 7000 x 1.714 = 11998 (a plain 1.2 step gives
    // 12000).
    QTest::newRow("new scale is kept in thousandths")
        << QSize(7000, 1000) << 10000 << kIn << QPoint(0, 0) << QSize(11998, 1714) << QPoint(0, 0)
        << QPoint(0, 0);
    QTest::newRow("a new scale of exactly 100 is allowed")
        << QSize(3, 2) << 250 << kIn << QPoint(0, 0) << QSize(300, 200) << QPoint(0, 0)
        << QPoint(0, 0);
    QTest::newRow("width 10 may still shrink") << QSize(100, 100) << 10 << kOut << QPoint(5, 5)
                                               << QSize(8, 8) << QPoint(4, 4) << QPoint(0, 0);
}

void TestPictureModel::scale() {
    QFETCH(QSize, bitmap);
    QFETCH(int, width);
    QFETCH(float, factor);
    QFETCH(QPoint, point);

    PictureModel model;
    setUp(model, bitmap, QSize(width, 1), QSize(400, 300), 17);
    model.setAutoSize(false);

    runpad::ScaleImage(model, factor, point);

    QTEST(QSize(model.width(), model.height()), "scaled");
    QTEST(point, "pointAfter");
    QTEST(QPoint(model.horizontalPosition(), model.verticalPosition()), "positions");
    QVERIFY(model.stretch());
}

void TestPictureModel::scaleLimits_data() {
    QTest::addColumn<QSize>("bitmap");
    QTest::addColumn<int>("width");
    QTest::addColumn<float>("factor");

    QTest::newRow("no shrinking below width 10") << QSize(100, 100) << 9 << kOut;
    QTest::newRow("no growing to a scale above 100") << QSize(10, 10) << 900 << kIn;
    // 83.4 x 1.2 = 100.08: the limit looks at the new scale, not the current one.
    QTest::newRow("no growing from 83.4") << QSize(10, 10) << 834 << kIn;
}

void TestPictureModel::scaleLimits() {
    QFETCH(QSize, bitmap);
    QFETCH(int, width);
    QFETCH(float, factor);

    PictureModel model;
    setUp(model, bitmap, QSize(width, 77), QSize(400, 300));
    model.setHorizontalPosition(5);
    model.setAutoSize(false);
    QPoint point(3, 4);
    Snapshot expected = snapshot(model);
    expected.stretch = true;

    runpad::ScaleImage(model, factor, point);

    QCOMPARE(snapshot(model), expected);
    QCOMPARE(point, QPoint(3, 4));
}

void TestPictureModel::scaleOutsideScrollBoxFailsAfterSizing() {
    PictureModel model;
    setUp(model, QSize(1000, 800), QSize(500, 400), QSize(400, 300));
    model.setParentIsScrollBox(false);
    QPoint point(300, 200);
    QVERIFY_THROWS_EXCEPTION(AppError, runpad::ScaleImage(model, kIn, point));
    QCOMPARE(QSize(model.width(), model.height()), QSize(600, 480));
    QCOMPARE(model.horizontalPosition(), 0);
}

void TestPictureModel::scaleWithoutPictureFails() {
    PictureModel model;
    model.setOuterSize(400, 300);
    model.setWidth(50);
    QPoint point;
    QVERIFY_THROWS_EXCEPTION(AppError, runpad::ScaleImage(model, kIn, point));
}

// ---- ZoomImageAt ----

void TestPictureModel::zoom_data() {
    QTest::addColumn<QSize>("bitmap");
    QTest::addColumn<int>("width");
    QTest::addColumn<QPoint>("positionsBefore");
    QTest::addColumn<float>("factor");
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<QSize>("zoomed");
    QTest::addColumn<QPoint>("positions");
    QTest::addColumn<QPoint>("pointAfter");

    // Pane 400 x 300 without bar thickness, so the ranges are content minus pane.
    QTest::newRow("1.2 scrolls by the growth of the point")
        << QSize(2000, 1000) << 1000 << QPoint(100, 100) << kIn << QPoint(100, 50)
        << QSize(1200, 600) << QPoint(120, 110) << QPoint(120, 60);
    QTest::newRow("0.8 scrolls back by the shrink of the point")
        << QSize(2000, 1000) << 1000 << QPoint(100, 100) << kOut << QPoint(100, 50)
        << QSize(800, 400) << QPoint(80, 90) << QPoint(80, 40);
    QTest::newRow("0.8 near the origin is held at 0")
        << QSize(2000, 1000) << 1000 << QPoint(10, 5) << kOut << QPoint(100, 50) << QSize(800, 400)
        << QPoint(0, 0) << QPoint(80, 40);
    // The shrunk range first pulls (600, 200) back to (400, 100); the move starts from there.
    QTest::newRow("0.8 moves from the position the shrink left")
        << QSize(2000, 1000) << 1000 << QPoint(600, 200) << kOut << QPoint(900, 450)
        << QSize(800, 400) << QPoint(220, 10) << QPoint(720, 360);
    QTest::newRow("1.2 at the end of the range stops there")
        << QSize(2000, 1000) << 1000 << QPoint(600, 200) << kIn << QPoint(1500, 800)
        << QSize(1200, 600) << QPoint(800, 300) << QPoint(1800, 960);
    // The height follows the new width and the bitmap's ratio, a half going to the even side.
    QTest::newRow("height 6.5 rounds to 6")
        << QSize(2000, 1000) << 11 << QPoint(0, 0) << kIn << QPoint(0, 0) << QSize(13, 6)
        << QPoint(0, 0) << QPoint(0, 0);
    QTest::newRow("height 9.5 rounds to 10")
        << QSize(2000, 1000) << 16 << QPoint(0, 0) << kIn << QPoint(0, 0) << QSize(19, 10)
        << QPoint(0, 0) << QPoint(0, 0);
    QTest::newRow("size basis is the current width")
        << QSize(7000, 1000) << 10000 << QPoint(0, 0) << kIn << QPoint(0, 0) << QSize(12000, 1714)
        << QPoint(0, 0) << QPoint(0, 0);
    QTest::newRow("scale of exactly 100 still grows")
        << QSize(10, 10) << 1000 << QPoint(0, 0) << kIn << QPoint(5, 5) << QSize(1200, 1200)
        << QPoint(1, 1) << QPoint(6, 6);
    QTest::newRow("width 10 still shrinks")
        << QSize(100, 100) << 10 << QPoint(0, 0) << kOut << QPoint(5, 5) << QSize(8, 8)
        << QPoint(0, 0) << QPoint(4, 4);
}

void TestPictureModel::zoom() {
    QFETCH(QSize, bitmap);
    QFETCH(int, width);
    QFETCH(QPoint, positionsBefore);
    QFETCH(float, factor);
    QFETCH(QPoint, point);

    PictureModel model;
    setUp(model, bitmap, QSize(width, width * bitmap.height() / bitmap.width()), QSize(400, 300));
    model.setAutoSize(false);
    model.setHorizontalPosition(positionsBefore.x());
    model.setVerticalPosition(positionsBefore.y());
    QCOMPARE(QPoint(model.horizontalPosition(), model.verticalPosition()), positionsBefore);

    runpad::ZoomImageAt(model, factor, point);

    QTEST(QSize(model.width(), model.height()), "zoomed");
    QTEST(QPoint(model.horizontalPosition(), model.verticalPosition()), "positions");
    QTEST(point, "pointAfter");
    QVERIFY(model.stretch());
    QVERIFY(!model.autoSize());
}

void TestPictureModel::zoomLimits_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<float>("factor");

    QTest::newRow("no shrinking below width 10") << 9 << kOut;
    QTest::newRow("no growing above scale 100") << 1001 << kIn;
}

void TestPictureModel::zoomLimits() {
    QFETCH(int, width);
    QFETCH(float, factor);

    PictureModel model;
    setUp(model, QSize(10, 10), QSize(width, width), QSize(400, 300));
    model.setHorizontalPosition(7);
    model.setVerticalPosition(8);
    model.setAutoSize(false);
    QPoint point(3, 4);
    Snapshot expected = snapshot(model);
    expected.stretch = true;

    runpad::ZoomImageAt(model, factor, point);

    QCOMPARE(snapshot(model), expected);
    QCOMPARE(point, QPoint(3, 4));
}

void TestPictureModel::zoomOutSteps() {
    PictureModel model;
    setUp(model, QSize(1200, 1200), QSize(12, 12), QSize(400, 300));
    QList<int> widths;
    for (int step = 0; step < 4; ++step) {
        QPoint point;
        runpad::ZoomImageAt(model, kOut, point);
        widths << model.width();
    }
    QCOMPARE(widths, (QList<int>{10, 8, 8, 8}));

    QPoint point;
    runpad::ZoomImageAt(model, kIn, point);
    QCOMPARE(model.width(), 10);
}

void TestPictureModel::zoomWithoutBitmap_data() {
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<bool>("isBitmap");
    QTest::addColumn<bool>("scrollBoxParent");
    QTest::addColumn<QSize>("pictureAfter");

    QTest::newRow("empty picture") << QImage() << true << true << QSize(0, 0);
    QTest::newRow("built-in picture is discarded by the read")
        << solid(QSize(1483, 792)) << false << true << QSize(0, 0);
    QTest::newRow("parent that is no scroll box")
        << solid(QSize(1483, 792)) << true << false << QSize(1483, 792);
}

void TestPictureModel::zoomWithoutBitmap() {
    QFETCH(QImage, picture);
    QFETCH(bool, isBitmap);
    QFETCH(bool, scrollBoxParent);

    PictureModel model;
    model.setOuterSize(400, 300);
    model.assignPicture(picture, isBitmap);
    model.setWidth(1483);
    model.setHeight(792);
    model.setHorizontalPosition(40);
    model.setVerticalPosition(30);
    model.setParentIsScrollBox(scrollBoxParent);
    Snapshot expected = snapshot(model);
    QFETCH(QSize, pictureAfter);
    expected.picture = pictureAfter;

    for (const float factor : {kIn, kOut, 0.0f}) {
        QPoint point(100, 50);
        runpad::ZoomImageAt(model, factor, point);
        QCOMPARE(snapshot(model), expected);
        QCOMPARE(point, QPoint(100, 50));
    }
}

// ---- Natural size (factor 0) ----

void TestPictureModel::naturalSize_data() {
    QTest::addColumn<bool>("useScale");
    QTest::addColumn<bool>("isBitmap");

    QTest::newRow("ZoomImageAt") << false << true;
    QTest::newRow("ScaleImage") << true << true;
    // Nothing reads the bitmap here, so the built-in picture survives.
    QTest::newRow("ScaleImage on the built-in picture") << true << false;
}

void TestPictureModel::naturalSize() {
    QFETCH(bool, useScale);
    QFETCH(bool, isBitmap);

    PictureModel model;
    model.setOuterSize(400, 300);
    model.assignPicture(solid(QSize(600, 500)), isBitmap);
    model.setWidth(3000);
    model.setHeight(2500);
    model.setHorizontalPosition(150);
    model.setVerticalPosition(2100);
    model.setAutoSize(false);
    model.setStretch(false);
    QPoint point(1234, 567);

    if (useScale)
        runpad::ScaleImage(model, 0, point);
    else
        runpad::ZoomImageAt(model, 0, point);

    QCOMPARE(QSize(model.width(), model.height()), QSize(600, 500));
    QVERIFY(!model.autoSize());
    QVERIFY(model.stretch());
    QCOMPARE(point, QPoint(1234, 567));
    // Positions are not set, only kept within the new range.
    QCOMPARE(model.horizontalPosition(), 150);
    QCOMPARE(model.verticalPosition(), 200);
    QCOMPARE(model.naturalSize(), QSize(600, 500));
    QCOMPARE(model.isBitmap(), isBitmap);
}

// ---- LoadImageFile ----

void TestPictureModel::load_data() {
    QTest::addColumn<bool>("stretch");
    QTest::addColumn<QImage>("decoded");

    QImage translucent(40, 30, QImage::Format_ARGB32);
    translucent.fill(Qt::transparent);
    QTest::newRow("stretch off stays off") << false << solid(QSize(40, 30));
    QTest::newRow("stretch on stays on") << true << solid(QSize(40, 30));
    QTest::newRow("transparent picture onto white") << false << translucent;
}

void TestPictureModel::load() {
    QFETCH(bool, stretch);
    QFETCH(QImage, decoded);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("shot.png"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    PictureModel model;
    model.setOuterSize(400, 300);
    model.assignPicture(solid(QSize(5, 5)), false);
    model.setWidth(900);
    model.setHeight(900);
    model.setStretch(stretch);
    QStringList asked;
    const bool loaded = runpad::LoadImageFile(path, model, [&](const QString& p) {
        asked << p;
        return decoded;
    });

    QVERIFY(loaded);
    QCOMPARE(asked, QStringList{path});
    QCOMPARE(QSize(model.width(), model.height()), QSize(40, 30));
    QVERIFY(!model.autoSize());
    QCOMPARE(model.stretch(), stretch);
    QVERIFY(model.isBitmap());
    QCOMPARE(model.bitmap().format(), QImage::Format_RGB888);
    const QRgb expected = decoded.hasAlphaChannel() ? qRgb(255, 255, 255) : decoded.pixel(0, 0);
    QCOMPARE(model.bitmap().pixel(20, 15), expected);
}

void TestPictureModel::loadMissing_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("no such file") << QStringLiteral("missing.jpg");
    QTest::newRow("a folder is no file") << QStringLiteral("folder.jpg");
    QTest::newRow("a dangling link") << QStringLiteral("dangling.jpg");
}

void TestPictureModel::loadMissing() {
    QFETCH(QString, name);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.jpg")));
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("gone.jpg")),
                        dir.filePath(QStringLiteral("dangling.jpg"))));

    PictureModel model;
    model.assignPicture(solid(QSize(5, 5)), false);
    model.setWidth(70);
    model.setHeight(60);
    const Snapshot before = snapshot(model);
    bool decoderCalled = false;
    QVERIFY(!runpad::LoadImageFile(dir.filePath(name), model, [&](const QString&) {
        decoderCalled = true;
        return QImage();
    }));
    QVERIFY(!decoderCalled);
    QCOMPARE(snapshot(model), before);
    QVERIFY(!model.isBitmap());
}

void TestPictureModel::loadDecoderErrorLeavesAutoSizeOn() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("broken.jpg"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    PictureModel model;
    model.assignPicture(solid(QSize(20, 10)), true);
    model.setWidth(700);
    model.setHeight(600);
    try {
        runpad::LoadImageFile(path, model, [](const QString&) -> QImage {
            throw AppError(QStringLiteral("Not a JPEG file"));
        });
        QFAIL("the decoder's error did not pass through");
    } catch (const AppError& error) {
        QCOMPARE(error.message(), QStringLiteral("Not a JPEG file"));
    }
    QVERIFY(model.autoSize());
    QCOMPARE(QSize(model.width(), model.height()), QSize(20, 10));
    QCOMPARE(model.naturalSize(), QSize(20, 10));
}

void TestPictureModel::loadByExtension_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("error");

    QTest::newRow("capital JPG is a JPEG") << QStringLiteral("Photo.JPG") << QString();
    QTest::newRow("txt is no picture")
        << QStringLiteral("notes.txt") << QStringLiteral("Unknown picture file extension (.txt)");
}

void TestPictureModel::loadByExtension() {
    QFETCH(QString, name);
    QFETCH(QString, error);

    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    QImageWriter writer(path, "jpeg");
    QVERIFY2(writer.write(solid(QSize(64, 48), QImage::Format_RGB32)),
             qPrintable(writer.errorString()));

    PictureModel model;
    const auto decode = [](const QString& p) { return runpad::decodePictureFile(p, nullptr); };
    if (error.isEmpty()) {
        QVERIFY(runpad::LoadImageFile(path, model, decode));
        QCOMPARE(QSize(model.width(), model.height()), QSize(64, 48));
        QCOMPARE(model.bitmap().size(), QSize(64, 48));
        return;
    }
    try {
        runpad::LoadImageFile(path, model, decode);
        QFAIL("no error");
    } catch (const AppError& e) {
        QCOMPARE(e.message(), error);
    }
}

namespace {

class NoMemory : public runpad::PictureMemory {
public:
    QImage allocate(int, int, QImage::Format) const override { return QImage(); }
};

} // namespace

void TestPictureModel::loadWithoutMemoryForTheBitmap_data() {
    QTest::addColumn<QImage>("decoded");
    QImage translucent(40, 30, QImage::Format_ARGB32);
    translucent.fill(Qt::transparent);
    QTest::newRow("transparent picture") << translucent;
    QTest::newRow("opaque picture") << solid(QSize(40, 30), QImage::Format_RGB32);
}

// The load fails with the picture's size; it never ends as a success with an empty picture.
void TestPictureModel::loadWithoutMemoryForTheBitmap() {
    QFETCH(QImage, decoded);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("shot.png"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    PictureModel model;
    const NoMemory none;
    try {
        runpad::LoadImageFile(
            path, model, [&](const QString&) { return decoded; }, &none);
        QFAIL("loaded");
    } catch (const AppError& error) {
        QCOMPARE(error.message(), QStringLiteral("Not enough memory for a 40 x 30 picture"));
    }
    QCOMPARE(model.naturalSize(), QSize(40, 30));
}

void TestPictureModel::loadRefusesWhatIsNoRegularFile_data() {
    QTest::addColumn<QString>("kind");
    // Opening it would wait for a writer.
    QTest::newRow("pipe") << QStringLiteral("pipe");
    // Would be read without end.
    QTest::newRow("link to /dev/zero") << QStringLiteral("zero");
}

// Something that exists is no missing file: it is reported, without being waited on or read.
void TestPictureModel::loadRefusesWhatIsNoRegularFile() {
    QFETCH(QString, kind);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("shot.png"));
    if (kind == u"pipe")
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));

    PictureModel model;
    try {
        runpad::LoadImageFile(
            path, model, [](const QString& p) { return runpad::decodePictureFile(p, nullptr); });
        QFAIL("loaded");
    } catch (const AppError& error) {
        QCOMPARE(error.message(),
                 QStringLiteral("Cannot open file \"%1\". Not a regular file").arg(path));
    }
}

QTEST_GUILESS_MAIN(TestPictureModel)
#include "tst_picture_model.moc"
