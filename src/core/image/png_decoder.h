#pragma once

#include "core/image/picture_memory.h"

#include <QByteArray>
#include <QImage>

namespace runpad {

// Decodes a PNG of any colour type, bit depth and interlacing: 16-bit samples are scaled to 8,
// palette and greyscale become RGB, a tRNS chunk becomes an alpha channel. The result is
// Format_RGBA8888 (straight alpha) when the picture has transparency, Format_RGB888 otherwise.
// Throws AppError with libpng's message for a damaged or truncated file, and when the picture
// exceeds the size limits of picture_decoder.h. The pixels come from `memory` when given.
QImage decodePng(const QByteArray& data, const PictureMemory* memory = nullptr);

} // namespace runpad
