#pragma once

// Plain C++ interface, free of Qt and of libemf2svg's header, like its WMF counterpart.

#include <cstdint>
#include <string>
#include <string_view>

namespace runpad {

struct EmfSvgResult {
    enum class Status { Ok, Invalid, TooLarge };
    Status status = Status::Invalid;
    std::string svg; // the SVG document when Ok
    // The picture's size in pixels; set for Ok and TooLarge.
    std::int64_t width = 0;
    std::int64_t height = 0;
};

// Converts an enhanced metafile to SVG text drawn at the size its header gives (the bounds in
// reference-device pixels, or the frame when the bounds are empty). The records are checked
// before libemf2svg sees them, so empty, foreign or truncated data comes back Invalid. Pictures
// wider or higher than maxSide, or with more than maxPixels pixels, are not drawn (TooLarge).
// Thread-safe.
EmfSvgResult emfToSvg(std::string_view data, std::int64_t maxSide, std::int64_t maxPixels);

} // namespace runpad
