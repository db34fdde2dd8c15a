// One picture decoder, chosen by the extension this program is built with
// (RUNPAD_FUZZ_EXTENSION): any bytes give a picture or AppError, never a
// crash, a hang or an allocation beyond the size limits.
#include "core/common/app_error.h"
#include "core/image/picture_decoder.h"
#include "platform/metafile_renderer.h"

#include "fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    runpad::fuzz::ensureApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace runpad;
    static const SvgMetafileRenderer metafiles;
    try {
        const QImage image = decodePicture(fuzz::bytesOf(data, size),
                                           QStringLiteral(RUNPAD_FUZZ_EXTENSION), &metafiles);
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
