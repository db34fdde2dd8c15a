#pragma once

#include "core/image/picture_memory.h"

namespace runpad {

// Pixels for pictures of more than a few pages, made present in one request to the system before
// the decoder fills them. Touched page by page, every page costs a fault of its own, and on a
// virtual machine those faults take longer than the decode itself. Pictures of tens of megabytes
// also get huge pages where the system has them, so a 24-megapixel picture takes a few dozen
// pages instead of eighteen thousand. Small pictures, and any picture when such memory cannot be
// had, get ordinary QImage memory.
class ResidentPictureMemory : public PictureMemory {
public:
    QImage allocate(int width, int height, QImage::Format format) const override;
};

} // namespace runpad
