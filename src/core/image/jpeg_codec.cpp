#include "core/image/jpeg_codec.h"

#include "core/common/app_error.h"
#include "core/image/picture_decoder.h"

#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <jerror.h>
#include <jpeglib.h>

namespace runpad {

namespace {

// Rows handed to libjpeg per call; a call may do fewer, up to the end of libjpeg's row group.
constexpr int kRowsPerCall = 16;

// A progressive file may repeat scans without end; each one costs a pass over the whole
// picture, so a hostile file could keep us busy for hours. Real encoders write about ten.
constexpr int kMaxScans = 500;

// libjpeg reports a fatal error by calling error_exit, which must not return. A C++ exception
// must not unwind libjpeg's C frames, so error_exit jumps back to the setjmp of the function that
// called into libjpeg; that function returns false and its caller throws, outside libjpeg.
// Functions holding a setjmp keep only trivially destructible locals.
struct ErrorManager {
    jpeg_error_mgr pub; // first, so libjpeg's pointer to it is a pointer to the whole
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void jumpOnError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings (a truncated file, stray bytes) are not shown to anyone; libjpeg still counts them.
void ignoreMessage(j_common_ptr) {}

jpeg_error_mgr* setUpErrors(ErrorManager& err) {
    jpeg_std_error(&err.pub);
    err.pub.error_exit = jumpOnError;
    err.pub.output_message = ignoreMessage;
    err.message[0] = '\0';
    return &err.pub;
}

AppError jpegError(const ErrorManager& err) {
    return AppError(QString::fromLatin1(err.message));
}

// ---- Decoding ----

struct Decoder {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    jpeg_progress_mgr progress;
};

void limitScans(j_common_ptr cinfo) {
    if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number <= kMaxScans)
        return;
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::snprintf(err->message, sizeof err->message,
                  "The JPEG file has more than %d scans and is not decoded", kMaxScans);
    std::longjmp(err->jump, 1);
}

bool readHeader(Decoder& d, const unsigned char* data, unsigned long size) {
    if (setjmp(d.err.jump))
        return false;
    jpeg_create_decompress(&d.cinfo);
    d.cinfo.progress = &d.progress;
    jpeg_mem_src(&d.cinfo, data, size);
    jpeg_read_header(&d.cinfo, TRUE);
    // libjpeg converts YCCK to CMYK but neither to RGB; that last step is ours.
    const bool inks = d.cinfo.jpeg_color_space == JCS_CMYK || d.cinfo.jpeg_color_space == JCS_YCCK;
    d.cinfo.out_color_space = inks ? JCS_CMYK : JCS_EXT_RGB;
    jpeg_calc_output_dimensions(&d.cinfo);
    return true;
}

unsigned char inkToLight(unsigned ink, unsigned black) {
    return static_cast<unsigned char>((ink * black + 127) / 255);
}

// Adobe writes CMYK inverted (255 = no ink) and marks such files with its APP14 marker.
void cmykToRgb(const unsigned char* in, unsigned char* out, JDIMENSION width, bool inverted) {
    for (JDIMENSION x = 0; x < width; ++x, in += 4, out += 3) {
        unsigned c = in[0], m = in[1], y = in[2], k = in[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        out[0] = inkToLight(c, k);
        out[1] = inkToLight(m, k);
        out[2] = inkToLight(y, k);
    }
}

bool readPixels(Decoder& d, unsigned char* bits, qsizetype stride) {
    if (setjmp(d.err.jump))
        return false;
    jpeg_start_decompress(&d.cinfo);
    const JDIMENSION width = d.cinfo.output_width;
    const JDIMENSION height = d.cinfo.output_height;
    const bool cmyk = d.cinfo.out_color_space == JCS_CMYK;
    JSAMPARRAY inkRows = nullptr;
    if (cmyk) {
        inkRows = (*d.cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&d.cinfo),
                                               JPOOL_IMAGE, width * 4, kRowsPerCall);
    }
    JSAMPROW rows[kRowsPerCall];
    while (d.cinfo.output_scanline < height) {
        const JDIMENSION first = d.cinfo.output_scanline;
        const JDIMENSION wanted = std::min<JDIMENSION>(kRowsPerCall, height - first);
        // Straight into the picture's rows, which are padded: one pointer per row.
        for (JDIMENSION i = 0; i < wanted; ++i)
            rows[i] = bits + qsizetype(first + i) * stride;
        const JDIMENSION got = jpeg_read_scanlines(&d.cinfo, cmyk ? inkRows : rows, wanted);
        if (got == 0) {
            std::snprintf(d.err.message, sizeof d.err.message, "The JPEG decoder stopped early");
            return false;
        }
        if (cmyk) {
            for (JDIMENSION i = 0; i < got; ++i)
                cmykToRgb(inkRows[i], rows[i], width, d.cinfo.saw_Adobe_marker);
        }
    }
    // No jpeg_finish_decompress: every row is there, and whatever follows the last scan cannot
    // change them; reading on would only let trailing damage reject a complete picture.
    return true;
}

struct DecoderCleanup {
    Decoder& d;
    ~DecoderCleanup() { jpeg_destroy_decompress(&d.cinfo); }
};

// ---- Encoding ----

struct FreeDeleter {
    void operator()(unsigned char* p) const { std::free(p); }
};

struct Encoder {
    jpeg_compress_struct cinfo;
    ErrorManager err;
    jpeg_destination_mgr dest;
    // Grown with realloc inside libjpeg's calls, where nothing may throw.
    unsigned char* buffer;
    size_t capacity;
    size_t size;
};

Encoder& encoderOf(j_compress_ptr cinfo) {
    return *static_cast<Encoder*>(cinfo->client_data);
}

void startBuffer(j_compress_ptr cinfo) {
    Encoder& e = encoderOf(cinfo);
    e.buffer = static_cast<unsigned char*>(std::malloc(e.capacity));
    if (!e.buffer)
        ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
    e.dest.next_output_byte = e.buffer;
    e.dest.free_in_buffer = e.capacity;
}

boolean growBuffer(j_compress_ptr cinfo) {
    Encoder& e = encoderOf(cinfo);
    const size_t grown = e.capacity * 2;
    auto* bigger = static_cast<unsigned char*>(std::realloc(e.buffer, grown));
    if (!bigger)
        ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
    e.buffer = bigger;
    e.dest.next_output_byte = bigger + e.capacity;
    e.dest.free_in_buffer = grown - e.capacity;
    e.capacity = grown;
    return TRUE;
}

void endBuffer(j_compress_ptr cinfo) {
    Encoder& e = encoderOf(cinfo);
    e.size = e.capacity - e.dest.free_in_buffer;
}

bool compress(Encoder& e, const unsigned char* bits, qsizetype stride, int width, int height) {
    if (setjmp(e.err.jump))
        return false;
    jpeg_create_compress(&e.cinfo);
    e.cinfo.client_data = &e;
    e.cinfo.dest = &e.dest;
    e.cinfo.image_width = JDIMENSION(width);
    e.cinfo.image_height = JDIMENSION(height);
    e.cinfo.input_components = 3;
    e.cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&e.cinfo);
    jpeg_set_quality(&e.cinfo, 90, TRUE);
    jpeg_start_compress(&e.cinfo, TRUE);
    JSAMPROW rows[kRowsPerCall];
    while (e.cinfo.next_scanline < e.cinfo.image_height) {
        const JDIMENSION first = e.cinfo.next_scanline;
        const JDIMENSION count = std::min<JDIMENSION>(kRowsPerCall, e.cinfo.image_height - first);
        // libjpeg only reads the rows; the cast spares a copy of a shared picture.
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = const_cast<JSAMPROW>(bits + qsizetype(first + i) * stride);
        jpeg_write_scanlines(&e.cinfo, rows, count);
    }
    jpeg_finish_compress(&e.cinfo);
    return true;
}

struct EncodedJpeg {
    std::unique_ptr<unsigned char, FreeDeleter> bytes;
    size_t size = 0;
};

EncodedJpeg encodeToMemory(const QImage& image) {
    const QImage rgb = toBitmap24(image);
    Encoder e{};
    e.cinfo.err = setUpErrors(e.err);
    e.dest.init_destination = startBuffer;
    e.dest.empty_output_buffer = growBuffer;
    e.dest.term_destination = endBuffer;
    // A quality-90 photo takes well under a byte a pixel; most pictures fit without a regrowth.
    e.capacity = 16384 + size_t(rgb.width()) * size_t(rgb.height()) / 2;
    const bool ok = compress(e, rgb.constBits(), rgb.bytesPerLine(), rgb.width(), rgb.height());
    jpeg_destroy_compress(&e.cinfo);
    EncodedJpeg result;
    result.bytes.reset(e.buffer);
    result.size = e.size;
    if (!ok)
        throw jpegError(e.err);
    return result;
}

AppError cannotCreate(const QString& path, const QString& reason) {
    return AppError(QStringLiteral("Cannot create file \"%1\". %2").arg(path, reason));
}

} // namespace

QImage decodeJpeg(const QByteArray& data, const PictureMemory* memory) {
    Decoder d{};
    d.cinfo.err = setUpErrors(d.err);
    d.progress.progress_monitor = limitScans;
    const DecoderCleanup cleanup{d};
    if (!readHeader(d, reinterpret_cast<const unsigned char*>(data.constData()),
                    static_cast<unsigned long>(data.size())))
        throw jpegError(d.err);
    ensurePictureSizeAllowed(d.cinfo.output_width, d.cinfo.output_height, kMaxJpegSide);
    QImage image = newPicture(int(d.cinfo.output_width), int(d.cinfo.output_height),
                              QImage::Format_RGB888, memory);
    if (!readPixels(d, image.bits(), image.bytesPerLine()))
        throw jpegError(d.err);
    return image;
}

QByteArray encodeJpeg(const QImage& image) {
    const EncodedJpeg jpeg = encodeToMemory(image);
    return QByteArray(reinterpret_cast<const char*>(jpeg.bytes.get()), qsizetype(jpeg.size));
}

bool isJpegPicturePath(const QString& path) {
    return QFileInfo(path).suffix().toLower() == u"jpg";
}

void savePreviewAsJpeg(const QImage& image, const QString& path) {
    if (!isJpegPicturePath(path))
        return;
    // Only a regular file is replaced: written in place, a pipe would wait for a reader for good,
    // and a device is no picture.
    const QFileInfo existing(path);
    if (existing.exists() && !existing.isFile() && !existing.isDir())
        throw cannotCreate(path, QStringLiteral("Not a regular file"));
    const EncodedJpeg jpeg = encodeToMemory(image);
    // QSaveFile writes beside the target and renames only after a complete write, so a failure
    // never leaves a half-written picture in place of the old one. Where the folder forbids new
    // files but the picture itself may be written, it writes the picture in place instead: the
    // save then works as it would for any other program. Unbuffered, because QSaveFile only
    // notices failed writes, not a failed flush of its buffer when it commits.
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw cannotCreate(path, file.errorString());
    // A short write sets no error; writing the rest then fails with the reason (a full disk).
    const char* next = reinterpret_cast<const char*>(jpeg.bytes.get());
    auto left = qint64(jpeg.size);
    while (left > 0) {
        const qint64 written = file.write(next, left);
        if (written <= 0)
            throw cannotCreate(path, file.errorString());
        next += written;
        left -= written;
    }
    if (!file.commit())
        throw cannotCreate(path, file.errorString());
}

} // namespace runpad
