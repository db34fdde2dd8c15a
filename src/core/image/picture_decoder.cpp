#include "core/image/picture_decoder.h"

#include "core/common/app_error.h"
#include "core/common/regular_file.h"
#include "core/image/jpeg_codec.h"
#include "core/image/png_decoder.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>

#include <cerrno>
#include <cstring>
#include <optional>
#include <utility>

namespace runpad {

namespace {

// Room for the largest picture we accept at the widest pixel format Qt's readers produce
// (8 bytes for 16-bit RGBA), in the megabytes QImageReader counts in.
constexpr int kReaderAllocationLimitMb = int(kMaxPicturePixels * 8 / (1024 * 1024)) + 1;

// No picture we can show comes close to this; a larger file is not read into memory at all.
constexpr qint64 kMaxFileBytes = qint64(2) * 1024 * 1024 * 1024;

// Rows converted at a time by toBitmap24: a sliver of any picture worth the care, and enough rows
// that the cost of each call into Qt's converter does not show.
constexpr int kBandRows = 64;

QByteArray readWholeFile(const QString& path) {
    std::optional<QByteArray> data = readRegularFile(path, kMaxFileBytes);
    // Gone since the caller looked: the same error as any file that cannot be opened.
    if (!data) {
        throw AppError(
            QStringLiteral("Cannot open file \"%1\". %2").arg(path, qt_error_string(ENOENT)));
    }
    return std::move(*data);
}

AppError notEnoughMemory(qint64 width, qint64 height) {
    return AppError(
        QStringLiteral("Not enough memory for a %1 x %2 picture").arg(width).arg(height));
}

// Rows [first, first + count) of a picture as a picture of their own, sharing its pixels.
QImage band(const QImage& image, int first, int count) {
    QImage rows(image.constScanLine(first), image.width(), count, image.bytesPerLine(),
                image.format());
    rows.setColorTable(image.colorTable());
    return rows;
}

QImage readWithQt(const QByteArray& data, const char* format) {
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    // The extension alone picks the decoder, as with the other types: no sniffing of the content
    // and no falling back to another format.
    reader.setDecideFormatFromContent(false);
    reader.setAutoDetectImageFormat(false);
    reader.setAllocationLimit(kReaderAllocationLimitMb);
    // The readers check the signature only here, and Qt's GIF reader accepts any six bytes in
    // place of its signature as long as a picture follows.
    const bool gif = qstrcmp(format, "gif") == 0;
    if (!reader.canRead() || (gif && !data.startsWith("GIF87a") && !data.startsWith("GIF89a")))
        throw AppError(QStringLiteral("The file is not in %1 format")
                           .arg(QString::fromLatin1(format).toUpper()));
    const QSize size = reader.size();
    if (size.isValid())
        ensurePictureSizeAllowed(size.width(), size.height());
    QImage image = reader.read();
    if (image.isNull())
        throw AppError(reader.errorString());
    ensurePictureSizeAllowed(image.width(), image.height());
    return image;
}

} // namespace

QImage newPicture(int width, int height, QImage::Format format, const PictureMemory* memory) {
    QImage image = memory ? memory->allocate(width, height, format) : QImage(width, height, format);
    if (image.isNull() || image.size() != QSize(width, height) || image.format() != format)
        throw notEnoughMemory(width, height);
    return image;
}

void ensurePictureSizeAllowed(qint64 width, qint64 height, int maxSide) {
    if (width <= 0 || height <= 0 || width > maxSide || height > maxSide ||
        width * height > kMaxPicturePixels) {
        throw AppError(QStringLiteral("The picture size %1 x %2 is not supported (at most %3 "
                                      "pixels a side and %4 megapixels)")
                           .arg(width)
                           .arg(height)
                           .arg(maxSide)
                           .arg(kMaxPicturePixels / 1'000'000));
    }
}

QImage decodePictureFile(const QString& path, const MetafileRenderer* metafiles,
                         const PictureMemory* memory) {
    const QString extension = QFileInfo(path).suffix();
    // The extension is checked before the file is read, so an unknown kind costs no read.
    if (!isPictureExtension(extension))
        throw AppError(QStringLiteral("Unknown picture file extension (.%1)").arg(extension));
    QImage image = decodePicture(readWholeFile(path), extension, metafiles, memory);
    if (image.isNull())
        throw AppError(QStringLiteral("The metafile \"%1\" cannot be drawn").arg(path));
    return image;
}

bool isPictureExtension(const QString& extension) {
    const QString kind = extension.toLower();
    for (const char* known :
         {"jpg", "jpeg", "png", "bmp", "ico", "gif", "tif", "tiff", "emf", "wmf"})
        if (kind == QLatin1StringView(known))
            return true;
    return false;
}

QImage decodePicture(const QByteArray& data, const QString& extension,
                     const MetafileRenderer* metafiles, const PictureMemory* memory) {
    const QString kind = extension.toLower();
    if (kind == u"jpg" || kind == u"jpeg")
        return decodeJpeg(data, memory);
    if (kind == u"png")
        return decodePng(data, memory);
    if (kind == u"bmp")
        return readWithQt(data, "bmp");
    if (kind == u"ico")
        return readWithQt(data, "ico");
    if (kind == u"gif")
        return readWithQt(data, "gif");
    if (kind == u"tif" || kind == u"tiff")
        return readWithQt(data, "tiff");
    if (kind == u"emf" || kind == u"wmf") {
        if (!metafiles)
            throw AppError(QStringLiteral("Metafiles are not supported"));
        return metafiles->render(data, kind == u"emf" ? MetafileRenderer::Kind::Emf
                                                      : MetafileRenderer::Kind::Wmf);
    }
    throw AppError(QStringLiteral("Unknown picture file extension (.%1)").arg(extension));
}

QImage toBitmap24(const QImage& image, const PictureMemory* memory) {
    if (image.isNull())
        return QImage();
    if (image.format() == QImage::Format_RGB888)
        return image;

    const int width = image.width();
    const int height = image.height();
    QImage result = newPicture(width, height, QImage::Format_RGB888, memory);
    result.setDotsPerMeterX(image.dotsPerMeterX());
    result.setDotsPerMeterY(image.dotsPerMeterY());
    uchar* const bits = result.bits();
    const qsizetype stride = result.bytesPerLine();
    const bool alpha = image.hasAlphaChannel();
    // A band at a time: converting the whole picture first would hold a third full-size copy.
    for (int first = 0; first < height; first += kBandRows) {
        const int count = qMin(kBandRows, height - first);
        const QImage converted =
            band(image, first, count)
                .convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
        if (converted.isNull())
            throw notEnoughMemory(width, height);
        for (int row = 0; row < count; ++row) {
            const uchar* in = converted.constScanLine(row);
            uchar* out = bits + qsizetype(first + row) * stride;
            if (!alpha) {
                std::memcpy(out, in, size_t(width) * 3);
                continue;
            }
            for (int x = 0; x < width; ++x, in += 4, out += 3) {
                // Over white: c * a + 255 * (1 - a), rounded.
                const unsigned alphaValue = in[3];
                const unsigned white = 255 * (255 - alphaValue) + 127;
                out[0] = uchar((in[0] * alphaValue + white) / 255);
                out[1] = uchar((in[1] * alphaValue + white) / 255);
                out[2] = uchar((in[2] * alphaValue + white) / 255);
            }
        }
    }
    return result;
}

} // namespace runpad
