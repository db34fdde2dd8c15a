#include "platform/linux/emf_to_svg.h"
#include "platform/linux/shared_library.h"

#include <emf2svg.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <mutex>
#include <vector>

namespace runpad {

namespace {

// Record types and header layout of an enhanced metafile (all little-endian).
constexpr std::uint32_t kEmrHeader = 1;
constexpr std::uint32_t kEmrEof = 14;
constexpr std::uint32_t kEmfSignature = 0x464D4520; // " EMF"
constexpr std::size_t kMinHeaderSize = 88;
constexpr std::size_t kRecordPrefix = 8; // type and size

constexpr std::size_t kBoundsOffset = 8;
constexpr std::size_t kFrameOffset = 24;
constexpr std::size_t kSignatureOffset = 40;
constexpr std::size_t kDescriptionCountOffset = 60;
constexpr std::size_t kDescriptionOffsetOffset = 64;
constexpr std::size_t kDeviceSizeOffset = 72;
constexpr std::size_t kMillimetersOffset = 80;

// Frame units are 0.01 mm; without a usable reference device they become pixels at 96 dpi.
constexpr double kDefaultPixelsPerFrameUnit = 96.0 / 2540.0;

std::uint32_t readU32(const char* p) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<unsigned char>(p[i]);
    return value;
}

std::int32_t readI32(const char* p) {
    return static_cast<std::int32_t>(readU32(p));
}

void writeI32(char* p, std::int32_t value) {
    auto bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i, bits >>= 8)
        p[i] = static_cast<char>(bits & 0xFF);
}

struct Rect {
    std::int64_t left, top, right, bottom;
};

Rect readRect(const char* p) {
    return {readI32(p), readI32(p + 4), readI32(p + 8), readI32(p + 12)};
}

// Length of the metafile up to and including its EMR_EOF record, or 0 when the record chain is
// broken: libemf2svg walks it without looking at the buffer's end first.
std::size_t checkedLength(std::string_view data) {
    if (data.size() < kMinHeaderSize)
        return 0;
    if (readU32(data.data()) != kEmrHeader ||
        readU32(data.data() + kSignatureOffset) != kEmfSignature)
        return 0;
    const std::uint32_t headerSize = readU32(data.data() + 4);
    if (headerSize < kMinHeaderSize)
        return 0;

    std::size_t offset = 0;
    while (data.size() - offset >= kRecordPrefix) {
        const std::uint32_t type = readU32(data.data() + offset);
        const std::uint32_t size = readU32(data.data() + offset + 4);
        if (size < kRecordPrefix || size % 4 != 0 || size > data.size() - offset)
            return 0;
        if (type == kEmrHeader && offset != 0)
            return 0;
        offset += size;
        if (type == kEmrEof)
            return offset;
    }
    return 0; // ran out of data before EMR_EOF: truncated
}

struct Emf2SvgFunctions {
    SharedLibrary library{"libemf2svg.so.1"};
    RUNPAD_LIBRARY_FUNCTION(emf2svg);
};

std::mutex& converterMutex() {
    // libemf2svg keeps global state while it converts.
    static std::mutex mutex;
    return mutex;
}

} // namespace

SvgConversion emfToSvg(std::string_view data, std::int64_t maxSide, std::int64_t maxPixels) {
    SvgConversion result;
    const std::size_t length = checkedLength(data);
    if (length == 0)
        return result;

    // libemf2svg takes a writable buffer, and the header is adjusted below.
    std::vector<char> buffer(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(length));
    char* header = buffer.data();

    // The bounds are inclusive device pixels, while libemf2svg takes right - left as the width;
    // empty bounds (nothing drawn, or a writer that left them out) fall back to the frame.
    const Rect bounds = readRect(header + kBoundsOffset);
    Rect picture{};
    if (bounds.right >= bounds.left && bounds.bottom >= bounds.top) {
        picture = {bounds.left, bounds.top, bounds.right + 1, bounds.bottom + 1};
    } else {
        const Rect frame = readRect(header + kFrameOffset);
        if (frame.right <= frame.left || frame.bottom <= frame.top)
            return result;
        const double deviceX = readI32(header + kDeviceSizeOffset);
        const double deviceY = readI32(header + kDeviceSizeOffset + 4);
        const double millimetersX = readI32(header + kMillimetersOffset);
        const double millimetersY = readI32(header + kMillimetersOffset + 4);
        const bool referenceKnown =
            deviceX > 0 && deviceY > 0 && millimetersX > 0 && millimetersY > 0;
        const double scaleX =
            referenceKnown ? deviceX / (millimetersX * 100.0) : kDefaultPixelsPerFrameUnit;
        const double scaleY =
            referenceKnown ? deviceY / (millimetersY * 100.0) : kDefaultPixelsPerFrameUnit;
        const double left = std::floor(static_cast<double>(frame.left) * scaleX);
        const double top = std::floor(static_cast<double>(frame.top) * scaleY);
        const double right = std::ceil(static_cast<double>(frame.right) * scaleX);
        const double bottom = std::ceil(static_cast<double>(frame.bottom) * scaleY);
        constexpr double kLimit = std::numeric_limits<std::int32_t>::max();
        if (!(std::fabs(left) < kLimit && std::fabs(top) < kLimit && std::fabs(right) < kLimit &&
              std::fabs(bottom) < kLimit))
            return result;
        picture = {static_cast<std::int64_t>(left), static_cast<std::int64_t>(top),
                   static_cast<std::int64_t>(right), static_cast<std::int64_t>(bottom)};
        if (picture.right <= picture.left || picture.bottom <= picture.top)
            return result;
    }

    result.width = picture.right - picture.left;
    result.height = picture.bottom - picture.top;
    if (result.width > maxSide || result.height > maxSide ||
        result.width * result.height > maxPixels) {
        result.status = SvgConversion::Status::TooLarge;
        return result;
    }
    // Within the limits, so the adjusted corners still fit the header's 32-bit fields.
    writeI32(header + kBoundsOffset, static_cast<std::int32_t>(picture.left));
    writeI32(header + kBoundsOffset + 4, static_cast<std::int32_t>(picture.top));
    writeI32(header + kBoundsOffset + 8, static_cast<std::int32_t>(picture.right));
    writeI32(header + kBoundsOffset + 12, static_cast<std::int32_t>(picture.bottom));
    // The description is not drawn, but libemf2svg reads it up to a terminator it does not
    // bound; an absent one cannot run off the buffer.
    writeI32(header + kDescriptionCountOffset, 0);
    writeI32(header + kDescriptionOffsetOffset, 0);

    generatorOptions options{};
    options.nameSpace = nullptr;
    options.verbose = false;
    options.emfplus = false; // its EMF+ support is partial; dual files carry plain records too
    options.svgDelimiter = true;
    options.imgWidth = 0; // 0 x 0: the size the header gives
    options.imgHeight = 0;

    char* out = nullptr;
    std::size_t outLength = 0;
    int ok = 0;
    {
        std::lock_guard lock(converterMutex());
        static const Emf2SvgFunctions emf;
        if (!emf.library.usable()) {
            result.status = SvgConversion::Status::Unavailable;
            result.problem = emf.library.problem();
            return result;
        }
        ok = emf.emf2svg(buffer.data(), buffer.size(), &out, &outLength, &options);
    }
    if (ok == 1 && out != nullptr && outLength > 0) {
        result.svg.assign(out, outLength);
        result.status = SvgConversion::Status::Ok;
    }
    std::free(out);
    return result;
}

} // namespace runpad
