#pragma once

// Plain C++ on purpose: libwmf's headers define macros (U16, OPAQUE, ...) that break Qt's, so
// neither side may see the other's headers.

#include <cstdint>
#include <string>
#include <string_view>

namespace runpad {

struct WmfSvgResult {
    enum class Status { Ok, Invalid, TooLarge };
    Status status = Status::Invalid;
    std::string svg; // the SVG document when Ok
    // The picture's size in pixels at 96 dpi; set for Ok and TooLarge.
    std::int64_t width = 0;
    std::int64_t height = 0;
};

// Converts a Windows metafile (with or without the placeable header) to SVG text drawn at the
// size of its content's bounding box. Pictures wider or higher than maxSide, or with more than
// maxPixels pixels, are not drawn (TooLarge). Thread-safe.
WmfSvgResult wmfToSvg(std::string_view data, std::int64_t maxSide, std::int64_t maxPixels);

} // namespace runpad
