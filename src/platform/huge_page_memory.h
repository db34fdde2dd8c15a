#pragma once

#include "core/image/picture_memory.h"

namespace runpad {

// Pixels for large pictures in memory the system may back with huge pages: first touching tens
// of megabytes page by page costs as much as decoding them, and a 24-megapixel picture then takes
// a few dozen page faults instead of eighteen thousand. Small pictures, and large ones when such
// memory cannot be had, get ordinary QImage memory.
class HugePageMemory : public PictureMemory {
public:
    QImage allocate(int width, int height, QImage::Format format) const override;
};

} // namespace runpad
