#pragma once

#include <QImage>

namespace runpad {

// Where decoded pictures get their pixels. The platform may hand out memory that is cheaper to
// fill than ordinary pages; without one, pictures take QImage's own memory.
class PictureMemory {
public:
    virtual ~PictureMemory() = default;
    // A picture of this size and format, its pixels not yet set; a null image when the memory
    // cannot be had.
    virtual QImage allocate(int width, int height, QImage::Format format) const = 0;
};

} // namespace runpad
