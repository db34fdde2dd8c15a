#include "core/image/png_decoder.h"

#include "core/common/app_error.h"
#include "core/image/picture_decoder.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <png.h>

namespace runpad {

namespace {

// libpng reports a fatal error through the error function, which must not return. A C++
// exception must not unwind libpng's C frames, so it jumps back to the setjmp of the function
// that called into libpng; that function returns false and its caller throws, outside libpng.
// Functions holding a setjmp keep only trivially destructible locals.
struct Reader {
    png_structp png;
    png_infop info;
    std::jmp_buf jump;
    char message[256];
    const unsigned char* data;
    size_t size;
    size_t position;
};

[[noreturn]] void jumpOnError(png_structp png, png_const_charp message) {
    auto* reader = static_cast<Reader*>(png_get_error_ptr(png));
    std::snprintf(reader->message, sizeof reader->message, "%s", message);
    std::longjmp(reader->jump, 1);
}

// Warnings concern ancillary details (a bad gamma chunk, an ignored tRNS) and are not shown.
void ignoreWarning(png_structp, png_const_charp) {}

void readBytes(png_structp png, png_bytep out, size_t length) {
    auto* reader = static_cast<Reader*>(png_get_io_ptr(png));
    if (length > reader->size - reader->position)
        png_error(png, "The PNG file ends too early");
    std::memcpy(out, reader->data + reader->position, length);
    reader->position += length;
}

bool readHeader(Reader& r) {
    if (setjmp(r.jump))
        return false;
    png_set_read_fn(r.png, &r, readBytes);
    png_set_user_limits(r.png, kMaxPictureSide, kMaxPictureSide);
    png_read_info(r.png, r.info);
    return true;
}

// Asks libpng for 8-bit RGB or RGBA whatever the file holds.
bool setUpTransforms(Reader& r) {
    if (setjmp(r.jump))
        return false;
    const png_byte colorType = png_get_color_type(r.png, r.info);
    const png_byte bitDepth = png_get_bit_depth(r.png, r.info);
    if (colorType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(r.png);
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8)
        png_set_expand_gray_1_2_4_to_8(r.png);
    if (png_get_valid(r.png, r.info, PNG_INFO_tRNS))
        png_set_tRNS_to_alpha(r.png);
    if (bitDepth == 16)
        png_set_scale_16(r.png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(r.png);
    png_set_interlace_handling(r.png);
    png_read_update_info(r.png, r.info);
    return true;
}

bool readRows(Reader& r, png_bytepp rows) {
    if (setjmp(r.jump))
        return false;
    png_read_image(r.png, rows);
    // No png_read_end: the pixels are complete, and damage in the chunks after them must not
    // reject the picture.
    return true;
}

struct ReaderCleanup {
    Reader& r;
    ~ReaderCleanup() { png_destroy_read_struct(&r.png, &r.info, nullptr); }
};

quint32 bigEndian32(const unsigned char* p) {
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | quint32(p[3]);
}

// IHDR must come first, so its size fields sit at a fixed place. Checking them there gives the
// same clear message as the other decoders; libpng's own limit, set in readHeader, only reports
// "Invalid IHDR data".
void checkDeclaredSize(const QByteArray& data) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.constData());
    if (data.size() < 24 || png_sig_cmp(bytes, 0, 8) != 0 ||
        std::memcmp(bytes + 12, "IHDR", 4) != 0)
        return;
    const quint32 width = bigEndian32(bytes + 16);
    const quint32 height = bigEndian32(bytes + 20);
    if (width != 0 && height != 0)
        ensurePictureSizeAllowed(width, height);
}

AppError pngError(const Reader& r) {
    return AppError(QString::fromLatin1(r.message));
}

} // namespace

QImage decodePng(const QByteArray& data, const PictureMemory* memory) {
    checkDeclaredSize(data);

    Reader r{};
    r.data = reinterpret_cast<const unsigned char*>(data.constData());
    r.size = size_t(data.size());
    // libpng's own handlers cover the creation, which has its own setjmp; ours take over once
    // our setjmp is in place.
    r.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!r.png)
        throw AppError(QStringLiteral("The PNG decoder cannot start"));
    const ReaderCleanup cleanup{r};
    png_set_error_fn(r.png, &r, jumpOnError, ignoreWarning);
    r.info = png_create_info_struct(r.png);
    if (!r.info)
        throw AppError(QStringLiteral("The PNG decoder cannot start"));

    if (!readHeader(r))
        throw pngError(r);
    ensurePictureSizeAllowed(png_get_image_width(r.png, r.info),
                             png_get_image_height(r.png, r.info));
    if (!setUpTransforms(r))
        throw pngError(r);

    const png_uint_32 width = png_get_image_width(r.png, r.info);
    const png_uint_32 height = png_get_image_height(r.png, r.info);
    const png_byte channels = png_get_channels(r.png, r.info);
    if (png_get_bit_depth(r.png, r.info) != 8 || (channels != 3 && channels != 4))
        throw AppError(QStringLiteral("Unsupported PNG pixel layout"));
    QImage image =
        newPicture(int(width), int(height),
                   channels == 4 ? QImage::Format_RGBA8888 : QImage::Format_RGB888, memory);
    uchar* const bits = image.bits();
    std::vector<png_bytep> rows(height);
    for (png_uint_32 y = 0; y < height; ++y)
        rows[y] = bits + qsizetype(y) * image.bytesPerLine();
    if (!readRows(r, rows.data()))
        throw pngError(r);
    return image;
}

} // namespace runpad
