#include "platform/resident_picture_memory.h"

#include <QTest>

#include <cerrno>
#include <cstdint>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

using runpad::ResidentPictureMemory;

Q_DECLARE_METATYPE(QImage::Format)

namespace {

constexpr std::uintptr_t kHugePage = 2 * 1024 * 1024;

// Pages of the picture's pixels the system has not yet made present.
size_t missingPages(const QImage& image) {
    const auto pageBytes = std::uintptr_t(sysconf(_SC_PAGESIZE));
    const auto start = reinterpret_cast<std::uintptr_t>(image.constBits()) / pageBytes * pageBytes;
    const auto end = reinterpret_cast<std::uintptr_t>(image.constBits()) + image.sizeInBytes();
    std::vector<unsigned char> present((end - start + pageBytes - 1) / pageBytes);
    if (mincore(reinterpret_cast<void*>(start), end - start, present.data()) != 0)
        return present.size();
    size_t missing = 0;
    for (unsigned char page : present)
        missing += (page & 1) ? 0 : 1;
    return missing;
}

bool kernelMakesPagesPresent() {
    const size_t pageBytes = size_t(sysconf(_SC_PAGESIZE));
    void* page =
        mmap(nullptr, pageBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    const bool supported = madvise(page, pageBytes, 23 /* MADV_POPULATE_WRITE */) == 0;
    munmap(page, pageBytes);
    return supported;
}

} // namespace

class TestResidentPictureMemory : public QObject {
    Q_OBJECT

private slots:
    void givesUsablePictures_data();
    void givesUsablePictures();
};

void TestResidentPictureMemory::givesUsablePictures_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QImage::Format>("format");
    // 0: ordinary memory, nothing to check.
    QTest::addColumn<std::uintptr_t>("alignment");

    QTest::newRow("small picture: ordinary memory")
        << QSize(33, 17) << QImage::Format_RGB888 << std::uintptr_t(0);
    QTest::newRow("picture of a few megabytes: present, ordinary pages")
        << QSize(1483, 792) << QImage::Format_RGB32 << std::uintptr_t(sysconf(_SC_PAGESIZE));
    // Rows of an odd width: the padding to four bytes has to agree with QImage's.
    QTest::newRow("large 24-bit picture, odd width: huge pages")
        << QSize(3001, 1000) << QImage::Format_RGB888 << kHugePage;
    QTest::newRow("large picture with alpha: huge pages")
        << QSize(2000, 1500) << QImage::Format_RGBA8888 << kHugePage;
}

void TestResidentPictureMemory::givesUsablePictures() {
    QFETCH(QSize, size);
    QFETCH(QImage::Format, format);
    QFETCH(std::uintptr_t, alignment);

    QImage image = ResidentPictureMemory().allocate(size.width(), size.height(), format);
    QCOMPARE(image.size(), size);
    QCOMPARE(image.format(), format);
    QCOMPARE(image.bytesPerLine(), QImage(size, format).bytesPerLine());
    const auto address = reinterpret_cast<std::uintptr_t>(image.constBits());
    if (alignment != 0) {
        QCOMPARE(address % alignment, std::uintptr_t(0));
        // Made present before the decoder writes a single pixel.
        if (kernelMakesPagesPresent())
            QCOMPARE(missingPages(image), size_t(0));
    }

    // Every row is there to be written and read back, also once the picture is shared and copied.
    image.fill(QColor(10, 200, 30));
    image.setPixelColor(size.width() - 1, size.height() - 1, QColor(250, 0, 5));
    const QImage copy = image;
    image.setPixelColor(0, 0, QColor(1, 2, 3));
    QCOMPARE(copy.pixelColor(0, 0), QColor(10, 200, 30));
    QCOMPARE(copy.pixelColor(size.width() - 1, size.height() - 1), QColor(250, 0, 5));
    QCOMPARE(image.pixelColor(0, 0), QColor(1, 2, 3));
}

QTEST_GUILESS_MAIN(TestResidentPictureMemory)
#include "tst_resident_picture_memory.moc"
