#pragma once

#include <QLatin1StringView>

namespace runpad {

// The columns of the command table, as all program logic addresses them.
inline constexpr int kNumberCol = 0;
inline constexpr int kFunctionCol = 1;
inline constexpr int kCommandCol = 2;
inline constexpr int kDescriptionCol = 3;
inline constexpr int kImageCol = 4;
inline constexpr int kTableColumns = 5;

// The image column's text for a row whose preview picture exists.
inline constexpr QLatin1StringView kImageMarker("*");

} // namespace runpad
