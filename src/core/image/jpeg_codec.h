#pragma once

#include "core/image/picture_memory.h"

#include <QByteArray>
#include <QImage>
#include <QString>

namespace runpad {

// Decodes a JPEG (baseline or progressive; colour, greyscale, CMYK or YCCK) into
// Format_RGB888. A file cut short still decodes: libjpeg fills the missing part with grey, so
// the picture shows what arrived. Throws AppError with libjpeg's message when it cannot decode,
// and when the picture exceeds the size limits of picture_decoder.h. The pixels come from
// `memory` when given.
QImage decodeJpeg(const QByteArray& data, const PictureMemory* memory = nullptr);

// Encodes as cjpeg -quality 90 does: baseline, YCbCr with 4:2:0 subsampling, standard Huffman
// tables. Transparent parts are composed onto white. Throws AppError on failure (for instance an
// empty image).
QByteArray encodeJpeg(const QImage& image);

// True for a path whose extension is "jpg" in any letter case: the only
// pictures savePreviewAsJpeg writes.
bool isJpegPicturePath(const QString& path);

// Writes the picture as a JPEG file when the path's extension is "jpg" in any letter case; any
// other path is left alone and nothing is written. The new file replaces an older one only once it
// is written completely, and a failed write leaves the older file whole, wherever the folder lets
// us create a file beside it; where it does not, an existing picture that may be written is
// written in place. Anything but a regular file at the path is left alone. Failures throw AppError
// "Cannot create file "<path>". <reason>".
void savePreviewAsJpeg(const QImage& image, const QString& path);

} // namespace runpad
