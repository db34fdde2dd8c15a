#include "core/image/picture_decoder.h"

#include "core/common/app_error.h"
#include "core/image/jpeg_codec.h"
#include "core/image/png_decoder.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <cstdlib>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace runpad {

namespace {

// Room for the largest picture we accept at the widest pixel format Qt's readers produce
// (8 bytes for 16-bit RGBA), in the megabytes QImageReader counts in.
constexpr int kReaderAllocationLimitMb = int(kMaxPicturePixels * 8 / (1024 * 1024)) + 1;

// No picture we can show comes close to this; a larger file is not read into memory at all.
constexpr qint64 kMaxFileBytes = qint64(2) * 1024 * 1024 * 1024;

QByteArray readWholeFile(const QString& path) {
    // A device or a pipe could be read forever, and opening a pipe waits for a writer.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        throw AppError(QStringLiteral("Cannot open file \"%1\". Not a regular file").arg(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()));
    if (file.size() > kMaxFileBytes)
        throw AppError(QStringLiteral("The picture file \"%1\" is too large").arg(path));
    QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw AppError(QStringLiteral("Cannot read file \"%1\". %2").arg(path, file.errorString()));
    return data;
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

#ifdef __linux__
constexpr size_t kHugePageBytes = size_t(2) * 1024 * 1024;

void freePixels(void* pixels) {
    std::free(pixels);
}

// Pixels aligned to huge pages and marked for them: a 24-megapixel picture then takes a few dozen
// page faults instead of eighteen thousand.
QImage newHugePagePicture(int width, int height, QImage::Format format) {
    const int depth = QImage::toPixelFormat(format).bitsPerPixel();
    const qsizetype bytesPerLine = (qsizetype(width) * depth + 31) / 32 * 4;
    const size_t bytes = size_t(bytesPerLine) * size_t(height);
    if (bytes < 4 * kHugePageBytes)
        return QImage();
    const size_t rounded = (bytes + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes;
    void* pixels = std::aligned_alloc(kHugePageBytes, rounded);
    if (!pixels)
        return QImage();
    madvise(pixels, rounded, MADV_HUGEPAGE);
    QImage image(static_cast<uchar*>(pixels), width, height, bytesPerLine, format, freePixels,
                 pixels);
    if (image.isNull())
        std::free(pixels);
    return image;
}
#endif

} // namespace

QImage newPicture(int width, int height, QImage::Format format) {
#ifdef __linux__
    QImage image = newHugePagePicture(width, height, format);
    if (!image.isNull())
        return image;
#endif
    QImage plain(width, height, format);
    if (plain.isNull()) {
        throw AppError(
            QStringLiteral("Not enough memory for a %1 x %2 picture").arg(width).arg(height));
    }
    return plain;
}

void ensurePictureSizeAllowed(qint64 width, qint64 height) {
    if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide ||
        width * height > kMaxPicturePixels) {
        throw AppError(QStringLiteral("The picture size %1 x %2 is not supported (at most %3 "
                                      "pixels a side and %4 megapixels)")
                           .arg(width)
                           .arg(height)
                           .arg(kMaxPictureSide)
                           .arg(kMaxPicturePixels / 1'000'000));
    }
}

QImage decodePictureFile(const QString& path, const MetafileRenderer* metafiles) {
    const QString extension = QFileInfo(path).suffix();
    const QString kind = extension.toLower();
    QImage image;
    if (kind == u"jpg" || kind == u"jpeg") {
        image = decodeJpeg(readWholeFile(path));
    } else if (kind == u"png") {
        image = decodePng(readWholeFile(path));
    } else if (kind == u"bmp") {
        image = readWithQt(readWholeFile(path), "bmp");
    } else if (kind == u"ico") {
        image = readWithQt(readWholeFile(path), "ico");
    } else if (kind == u"gif") {
        image = readWithQt(readWholeFile(path), "gif");
    } else if (kind == u"tif" || kind == u"tiff") {
        image = readWithQt(readWholeFile(path), "tiff");
    } else if (kind == u"emf" || kind == u"wmf") {
        if (!metafiles)
            throw AppError(QStringLiteral("Metafiles are not supported"));
        image =
            metafiles->render(readWholeFile(path), kind == u"emf" ? MetafileRenderer::Kind::Emf
                                                                  : MetafileRenderer::Kind::Wmf);
        if (image.isNull())
            throw AppError(QStringLiteral("The metafile \"%1\" cannot be drawn").arg(path));
    } else {
        throw AppError(QStringLiteral("Unknown picture file extension (.%1)").arg(extension));
    }
    return image;
}

QImage toBitmap24(const QImage& image) {
    if (image.isNull())
        return QImage();
    if (!image.hasAlphaChannel())
        return image.convertToFormat(QImage::Format_RGB888);

    const QImage source = image.convertToFormat(QImage::Format_RGBA8888);
    QImage result = newPicture(source.width(), source.height(), QImage::Format_RGB888);
    result.setDotsPerMeterX(image.dotsPerMeterX());
    result.setDotsPerMeterY(image.dotsPerMeterY());
    for (int y = 0; y < source.height(); ++y) {
        const uchar* in = source.constScanLine(y);
        uchar* out = result.scanLine(y);
        for (int x = 0; x < source.width(); ++x, in += 4, out += 3) {
            // Over white: c * a + 255 * (1 - a), rounded.
            const unsigned alpha = in[3];
            const unsigned white = 255 * (255 - alpha) + 127;
            out[0] = uchar((in[0] * alpha + white) / 255);
            out[1] = uchar((in[1] * alpha + white) / 255);
            out[2] = uchar((in[2] * alpha + white) / 255);
        }
    }
    return result;
}

} // namespace runpad
