#include "ui/image_list.h"

#include <QFile>
#include <QPainter>
#include <QtTest>
#include <climits>

using namespace runpad;

namespace {

QImage toImage(const QPixmap& pixmap) {
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
}

int opaquePixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
    return count;
}

QByteArray bytesOf(const QImage& image) {
    return QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes());
}

} // namespace

class TestImageList : public QObject {
    Q_OBJECT
private slots:
    void everyImageIsDrawn_data();
    void everyImageIsDrawn();
    void cornersStayTransparent();
    void outOfRangeIndexGivesNull_data();
    void outOfRangeIndexGivesNull();
    void pixmapFollowsDevicePixelRatio_data();
    void pixmapFollowsDevicePixelRatio();
    void imagesAreAllDifferent();
    void editImagesDiffer();
    void iconIsSharpAtDoubleSize();
    void disabledIconIsGreyedOut();
    void builtinPreviewIsAPicture();
};

void TestImageList::everyImageIsDrawn_data() {
    QTest::addColumn<int>("index");
    for (int i = 0; i < ImageList::kCount; ++i)
        QTest::newRow(qPrintable(ImageList::resourcePath(i).section(QLatin1Char('/'), -1))) << i;
}

void TestImageList::everyImageIsDrawn() {
    QFETCH(int, index);
    QVERIFY2(QFile::exists(ImageList::resourcePath(index)),
             qPrintable(ImageList::resourcePath(index)));
    const QPixmap pixmap = ImageList().pixmap(index);
    QVERIFY(!pixmap.isNull());
    QCOMPARE(pixmap.size(), QSize(ImageList::kSize, ImageList::kSize));
    const QImage image = toImage(pixmap);
    // A real drawing covers a fair part of the square, an empty or broken
    // SVG covers nothing.
    QVERIFY2(opaquePixels(image) > ImageList::kSize * ImageList::kSize / 8,
             qPrintable(QString::number(opaquePixels(image))));
    QVERIFY(!ImageList().icon(index).isNull());
}

void TestImageList::cornersStayTransparent() {
    // The images sit on toolbars of every colour, so no background is painted.
    ImageList list;
    for (int i = 0; i < ImageList::kCount; ++i) {
        const QImage image = toImage(list.pixmap(i));
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(image.pixel(ImageList::kSize - 1, ImageList::kSize - 1)), 0);
    }
}

void TestImageList::outOfRangeIndexGivesNull_data() {
    QTest::addColumn<int>("index");
    QTest::newRow("one below the first") << -1;
    QTest::newRow("one past the last") << ImageList::kCount;
    QTest::newRow("far below") << INT_MIN;
    QTest::newRow("far above") << INT_MAX;
}

void TestImageList::outOfRangeIndexGivesNull() {
    QFETCH(int, index);
    ImageList list;
    QVERIFY(list.pixmap(index).isNull());
    QVERIFY(list.pixmap(index, 2.0).isNull());
    QVERIFY(list.icon(index).isNull());
    QVERIFY(ImageList::resourcePath(index).isEmpty());
}

void TestImageList::pixmapFollowsDevicePixelRatio_data() {
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<int>("pixels");
    QTest::newRow("standard density") << 1.0 << 36;
    QTest::newRow("one and a half") << 1.5 << 54;
    QTest::newRow("double density") << 2.0 << 72;
    QTest::newRow("triple density") << 3.0 << 108;
    QTest::newRow("zero ratio") << 0.0 << 0;
    QTest::newRow("negative ratio") << -1.0 << 0;
}

void TestImageList::pixmapFollowsDevicePixelRatio() {
    QFETCH(qreal, ratio);
    QFETCH(int, pixels);
    const QPixmap pixmap = ImageList().pixmap(7, ratio);
    if (pixels == 0) {
        QVERIFY(pixmap.isNull());
        return;
    }
    QCOMPARE(pixmap.size(), QSize(pixels, pixels));
    QCOMPARE(pixmap.devicePixelRatio(), ratio);
    QCOMPARE(pixmap.deviceIndependentSize(), QSizeF(ImageList::kSize, ImageList::kSize));
}

void TestImageList::imagesAreAllDifferent() {
    // A copied file or a wrong name in the index table shows up as twins.
    ImageList list;
    QList<QByteArray> images;
    for (int i = 0; i < ImageList::kCount; ++i)
        images << bytesOf(toImage(list.pixmap(i)));
    for (int a = 0; a < ImageList::kCount; ++a)
        for (int b = a + 1; b < ImageList::kCount; ++b)
            QVERIFY2(images[a] != images[b], qPrintable(QStringLiteral("%1 and %2").arg(a).arg(b)));
}

void TestImageList::editImagesDiffer() {
    // The two edit states swap on the same button; they must not look alike.
    ImageList list;
    const QImage off = toImage(list.pixmap(12));
    const QImage on = toImage(list.pixmap(13));
    int changed = 0;
    for (int y = 0; y < off.height(); ++y)
        for (int x = 0; x < off.width(); ++x)
            changed += off.pixel(x, y) != on.pixel(x, y) ? 1 : 0;
    QVERIFY2(changed > 40, qPrintable(QString::number(changed)));
}

void TestImageList::iconIsSharpAtDoubleSize() {
    const QIcon icon = ImageList().icon(0);
    const QList<QSize> sizes = icon.availableSizes();
    QVERIFY(sizes.contains(QSize(36, 36)));
    QVERIFY(sizes.contains(QSize(72, 72)));
    // At 72 px the icon is a fresh rendering, not the 36 px one scaled up.
    const QImage large =
        icon.pixmap(QSize(72, 72), 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage rendered = toImage(ImageList().pixmap(0, 2.0));
    QCOMPARE(large.size(), rendered.size());
    QVERIFY(bytesOf(large) == bytesOf(rendered));
}

void TestImageList::disabledIconIsGreyedOut() {
    // A disabled button shows its image without colour, as the style draws it.
    const QIcon icon = ImageList().icon(0);
    const QImage normal = icon.pixmap(QSize(36, 36), 1.0).toImage();
    const QImage disabled = icon.pixmap(QSize(36, 36), 1.0, QIcon::Disabled).toImage();
    QCOMPARE(disabled.size(), normal.size());
    int coloured = 0;
    int greyed = 0;
    for (int y = 0; y < normal.height(); ++y)
        for (int x = 0; x < normal.width(); ++x) {
            const QColor a = normal.pixelColor(x, y);
            const QColor b = disabled.pixelColor(x, y);
            if (a.alpha() > 200 && a.hsvSaturation() > 80) {
                ++coloured;
                greyed += b.hsvSaturation() < a.hsvSaturation() / 2 ? 1 : 0;
            }
        }
    QVERIFY2(coloured > 20 && greyed > coloured / 2,
             qPrintable(QStringLiteral("%1 of %2").arg(greyed).arg(coloured)));
}

void TestImageList::builtinPreviewIsAPicture() {
    const QImage preview = ImageList::builtinPreview();
    QVERIFY(!preview.isNull());
    QCOMPARE(preview.size(), QSize(1483, 792));
    const QRgb first = preview.pixel(0, 0);
    bool varied = false;
    for (int y = 0; y < preview.height() && !varied; y += 7)
        for (int x = 0; x < preview.width() && !varied; x += 7)
            varied = preview.pixel(x, y) != first;
    QVERIFY(varied);
}

QTEST_MAIN(TestImageList)
#include "tst_image_list.moc"
