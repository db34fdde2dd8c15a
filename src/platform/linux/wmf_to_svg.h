#pragma once

// Plain C++ on purpose: libwmf's headers define macros (U16, OPAQUE, ...) that break Qt's, so
// neither side may see the other's headers.

#include "platform/linux/svg_conversion.h"

#include <cstdint>
#include <string_view>

namespace runpad {

// Converts a Windows metafile (with or without the placeable header) to SVG text drawn at the
// size of its content's bounding box. Pictures wider or higher than maxSide, or with more than
// maxPixels pixels, are not drawn (TooLarge). A metafile with a bitmap that libwmf cannot read
// safely (a header it would loop on, a palette or pixels the record does not hold, a compressed
// bitmap of more than maxPixels bytes) is Invalid. The header's largest-record field is not
// trusted: libwmf is handed the size the records really have. Thread-safe.
SvgConversion wmfToSvg(std::string_view data, std::int64_t maxSide, std::int64_t maxPixels);

} // namespace runpad
