#pragma once

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
// checks these before it allocates the pixels.
inline constexpr int kMaxPictureSide = 16384;
inline constexpr qint64 kMaxPicturePixels = 256'000'000;

// Throws AppError when a picture of this size may not be decoded.
void ensurePictureSizeAllowed(qint64 width, qint64 height);

// A picture to decode into, its pixels not yet set. Large ones get memory the system may back
// with huge pages: first touching tens of megabytes page by page costs as much as decoding them.
// Throws AppError when the memory cannot be had.
QImage newPicture(int width, int height, QImage::Format format);

// Decodes a picture file by its extension (case-insensitive): jpg/jpeg, png, bmp, ico, gif,
// tif/tiff, emf, wmf. The extension alone decides the decoder: a PNG named .bmp does not load.
// Throws AppError: "Unknown picture file extension (.%s)" for any other extension (%s = the
// extension as written, without the dot), the file error when it cannot be read, and the
// decoder's message for bad content. emf and wmf need a renderer; with none they fail with
// "Metafiles are not supported". The result is never a null image.
QImage decodePictureFile(const QString& path, const MetafileRenderer* metafiles);

// A 24-bit bitmap (Format_RGB888) of any decoded picture: transparent parts composed onto
// white. A null image gives a null image.
QImage toBitmap24(const QImage& image);

} // namespace runpad
