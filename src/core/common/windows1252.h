#pragma once

// Windows-1252, the code page of old settings files and of metafile text.
// Free of Qt, so the metafile converter (which cannot include Qt headers) uses
// the same table as the text readers.

#include <array>

namespace runpad {

// Code points of bytes 0x80..0x9F. The five bytes the code page leaves
// unassigned keep their own value, as Windows' own conversion does, so no byte
// is lost.
inline constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// The code point of one Windows-1252 byte; bytes outside 0x80..0x9F are their
// own code point.
constexpr char16_t windows1252ToUnicode(unsigned char byte) {
    return (byte >= 0x80 && byte <= 0x9F) ? kWindows1252High[byte - 0x80] : char16_t(byte);
}

} // namespace runpad
