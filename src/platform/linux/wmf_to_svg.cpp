// No Qt header may be included here: libwmf's macros (U16, TRANSPARENT, OPAQUE, ...) clash
// with Qt's declarations.
#include "platform/linux/wmf_to_svg.h"
#include "platform/linux/shared_library.h"

#include "core/common/windows1252.h"

#include <libwmf/api.h>
#include <libwmf/svg.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <vector>

namespace runpad {

namespace {

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::size_t kPlaceableHeaderSize = 22;
constexpr std::size_t kMetaHeaderSize = 18;
constexpr std::size_t kRecordPrefix = 6; // size in 16-bit words, function
constexpr std::uint16_t kMetaEof = 0x0000;

// libwmf's device units are PostScript points.
constexpr double kPixelsPerDeviceUnit = 96.0 / 72.0;

// The SVG text is kept in memory; a metafile that would make more than this is not drawn.
constexpr std::size_t kMaxSvgBytes = std::size_t{256} * 1024 * 1024;

std::uint16_t readU16(const char* p) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(p[0]) |
                                      static_cast<unsigned char>(p[1]) << 8);
}

std::uint32_t readU32(const char* p) {
    return static_cast<std::uint32_t>(readU16(p)) | static_cast<std::uint32_t>(readU16(p + 2))
                                                        << 16;
}

constexpr std::uint16_t kMetaDibBitBlt = 0x0940;
constexpr std::uint16_t kMetaSetDibToDev = 0x0D33;
// A META_DIBBITBLT of this many parameter words carries no bitmap.
constexpr std::size_t kDibBitBltWithoutBitmap = 9;

// Records that carry a device-independent bitmap, and where it starts: the number of 16-bit
// parameter words before it.
struct BitmapRecord {
    std::uint16_t function;
    std::size_t wordsBefore;
};
constexpr BitmapRecord kBitmapRecords[] = {
    {kMetaDibBitBlt, 8},   {0x0B41, 10}, // META_DIBSTRETCHBLT
    {0x0F43, 11},                        // META_STRETCHDIB
    {kMetaSetDibToDev, 9}, {0x0142, 2},  // META_DIBCREATEPATTERNBRUSH
};

constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;

// libwmf's bitmap reader trusts the bitmap header: a header size below 40 (other than 12) makes
// it skip "size - 40" bytes counted in an unsigned value, which never ends; it allocates the
// palette and the pixels the header declares before it finds that the record holds far less. So
// a bitmap passes only when its header fits its record, its palette and, uncompressed, its pixels
// are there in full, and a compressed one unpacks to at most maxPixels. The preset sides are what
// a META_SETDIBTODEV record gives in place of the header's (0 where it gives none).
bool bitmapIsSafe(std::string_view dib, std::uint16_t presetWidth, std::uint16_t presetHeight,
                  std::int64_t maxPixels) {
    if (dib.size() < 4)
        return false;
    const std::uint32_t headerSize = readU32(dib.data());
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t bitsPerPixel = 0;
    std::uint32_t compression = 0;
    std::uint64_t colours = 0;
    if (headerSize == kCoreHeaderSize) {
        if (dib.size() < kCoreHeaderSize)
            return false;
        width = readU16(dib.data() + 4);
        height = readU16(dib.data() + 6);
        bitsPerPixel = readU16(dib.data() + 10);
    } else {
        if (headerSize < kInfoHeaderSize || headerSize > dib.size())
            return false;
        width = readU32(dib.data() + 4);
        const auto signedHeight = static_cast<std::int32_t>(readU32(dib.data() + 8));
        height = signedHeight < 0 ? 0u - static_cast<std::uint32_t>(signedHeight)
                                  : static_cast<std::uint32_t>(signedHeight);
        bitsPerPixel = readU16(dib.data() + 14);
        compression = readU32(dib.data() + 16);
        colours = readU32(dib.data() + 32);
        // As libwmf counts them: a palette larger than the depth can index is cut to size.
        if (bitsPerPixel <= 8)
            colours = std::min<std::uint64_t>(colours, std::uint64_t{1} << bitsPerPixel);
    }
    // Four bytes an entry after the header (the 12-byte header brings no palette count).
    const std::uint64_t afterHeader = dib.size() - std::min<std::uint64_t>(headerSize, dib.size());
    if (colours * 4 > afterHeader)
        return false;

    // The record's own sides where it gives them. The header's count in full: libwmf draws
    // with 16-bit sides but allocates by what the header declares.
    const std::uint64_t pixelWidth = presetWidth != 0 ? presetWidth : width;
    const std::uint64_t pixelHeight = presetHeight != 0 ? presetHeight : height;
    const std::uint64_t depth = compression == 2 ? bitsPerPixel * 2 : bitsPerPixel;
    const std::uint64_t bytesPerLine = 4 * ((pixelWidth * depth + 31) / 32);
    const std::uint64_t pixelBytes = bytesPerLine * pixelHeight;
    if (compression == 0 || compression == 3)
        return pixelBytes <= afterHeader - colours * 4;
    // Compressed: libwmf unpacks only to one byte a pixel.
    return pixelBytes <= static_cast<std::uint64_t>(maxPixels);
}

// Whether a record that may carry a bitmap is one libwmf can read safely.
bool recordIsSafe(std::uint16_t function, std::string_view parameters, std::int64_t maxPixels) {
    for (const BitmapRecord& kind : kBitmapRecords) {
        if (kind.function != function)
            continue;
        const std::size_t words = parameters.size() / 2;
        if (function == kMetaDibBitBlt && words == kDibBitBltWithoutBitmap)
            return true;
        if (words < kind.wordsBefore)
            return false;
        std::uint16_t presetWidth = 0;
        std::uint16_t presetHeight = 0;
        if (function == kMetaSetDibToDev) {
            presetWidth = readU16(parameters.data() + 2 * 2);
            presetHeight = readU16(parameters.data() + 2 * 1);
        }
        return bitmapIsSafe(parameters.substr(2 * kind.wordsBefore), presetWidth, presetHeight,
                            maxPixels);
    }
    return true;
}

// Where the header's largest-record field (16-bit words) lies, from the header's start.
constexpr std::size_t kMaxRecordField = 12;

struct CheckedMetafile {
    std::size_t length = 0;          // up to and including the end record; 0: refused
    std::size_t maxRecordAt = 0;     // offset of the header's largest-record field
    std::uint32_t largestRecord = 0; // in 16-bit words, as the records really are
};

// The metafile up to and including its end record; length 0 when the headers or the record
// chain are broken, or a record holds a bitmap libwmf cannot read safely. libwmf checks much of
// this itself; checking first keeps foreign or cut-off data away from it altogether.
CheckedMetafile checkMetafile(std::string_view data, std::int64_t maxPixels) {
    CheckedMetafile checked;
    std::size_t offset = 0;
    if (data.size() >= 4 && readU32(data.data()) == kPlaceableKey)
        offset = kPlaceableHeaderSize;
    if (data.size() < offset + kMetaHeaderSize)
        return {};
    const char* header = data.data() + offset;
    const std::uint16_t type = readU16(header);
    const std::uint16_t headerWords = readU16(header + 2);
    const std::uint16_t version = readU16(header + 4);
    if ((type != 1 && type != 2) || headerWords != kMetaHeaderSize / 2 ||
        (version != 0x0100 && version != 0x0300))
        return {};

    checked.maxRecordAt = offset + kMaxRecordField;
    offset += kMetaHeaderSize;
    while (data.size() - offset >= kRecordPrefix) {
        const std::uint64_t bytes = std::uint64_t{readU32(data.data() + offset)} * 2;
        const std::uint16_t function = readU16(data.data() + offset + 4);
        if (bytes < kRecordPrefix || bytes > data.size() - offset)
            return {};
        const std::string_view parameters =
            data.substr(offset + kRecordPrefix, static_cast<std::size_t>(bytes) - kRecordPrefix);
        if (!recordIsSafe(function, parameters, maxPixels))
            return {};
        checked.largestRecord =
            std::max(checked.largestRecord, static_cast<std::uint32_t>(bytes / 2));
        offset += static_cast<std::size_t>(bytes);
        if (function == kMetaEof) {
            checked.length = offset;
            return checked;
        }
    }
    return {}; // ran out of data before the end record: truncated
}

// Collects libwmf's SVG output.
struct SvgSink {
    std::string text;
    bool overflow = false;
};

int sinkPuts(char* str, void* context) {
    auto* sink = static_cast<SvgSink*>(context);
    const std::size_t length = std::strlen(str);
    if (sink->overflow || sink->text.size() + length > kMaxSvgBytes) {
        sink->overflow = true;
        return EOF;
    }
    sink->text.append(str, length);
    return 0;
}

int sinkReset(void* context) {
    static_cast<SvgSink*>(context)->text.clear();
    return 0;
}

void appendEscapedText(std::string& out, std::string_view text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '&') {
            out += "&amp;";
        } else if (c == '<') {
            out += "&lt;";
        } else if (c == '>') {
            out += "&gt;";
        } else if (byte < 0x20) {
            if (c == '\t' || c == '\n' || c == '\r')
                out += c;
            // other control characters are not allowed in XML
        } else if (byte < 0x80) {
            out += c;
        } else {
            out += "&#" + std::to_string(unsigned(runpad::windows1252ToUnicode(byte))) + ';';
        }
    }
}

// Repairs two faults of libwmf's SVG output: text strings are written as they are in the
// metafile (8-bit, mostly Windows-1252) without escaping, which breaks the XML; and bitmaps get
// their full position and size and, on top of that, a transform scaling them again.
std::string repairSvg(const std::string& svg) {
    static constexpr std::string_view kTextStart = "<text ";
    static constexpr std::string_view kTextTagEnd = "\n\t>";
    static constexpr std::string_view kTextEnd = "</text>\n";
    static constexpr std::string_view kImageStart = "<image ";
    static constexpr std::string_view kImageEnd = "/>";
    static constexpr std::string_view kTransformStart = "\ttransform=\"";
    static constexpr std::string_view kTransformEnd = "\"\n";

    std::string out;
    out.reserve(svg.size() + 256);
    std::size_t done = 0;
    for (;;) {
        const std::size_t text = svg.find(kTextStart, done);
        const std::size_t image = svg.find(kImageStart, done);
        if (text == std::string::npos && image == std::string::npos)
            break;
        if (text < image) {
            const std::size_t tagEnd = svg.find(kTextTagEnd, text);
            const std::size_t end =
                tagEnd == std::string::npos ? std::string::npos : svg.find(kTextEnd, tagEnd);
            if (end == std::string::npos)
                break;
            const std::size_t from = tagEnd + kTextTagEnd.size();
            out.append(svg, done, from - done);
            appendEscapedText(out, std::string_view(svg).substr(from, end - from));
            done = end + kTextEnd.size();
            out += kTextEnd;
        } else {
            const std::size_t end = svg.find(kImageEnd, image);
            const std::size_t transform = svg.find(kTransformStart, image);
            const std::size_t transformEnd = transform == std::string::npos
                                                 ? std::string::npos
                                                 : svg.find(kTransformEnd, transform);
            if (end == std::string::npos)
                break;
            if (transformEnd < end) {
                out.append(svg, done, transform - done);
                done = transformEnd + kTransformEnd.size();
            }
            out.append(svg, done, end - done);
            done = end;
        }
    }
    out.append(svg, done, std::string::npos);
    return out;
}

// libwmf's drawing part; its reading part, libwmflite, comes with it.
struct WmfFunctions {
    SharedLibrary library{"libwmf-0.2.so.7"};
    RUNPAD_LIBRARY_FUNCTION(wmf_api_create);
    RUNPAD_LIBRARY_FUNCTION(wmf_api_destroy);
    RUNPAD_LIBRARY_FUNCTION(wmf_svg_function);
    RUNPAD_LIBRARY_FUNCTION(wmf_mem_open);
    RUNPAD_LIBRARY_FUNCTION(wmf_mem_close);
    RUNPAD_LIBRARY_FUNCTION(wmf_scan);
    RUNPAD_LIBRARY_FUNCTION(wmf_play);
};

const WmfFunctions& wmfLibrary() {
    static const WmfFunctions functions;
    return functions;
}

// Owns a libwmf instance.
class WmfApi {
public:
    explicit WmfApi(const WmfFunctions& wmf) : wmf_(wmf) {
        wmfAPI_Options options{};
        options.function = wmf_.wmf_svg_function;
        // Silent: no error or debug reports on stdout/stderr.
        const unsigned long flags =
            WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
        if (wmf_.wmf_api_create(&api_, flags, &options) != wmf_E_None)
            api_ = nullptr;
    }
    ~WmfApi() {
        if (api_ != nullptr)
            wmf_.wmf_api_destroy(api_);
    }
    WmfApi(const WmfApi&) = delete;
    WmfApi& operator=(const WmfApi&) = delete;

    wmfAPI* get() const { return api_; }

private:
    const WmfFunctions& wmf_;
    wmfAPI* api_ = nullptr;
};

std::mutex& converterMutex() {
    // libwmf's font handling is not known to be safe to use from two threads at once.
    static std::mutex mutex;
    return mutex;
}

} // namespace

SvgConversion wmfToSvg(std::string_view data, std::int64_t maxSide, std::int64_t maxPixels) {
    SvgConversion result;
    const CheckedMetafile checked = checkMetafile(data, maxPixels);
    if (checked.length == 0)
        return result;
    std::vector<unsigned char> buffer(data.begin(),
                                      data.begin() + static_cast<std::ptrdiff_t>(checked.length));
    // libwmf allocates its record buffer by the header's largest-record field, so a header that
    // claims gigabytes makes it ask for them. Its copy holds the size the records really have.
    for (int i = 0; i < 4; ++i)
        buffer[checked.maxRecordAt + static_cast<std::size_t>(i)] =
            static_cast<unsigned char>(checked.largestRecord >> (8 * i));

    std::lock_guard lock(converterMutex());
    const WmfFunctions& wmf = wmfLibrary();
    if (!wmf.library.usable()) {
        result.status = SvgConversion::Status::Unavailable;
        result.problem = wmf.library.problem();
        return result;
    }
    WmfApi api(wmf);
    if (api.get() == nullptr)
        return result;
    if (wmf.wmf_mem_open(api.get(), buffer.data(), static_cast<long>(buffer.size())) != wmf_E_None)
        return result;

    wmfD_Rect box{};
    if (wmf.wmf_scan(api.get(), 0, &box) != wmf_E_None)
        return result;
    const double boxWidth = static_cast<double>(box.BR.x) - box.TL.x;
    const double boxHeight = static_cast<double>(box.BR.y) - box.TL.y;
    if (!(boxWidth > 0 && boxHeight > 0 && std::isfinite(boxWidth) && std::isfinite(boxHeight)))
        return result;

    const double width = std::ceil(boxWidth * kPixelsPerDeviceUnit);
    const double height = std::ceil(boxHeight * kPixelsPerDeviceUnit);
    if (width > static_cast<double>(maxSide) || height > static_cast<double>(maxSide) ||
        width * height > static_cast<double>(maxPixels)) {
        // Reported only; capped so the conversion stays defined for absurd boxes.
        result.width = static_cast<std::int64_t>(std::min(width, 1e18));
        result.height = static_cast<std::int64_t>(std::min(height, 1e18));
        result.status = SvgConversion::Status::TooLarge;
        return result;
    }
    result.width = static_cast<std::int64_t>(width);
    result.height = static_cast<std::int64_t>(height);

    SvgSink sink;
    wmfStream stream{&sink, sinkPuts, sinkReset};
    wmf_svg_t* device = WMF_SVG_GetData(api.get());
    device->out = &stream;
    device->bbox = box;
    device->width = static_cast<unsigned>(result.width);
    device->height = static_cast<unsigned>(result.height);
    device->Description = nullptr;
    device->flags |= WMF_SVG_INLINE_IMAGES; // bitmaps as data: URLs, not files beside the SVG

    const wmf_error_t played = wmf.wmf_play(api.get(), 0, &box);
    device->out = nullptr;
    wmf.wmf_mem_close(api.get());
    if (played != wmf_E_None || sink.overflow || sink.text.empty())
        return result;

    result.svg = repairSvg(sink.text);
    result.status = SvgConversion::Status::Ok;
    return result;
}

} // namespace runpad
