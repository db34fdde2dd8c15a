#include "platform/huge_page_memory.h"

#include <cstdlib>

#include <sys/mman.h>

namespace runpad {

namespace {

constexpr size_t kHugePageBytes = size_t(2) * 1024 * 1024;

void freePixels(void* pixels) {
    std::free(pixels);
}

// Null when the picture is too small to gain from huge pages or the memory cannot be had.
QImage hugePagePicture(int width, int height, QImage::Format format) {
    const int depth = QImage::toPixelFormat(format).bitsPerPixel();
    if (width <= 0 || height <= 0 || depth <= 0)
        return QImage();
    const qsizetype bytesPerLine = (qsizetype(width) * depth + 31) / 32 * 4;
    const size_t bytes = size_t(bytesPerLine) * size_t(height);
    if (bytes < 4 * kHugePageBytes)
        return QImage();
    const size_t rounded = (bytes + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes;
    void* pixels = std::aligned_alloc(kHugePageBytes, rounded);
    if (!pixels)
        return QImage();
    // Only advice: without huge pages the memory works all the same.
    madvise(pixels, rounded, MADV_HUGEPAGE);
    QImage image(static_cast<uchar*>(pixels), width, height, bytesPerLine, format, freePixels,
                 pixels);
    if (image.isNull())
        std::free(pixels);
    return image;
}

} // namespace

QImage HugePageMemory::allocate(int width, int height, QImage::Format format) const {
    QImage image = hugePagePicture(width, height, format);
    if (image.isNull())
        image = QImage(width, height, format);
    return image;
}

} // namespace runpad
