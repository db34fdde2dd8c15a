#pragma once

// Plain C++ interface, free of Qt and of libemf2svg's header, like its WMF counterpart.

#include "platform/linux/svg_conversion.h"

#include <cstdint>
#include <string_view>

namespace runpad {

// Converts an enhanced metafile to SVG text drawn at the size its header gives (the bounds in
// reference-device pixels, or the frame when the bounds are empty). The records are checked
// before libemf2svg sees them, so empty, foreign or truncated data comes back Invalid. Pictures
// wider or higher than maxSide, or with more than maxPixels pixels, are not drawn (TooLarge).
// Thread-safe.
SvgConversion emfToSvg(std::string_view data, std::int64_t maxSide, std::int64_t maxPixels);

} // namespace runpad
