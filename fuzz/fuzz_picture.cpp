// One picture decoder, chosen by the extension this program is built with
// (RUNPAD_FUZZ_EXTENSION): any bytes give a picture or AppError, never a
// crash, a hang or an allocation beyond the size limits.
#include "core/common/app_error.h"
#include "core/image/picture_decoder.h"
#include "platform/metafile_renderer.h"

#include "fuzz_support.h"

#include <QBuffer>
#include <QImageReader>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    runpad::fuzz::ensureApplication();
    return 0;
}

namespace {

// A picture the readers accept may claim up to kMaxPicturePixels; decoding
// one of those from a few bytes takes seconds and would slow the search to a
// crawl. Such legal sizes are left out; sizes beyond the limit still go to
// the decoder, whose refusal is what matters there.
constexpr qint64 kSearchPixels = 4'000'000;

bool legalButSlow(const QByteArray& bytes) {
    const QByteArray format =
        QByteArray(RUNPAD_FUZZ_EXTENSION) == "tif" ? "tiff" : RUNPAD_FUZZ_EXTENSION;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAutoDetectImageFormat(false);
    // Top-down bitmaps report a negative height, which is no valid size.
    const QSize size = reader.size();
    const qint64 pixels = qAbs(qint64(size.width())) * qAbs(qint64(size.height()));
    return pixels > kSearchPixels && pixels <= runpad::kMaxPicturePixels;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace runpad;
    static const SvgMetafileRenderer metafiles;
    const QByteArray bytes = fuzz::bytesOf(data, size);
    static const bool qtReader =
        QList<QByteArray>{"bmp", "ico", "gif", "tif"}.contains(QByteArray(RUNPAD_FUZZ_EXTENSION));
    if (qtReader && legalButSlow(bytes))
        return 0;
    try {
        const QImage image =
            decodePicture(bytes, QStringLiteral(RUNPAD_FUZZ_EXTENSION), &metafiles);
        if (image.isNull())
            return 0; // a metafile nothing could be drawn of
        if (qint64(image.width()) * image.height() > kMaxPicturePixels)
            abort();
        // The preview's conversion; skipped for pictures whose size alone makes it slow.
        if (qint64(image.width()) * image.height() <= 4'000'000)
            (void)toBitmap24(image);
    } catch (const AppError&) {
    }
    return 0;
}
