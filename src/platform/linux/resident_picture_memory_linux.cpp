#include "platform/resident_picture_memory.h"

#include <cstdint>

#include <sys/mman.h>
#include <unistd.h>

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23 // Linux 5.14; Debian 12's headers predate it
#endif

namespace runpad {

namespace {

constexpr size_t kHugePageBytes = size_t(2) * 1024 * 1024;
// Below this a picture's few pages cost little to touch one by one.
constexpr size_t kResidentBytes = size_t(256) * 1024;
// From this size on, huge pages are asked for.
constexpr size_t kHugePictureBytes = 4 * kHugePageBytes;

struct Mapping {
    void* address;
    size_t length;
};

void unmapPixels(void* info) {
    const auto* mapping = static_cast<Mapping*>(info);
    munmap(mapping->address, mapping->length);
    delete mapping;
}

size_t roundUp(size_t bytes, size_t unit) {
    return (bytes + unit - 1) / unit * unit;
}

// A mapping of `length` bytes starting at a multiple of `alignment` (a multiple of the page size).
void* mapAligned(size_t length, size_t alignment) {
    const size_t pageBytes = size_t(sysconf(_SC_PAGESIZE));
    const size_t slack = alignment > pageBytes ? alignment : 0;
    void* raw =
        mmap(nullptr, length + slack, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        return nullptr;
    if (slack == 0)
        return raw;
    const auto start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = roundUp(start, alignment);
    if (aligned > start)
        munmap(raw, aligned - start);
    const std::uintptr_t end = aligned + length;
    const std::uintptr_t rawEnd = start + length + slack;
    if (rawEnd > end)
        munmap(reinterpret_cast<void*>(end), rawEnd - end);
    return reinterpret_cast<void*>(aligned);
}

// Null when the picture is too small to gain or the memory cannot be had.
QImage residentPicture(int width, int height, QImage::Format format) {
    const int depth = QImage::toPixelFormat(format).bitsPerPixel();
    if (width <= 0 || height <= 0 || depth <= 0)
        return QImage();
    const qsizetype bytesPerLine = (qsizetype(width) * depth + 31) / 32 * 4;
    const size_t bytes = size_t(bytesPerLine) * size_t(height);
    if (bytes < kResidentBytes)
        return QImage();
    const bool huge = bytes >= kHugePictureBytes;
    const size_t alignment = huge ? kHugePageBytes : size_t(sysconf(_SC_PAGESIZE));
    const size_t length = roundUp(bytes, alignment);
    void* pixels = mapAligned(length, alignment);
    if (!pixels)
        return QImage();
    // Both are advice: on a kernel without them the pages come on first touch as usual.
    if (huge)
        madvise(pixels, length, MADV_HUGEPAGE);
    madvise(pixels, length, MADV_POPULATE_WRITE);
    auto* mapping = new Mapping{pixels, length};
    QImage image(static_cast<uchar*>(pixels), width, height, bytesPerLine, format, unmapPixels,
                 mapping);
    if (image.isNull())
        unmapPixels(mapping);
    return image;
}

} // namespace

QImage ResidentPictureMemory::allocate(int width, int height, QImage::Format format) const {
    QImage image = residentPicture(width, height, format);
    if (image.isNull())
        image = QImage(width, height, format);
    return image;
}

} // namespace runpad
