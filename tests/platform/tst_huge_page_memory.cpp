#include "platform/huge_page_memory.h"

#include <QTest>

#include <cstdint>

using runpad::HugePageMemory;

Q_DECLARE_METATYPE(QImage::Format)

class TestHugePageMemory : public QObject {
    Q_OBJECT

private slots:
    void givesUsablePictures_data();
    void givesUsablePictures();
};

void TestHugePageMemory::givesUsablePictures_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QImage::Format>("format");
    QTest::addColumn<bool>("hugePageAligned");

    QTest::newRow("small picture: ordinary memory")
        << QSize(33, 17) << QImage::Format_RGB888 << false;
    // Rows of an odd width: the padding to four bytes has to agree with QImage's.
    QTest::newRow("large 24-bit picture, odd width")
        << QSize(3001, 1000) << QImage::Format_RGB888 << true;
    QTest::newRow("large picture with alpha")
        << QSize(2000, 1500) << QImage::Format_RGBA8888 << true;
}

void TestHugePageMemory::givesUsablePictures() {
    QFETCH(QSize, size);
    QFETCH(QImage::Format, format);
    QFETCH(bool, hugePageAligned);

    QImage image = HugePageMemory().allocate(size.width(), size.height(), format);
    QCOMPARE(image.size(), size);
    QCOMPARE(image.format(), format);
    QCOMPARE(image.bytesPerLine(), QImage(size, format).bytesPerLine());
    const auto address = reinterpret_cast<std::uintptr_t>(image.constBits());
    QCOMPARE(address % (2 * 1024 * 1024) == 0, hugePageAligned);

    // Every row is there to be written and read back, also once the picture is shared and copied.
    image.fill(QColor(10, 200, 30));
    image.setPixelColor(size.width() - 1, size.height() - 1, QColor(250, 0, 5));
    const QImage copy = image;
    image.setPixelColor(0, 0, QColor(1, 2, 3));
    QCOMPARE(copy.pixelColor(0, 0), QColor(10, 200, 30));
    QCOMPARE(copy.pixelColor(size.width() - 1, size.height() - 1), QColor(250, 0, 5));
    QCOMPARE(image.pixelColor(0, 0), QColor(1, 2, 3));
}

QTEST_GUILESS_MAIN(TestHugePageMemory)
#include "tst_huge_page_memory.moc"
