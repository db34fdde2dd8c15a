#pragma once

#include "core/image/picture_memory.h"

#include <QByteArray>
#include <QImage>
#include <QString>

namespace runpad {

// Draws EMF and WMF metafiles; the platform layer provides it, since core has no renderer of its
// own.
class MetafileRenderer {
public:
    virtual ~MetafileRenderer() = default;
    enum class Kind { Emf, Wmf };
    virtual QImage render(const QByteArray& data, Kind kind) const = 0;
};

// Largest picture any decoder accepts. A hostile header can claim any size, so every decoder
// checks these before it allocates the pixels. The pixel count bounds the memory; the side limits
// only keep to what the decoders and QImage can hold:
// - JPEG: libjpeg's own limit (JPEG_MAX_DIMENSION);
// - everything else (PNG, where it is also libpng's user limit, BMP, TIFF, GIF, ICO and
//   metafiles): libpng's default user limit, well inside QImage's own (about 33 million pixels a
//   row at 64 bits a pixel). GIF's 16-bit fields never come near it.
inline constexpr qint64 kMaxPicturePixels = 256'000'000;
inline constexpr int kMaxPictureSide = 1'000'000;
inline constexpr int kMaxJpegSide = 65500;

// Throws AppError when a picture of this size may not be decoded.
void ensurePictureSizeAllowed(qint64 width, qint64 height, int maxSide = kMaxPictureSide);

// A picture to decode into, its pixels not yet set, from `memory` when given (QImage's own
// memory otherwise). Throws AppError "Not enough memory for a <width> x <height> picture" when
// the memory cannot be had.
QImage newPicture(int width, int height, QImage::Format format,
                  const PictureMemory* memory = nullptr);

// Decodes a picture file by its extension (case-insensitive): jpg/jpeg, png, bmp, ico, gif,
// tif/tiff, emf, wmf. The extension alone decides the decoder: a PNG named .bmp does not load.
// Throws AppError: "Unknown picture file extension (.%s)" for any other extension (%s = the
// extension as written, without the dot), the file error when it cannot be read, and the
// decoder's message for bad content. emf and wmf need a renderer; with none they fail with
// "Metafiles are not supported". Only regular files are opened, and never in a way that blocks.
// The JPEG and PNG decoders take their pixels from `memory` when given. The result is never a
// null image.
QImage decodePictureFile(const QString& path, const MetafileRenderer* metafiles,
                         const PictureMemory* memory = nullptr);

// The decoding of decodePictureFile for bytes already read, by an extension given without the
// dot. A metafile the renderer cannot draw gives a null image; everything else that fails throws
// as decodePictureFile does.
QImage decodePicture(const QByteArray& data, const QString& extension,
                     const MetafileRenderer* metafiles, const PictureMemory* memory = nullptr);

// True for the extensions (without the dot, any letter case) decodePicture knows.
bool isPictureExtension(const QString& extension);

// A 24-bit bitmap (Format_RGB888) of any decoded picture: transparent parts composed onto
// white. A null image gives a null image. The result's pixels come from `memory` when given;
// besides the picture and the result only a few rows are held at any time. Throws AppError
// "Not enough memory for a <width> x <height> picture" when the memory cannot be had.
QImage toBitmap24(const QImage& image, const PictureMemory* memory = nullptr);

} // namespace runpad
