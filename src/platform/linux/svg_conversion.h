#pragma once

// What the metafile converters give back. Plain C++ on purpose: the converters
// include library headers that must never meet Qt's.

#include <cstdint>
#include <string>

namespace runpad {

struct SvgConversion {
    // Unavailable: the converting library could not be loaded (see problem).
    enum class Status { Ok, Invalid, TooLarge, Unavailable };
    Status status = Status::Invalid;
    std::string problem;
    std::string svg; // the SVG document when Ok
    // The picture's size in pixels; set for Ok and TooLarge.
    std::int64_t width = 0;
    std::int64_t height = 0;
};

} // namespace runpad
