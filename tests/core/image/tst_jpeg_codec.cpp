#include "core/common/app_error.h"
#include "core/image/jpeg_codec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using runpad::AppError;

namespace {

// What a JPEG file declares before its first scan.
struct JpegLayout {
    QList<int> frameMarkers; // SOFn markers, 0xC0 baseline, 0xC2 progressive
    int width = -1;
    int height = -1;
    QList<int> sampling;               // per component: horizontal * 16 + vertical factor
    QMap<int, QList<int>> quantTables; // table number -> 64 values in file (zigzag) order
    int scanCount = 0;
};

int be16(const QByteArray& data, qsizetype at) {
    return (uchar(data[at]) << 8) | uchar(data[at + 1]);
}

JpegLayout parseLayout(const QByteArray& jpeg) {
    JpegLayout layout;
    if (jpeg.size() < 4 || uchar(jpeg[0]) != 0xFF || uchar(jpeg[1]) != 0xD8)
        return layout;
    qsizetype at = 2;
    while (at + 4 <= jpeg.size() && uchar(jpeg[at]) == 0xFF) {
        const int marker = uchar(jpeg[at + 1]);
        const int length = be16(jpeg, at + 2);
        const qsizetype body = at + 4;
        if (marker == 0xDB) {
            for (qsizetype p = body; p < at + 2 + length;) {
                const int precision = uchar(jpeg[p]) >> 4;
                const int table = uchar(jpeg[p]) & 15;
                QList<int> values;
                for (int i = 0; i < 64; ++i)
                    values << (precision ? be16(jpeg, p + 1 + 2 * i) : uchar(jpeg[p + 1 + i]));
                layout.quantTables[table] = values;
                p += 1 + 64 * (precision ? 2 : 1);
            }
        } else if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
                   marker != 0xCC) {
            layout.frameMarkers << marker;
            layout.height = be16(jpeg, body + 1);
            layout.width = be16(jpeg, body + 3);
            const int components = uchar(jpeg[body + 5]);
            for (int c = 0; c < components; ++c)
                layout.sampling << uchar(jpeg[body + 6 + 3 * c + 1]);
        } else if (marker == 0xDA) {
            ++layout.scanCount;
            break;
        }
        at += 2 + length;
    }
    // Later scans of a progressive file follow entropy-coded data; counting their markers is
    // enough (0xFF 0xDA cannot occur inside that data, where 0xFF is always stuffed).
    layout.scanCount += int(jpeg.mid(at + 2).count(QByteArray("\xFF\xDA", 2)));
    return layout;
}

// The order in which the 64 coefficients of a block are stored: zigzag over the 8 x 8 grid.
std::array<int, 64> zigzagToNatural() {
    std::array<int, 64> order{};
    int k = 0;
    for (int diagonal = 0; diagonal < 15; ++diagonal) {
        for (int i = 0; i < 8; ++i) {
            const int row = diagonal % 2 ? i : diagonal - i;
            const int col = diagonal - row;
            if (row >= 0 && row < 8 && col >= 0 && col < 8)
                order[size_t(k++)] = row * 8 + col;
        }
    }
    return order;
}

// The example tables of the JPEG standard (Annex K), row by row, that libjpeg scales for a
// quality setting.
constexpr std::array<int, 64> kStandardLuminance = {
    16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
    14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
    18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
constexpr std::array<int, 64> kStandardChrominance = {
    17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99, 24, 26, 56, 99, 99, 99,
    99, 99, 47, 66, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

// The table as a quality-90 file stores it: scale 200 - 2 * 90 percent, rounded, within 1..255.
QList<int> quality90InFileOrder(const std::array<int, 64>& standard) {
    const int scale = 200 - 2 * 90;
    const std::array<int, 64> natural = zigzagToNatural();
    QList<int> values;
    for (int k = 0; k < 64; ++k)
        values << std::clamp((standard[size_t(natural[size_t(k)])] * scale + 50) / 100, 1, 255);
    return values;
}

// A smooth picture: JPEG keeps it closely, so a wrong channel, row or offset shows plainly.
QImage gradient(int width, int height) {
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.setPixelColor(x, y,
                                QColor(x * 255 / width, y * 255 / height, 160 - x * 100 / width));
    }
    return image;
}

enum class Ink { Rgb, Grey, Cmyk, Ycck };

struct WriterOptions {
    Ink ink = Ink::Rgb;
    bool progressive = false;
    int restartInterval = 0;
    bool fullChroma = false;
};

// Writes a JPEG with libjpeg itself, to feed the decoder files our encoder never makes.
// samples holds width * height pixels of 3 (RGB), 1 (grey) or 4 (CMYK) bytes.
// A scan script of its own replaces the standard one when given.
QByteArray writeWithLibjpeg(const std::vector<uchar>& samples, int width, int height,
                            const WriterOptions& options, std::vector<jpeg_scan_info> scans = {}) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    switch (options.ink) {
    case Ink::Rgb:
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_RGB;
        break;
    case Ink::Grey:
        cinfo.input_components = 1;
        cinfo.in_color_space = JCS_GRAYSCALE;
        break;
    case Ink::Cmyk:
    case Ink::Ycck:
        cinfo.input_components = 4;
        cinfo.in_color_space = JCS_CMYK;
        break;
    }
    jpeg_set_defaults(&cinfo);
    if (options.ink == Ink::Ycck)
        jpeg_set_colorspace(&cinfo, JCS_YCCK);
    jpeg_set_quality(&cinfo, 95, TRUE);
    if (options.fullChroma) {
        for (int c = 0; c < cinfo.num_components; ++c)
            cinfo.comp_info[c].h_samp_factor = cinfo.comp_info[c].v_samp_factor = 1;
    }
    if (options.progressive)
        jpeg_simple_progression(&cinfo);
    if (!scans.empty()) {
        cinfo.scan_info = scans.data();
        cinfo.num_scans = int(scans.size());
    }
    cinfo.restart_interval = JDIMENSION(options.restartInterval);
    jpeg_start_compress(&cinfo, TRUE);
    const size_t rowBytes = size_t(width) * size_t(cinfo.input_components);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(samples.data() + cinfo.next_scanline * rowBytes);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray bytes(reinterpret_cast<const char*>(buffer), qsizetype(size));
    std::free(buffer);
    return bytes;
}

std::vector<uchar> rgbSamples(const QImage& image) {
    std::vector<uchar> samples;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            samples.insert(samples.end(), {uchar(c.red()), uchar(c.green()), uchar(c.blue())});
        }
    }
    return samples;
}

std::vector<uchar> greySamples(const QImage& image) {
    std::vector<uchar> samples;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            samples.push_back(uchar(qGray(image.pixel(x, y))));
    }
    return samples;
}

QImage greyAsRgb(const QImage& image) {
    QImage grey(image.size(), QImage::Format_RGB888);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const int g = qGray(image.pixel(x, y));
            grey.setPixelColor(x, y, QColor(g, g, g));
        }
    }
    return grey;
}

// Left half pure red, right half a mid grey made of black ink only, stored the way Adobe does
// (255 = no ink), which the Adobe marker that libjpeg writes for CMYK announces.
const int kInkWidth = 32;
const int kInkHeight = 16;

std::vector<uchar> adobeInkSamples() {
    std::vector<uchar> samples;
    for (int y = 0; y < kInkHeight; ++y) {
        for (int x = 0; x < kInkWidth; ++x) {
            if (x < kInkWidth / 2)
                samples.insert(samples.end(), {255, 0, 0, 255});
            else
                samples.insert(samples.end(), {255, 255, 255, 128});
        }
    }
    return samples;
}

QImage inkExpected() {
    QImage image(kInkWidth, kInkHeight, QImage::Format_RGB888);
    for (int y = 0; y < kInkHeight; ++y) {
        for (int x = 0; x < kInkWidth; ++x)
            image.setPixelColor(x, y,
                                x < kInkWidth / 2 ? QColor(255, 0, 0) : QColor(128, 128, 128));
    }
    return image;
}

struct Difference {
    double mean = 0;
    int largest = 0;
};

Difference difference(const QImage& a, const QImage& b) {
    Difference d;
    qint64 sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            for (const int delta :
                 {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q)}) {
                sum += std::abs(delta);
                d.largest = std::max(d.largest, std::abs(delta));
            }
        }
    }
    d.mean = double(sum) / (3.0 * a.width() * a.height());
    return d;
}

// Every AC coefficient of a greyscale file sent on its own, one bit at a time: a valid file with
// far more scans than any encoder writes.
std::vector<jpeg_scan_info> bitByBitScans() {
    std::vector<jpeg_scan_info> scans;
    jpeg_scan_info dc{};
    dc.comps_in_scan = 1;
    scans.push_back(dc);
    for (int k = 1; k < 64; ++k) {
        for (int bit = 10; bit >= 0; --bit) {
            jpeg_scan_info scan{};
            scan.comps_in_scan = 1;
            scan.Ss = k;
            scan.Se = k;
            scan.Ah = bit == 10 ? 0 : bit + 1;
            scan.Al = bit;
            scans.push_back(scan);
        }
    }
    return scans;
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Makes every write beyond a few bytes fail, as a full disk would, for as long as it lives.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*previousHandler_)(int) = nullptr;
};

} // namespace

class TestJpegCodec : public QObject {
    Q_OBJECT

private slots:
    void savedFileIsBaselineQuality90();
    void savedFileRoundTrips();
    void transparentPartsAreSavedWhite();
    void decodesVariants_data();
    void decodesVariants();
    void truncatedFileShowsWhatArrived();
    void rejectsBrokenData_data();
    void rejectsBrokenData();
    void savesOnlyJpgExtension_data();
    void savesOnlyJpgExtension();
    void replacesOlderFile();
    void failedCreationThrowsFileError();
    void failedWriteKeepsOlderFileWhole();
    void leavesWhatIsNoRegularFileAlone();
    void folderWithoutRoomForNewFiles_data();
    void folderWithoutRoomForNewFiles();
    void emptyPictureWritesNothing();
};

void TestJpegCodec::savedFileIsBaselineQuality90() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("shot.jpg"));
    runpad::savePreviewAsJpeg(gradient(37, 23), path);

    const JpegLayout layout = parseLayout(readFile(path));
    QCOMPARE(layout.frameMarkers, QList<int>{0xC0});
    QCOMPARE(layout.width, 37);
    QCOMPARE(layout.height, 23);
    QCOMPARE(layout.scanCount, 1);
    // Colour with 4:2:0 subsampling: luminance 2 x 2, both chroma components 1 x 1.
    QCOMPARE(layout.sampling, (QList<int>{0x22, 0x11, 0x11}));
    QCOMPARE(layout.quantTables.keys(), (QList<int>{0, 1}));
    QCOMPARE(layout.quantTables[0], quality90InFileOrder(kStandardLuminance));
    QCOMPARE(layout.quantTables[1], quality90InFileOrder(kStandardChrominance));
}

void TestJpegCodec::savedFileRoundTrips() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("shot.jpg"));
    const QImage source = gradient(64, 48);
    runpad::savePreviewAsJpeg(source, path);

    const QImage decoded = runpad::decodeJpeg(readFile(path));
    QCOMPARE(decoded.size(), source.size());
    QCOMPARE(decoded.format(), QImage::Format_RGB888);
    const Difference d = difference(decoded, source);
    QVERIFY2(d.mean < 1.5 && d.largest <= 10,
             qPrintable(QStringLiteral("mean %1, largest %2").arg(d.mean).arg(d.largest)));
}

void TestJpegCodec::transparentPartsAreSavedWhite() {
    QImage source(16, 16, QImage::Format_ARGB32);
    source.fill(Qt::transparent);
    const QImage decoded = runpad::decodeJpeg(runpad::encodeJpeg(source));
    QImage white(16, 16, QImage::Format_RGB888);
    white.fill(Qt::white);
    QVERIFY(difference(decoded, white).largest <= 1);
}

void TestJpegCodec::decodesVariants_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("frameMarker");
    QTest::addColumn<QImage>("expected");
    QTest::addColumn<double>("meanTolerance");
    QTest::addColumn<int>("largestTolerance");

    const QImage picture = gradient(61, 37);
    const std::vector<uchar> rgb = rgbSamples(picture);
    const std::vector<uchar> grey = greySamples(picture);
    const QImage greyPicture = greyAsRgb(picture);

    QTest::newRow("baseline colour 4:2:0")
        << writeWithLibjpeg(rgb, 61, 37, {}) << 0xC0 << picture << 1.5 << 12;
    QTest::newRow("baseline colour 4:4:4 with restart markers")
        << writeWithLibjpeg(rgb, 61, 37, {.restartInterval = 1, .fullChroma = true}) << 0xC0
        << picture << 1.0 << 6;
    QTest::newRow("progressive colour")
        << writeWithLibjpeg(rgb, 61, 37, {.progressive = true}) << 0xC2 << picture << 1.5 << 12;
    QTest::newRow("baseline greyscale")
        << writeWithLibjpeg(grey, 61, 37, {.ink = Ink::Grey}) << 0xC0 << greyPicture << 1.0 << 4;
    QTest::newRow("progressive greyscale")
        << writeWithLibjpeg(grey, 61, 37, {.ink = Ink::Grey, .progressive = true}) << 0xC2
        << greyPicture << 1.0 << 4;
    QTest::newRow("Adobe CMYK") << writeWithLibjpeg(adobeInkSamples(), kInkWidth, kInkHeight,
                                                    {.ink = Ink::Cmyk})
                                << 0xC0 << inkExpected() << 1.0 << 6;
    QTest::newRow("Adobe YCCK") << writeWithLibjpeg(adobeInkSamples(), kInkWidth, kInkHeight,
                                                    {.ink = Ink::Ycck, .fullChroma = true})
                                << 0xC0 << inkExpected() << 1.0 << 6;
    QTest::newRow("progressive Adobe CMYK")
        << writeWithLibjpeg(adobeInkSamples(), kInkWidth, kInkHeight,
                            {.ink = Ink::Cmyk, .progressive = true})
        << 0xC2 << inkExpected() << 1.0 << 6;
}

void TestJpegCodec::decodesVariants() {
    QFETCH(QByteArray, file);
    QFETCH(int, frameMarker);
    QFETCH(QImage, expected);
    QFETCH(double, meanTolerance);
    QFETCH(int, largestTolerance);

    QCOMPARE(parseLayout(file).frameMarkers, QList<int>{frameMarker});
    const QImage decoded = runpad::decodeJpeg(file);
    QCOMPARE(decoded.format(), QImage::Format_RGB888);
    QCOMPARE(decoded.size(), expected.size());
    const Difference d = difference(decoded, expected);
    QVERIFY2(d.mean <= meanTolerance && d.largest <= largestTolerance,
             qPrintable(QStringLiteral("mean %1, largest %2").arg(d.mean).arg(d.largest)));
}

void TestJpegCodec::truncatedFileShowsWhatArrived() {
    const QImage source = gradient(64, 64);
    const QByteArray whole = runpad::encodeJpeg(source);
    // Half of the picture data, after all of the tables.
    const qsizetype scan = whole.indexOf(QByteArray("\xFF\xDA", 2));
    const QImage decoded = runpad::decodeJpeg(whole.left(scan + (whole.size() - scan) / 2));

    QCOMPARE(decoded.size(), source.size());
    QVERIFY(difference(decoded.copy(0, 0, 64, 8), source.copy(0, 0, 64, 8)).mean < 1.5);
    // libjpeg fills what is missing with zero coefficients: mid grey.
    const QColor missing = decoded.pixelColor(63, 63);
    QVERIFY2(std::abs(missing.red() - 128) <= 2 && std::abs(missing.green() - 128) <= 2 &&
                 std::abs(missing.blue() - 128) <= 2,
             qPrintable(missing.name()));
}

void TestJpegCodec::rejectsBrokenData_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("message");

    const QByteArray good = runpad::encodeJpeg(gradient(32, 16));
    const qsizetype sof = good.indexOf(QByteArray("\xFF\xC0", 2));
    auto patched = [&](qsizetype offset, QByteArray bytes) {
        QByteArray file = good;
        file.replace(sof + offset, bytes.size(), bytes);
        return file;
    };

    // libjpeg's own texts, with their parameters filled in.
    QTest::newRow("empty") << QByteArray() << QStringLiteral("Empty input file");
    QTest::newRow("png signature") << QByteArray("\x89PNG\r\n\x1A\n", 8)
                                   << QStringLiteral("Not a JPEG file: starts with 0x89 0x50");
    QTest::newRow("start marker only")
        << good.left(2) << QStringLiteral("JPEG datastream contains no image");
    QTest::newRow("12-bit samples")
        << patched(4, QByteArray(1, 12)) << QStringLiteral("Unsupported JPEG data precision 12");
    QTest::newRow("zero height") << patched(5, QByteArray(2, 0))
                                 << QStringLiteral("Empty JPEG image (DNL not supported)");
    QTest::newRow("65501 pixels wide")
        << patched(5, QByteArray("\x00\x10\xFF\xDD", 4))
        << QStringLiteral("Maximum supported image dimension is 65500 pixels");
    // Sizes libjpeg accepts but we refuse before allocating the pixels.
    QTest::newRow("60000 x 60000 frame")
        << patched(5, QByteArray("\xEA\x60\xEA\x60", 4))
        << QStringLiteral("The picture size 60000 x 60000 is not supported (at most 65500 "
                          "pixels a side and 256 megapixels)");
    QTest::newRow("16384 x 16000 frame")
        << patched(5, QByteArray("\x3E\x80\x40\x00", 4))
        << QStringLiteral("The picture size 16384 x 16000 is not supported (at most 65500 pixels "
                          "a side and 256 megapixels)");
    QTest::newRow("more scans than any encoder writes")
        << writeWithLibjpeg(std::vector<uchar>(64, 100), 8, 8, {.ink = Ink::Grey}, bitByBitScans())
        << QStringLiteral("The JPEG file has more than 500 scans and is not decoded");
}

void TestJpegCodec::rejectsBrokenData() {
    QFETCH(QByteArray, file);
    QFETCH(QString, message);
    try {
        runpad::decodeJpeg(file);
        QFAIL("decoded");
    } catch (const AppError& e) {
        QCOMPARE(e.message(), message);
    }
}

void TestJpegCodec::savesOnlyJpgExtension_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("written");

    QTest::newRow("lower-case jpg") << QStringLiteral("run.bat.jpg") << true;
    QTest::newRow("upper-case JPG") << QStringLiteral("SHOT.JPG") << true;
    QTest::newRow("mixed-case Jpg") << QStringLiteral("shot.Jpg") << true;
    QTest::newRow("empty command gives a bare extension") << QStringLiteral(".jpg") << true;
    QTest::newRow("jpeg") << QStringLiteral("shot.jpeg") << false;
    QTest::newRow("png") << QStringLiteral("shot.png") << false;
    QTest::newRow("jpg not last") << QStringLiteral("shot.jpg.bak") << false;
    QTest::newRow("no extension") << QStringLiteral("jpg") << false;
    QTest::newRow("trailing dot") << QStringLiteral("shot.jpg.") << false;
}

void TestJpegCodec::savesOnlyJpgExtension() {
    QFETCH(QString, name);
    QFETCH(bool, written);
    QTemporaryDir dir;
    runpad::savePreviewAsJpeg(gradient(8, 8), dir.filePath(name));

    const QStringList entries = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    if (written) {
        QCOMPARE(entries, QStringList{name});
        QCOMPARE(runpad::decodeJpeg(readFile(dir.filePath(name))).size(), QSize(8, 8));
    } else {
        QVERIFY2(entries.isEmpty(), qPrintable(entries.join(u',')));
    }
}

void TestJpegCodec::replacesOlderFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("shot.jpg"));
    writeFile(path, QByteArray(100000, 'x'));
    runpad::savePreviewAsJpeg(gradient(20, 10), path);

    QCOMPARE(runpad::decodeJpeg(readFile(path)).size(), QSize(20, 10));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"shot.jpg"});
}

void TestJpegCodec::failedCreationThrowsFileError() {
    // The tests may run as root, for whom a read-only folder is no obstacle: a regular file in
    // place of the folder is.
    QTemporaryDir dir;
    const QString blocker = dir.filePath(QStringLiteral("tools"));
    writeFile(blocker, "not a folder");
    const QString path = blocker + QStringLiteral("/run.bat.jpg");
    try {
        runpad::savePreviewAsJpeg(gradient(8, 8), path);
        QFAIL("written");
    } catch (const AppError& e) {
        QCOMPARE(
            e.message(),
            QStringLiteral("Cannot create file \"%1\". %2").arg(path, qt_error_string(ENOTDIR)));
    }
    QCOMPARE(readFile(blocker), QByteArray("not a folder"));
}

void TestJpegCodec::failedWriteKeepsOlderFileWhole() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("shot.jpg"));
    const QByteArray older = runpad::encodeJpeg(gradient(8, 8));
    writeFile(path, older);
    try {
        // Room for the older file, not for the new and larger one.
        const FileSizeLimit limit(rlim_t(older.size()) + 10);
        runpad::savePreviewAsJpeg(gradient(400, 300), path);
        QFAIL("written");
    } catch (const AppError& e) {
        QCOMPARE(e.message(),
                 QStringLiteral("Cannot create file \"%1\". %2").arg(path, qt_error_string(EFBIG)));
    }
    QCOMPARE(readFile(path), older);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"shot.jpg"});
}

void TestJpegCodec::leavesWhatIsNoRegularFileAlone() {
    // Written in place, as where the folder allows no new files, a pipe would wait for a reader.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("shot.jpg"));
    QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    try {
        runpad::savePreviewAsJpeg(gradient(8, 8), path);
        QFAIL("written");
    } catch (const AppError& e) {
        QCOMPARE(e.message(),
                 QStringLiteral("Cannot create file \"%1\". Not a regular file").arg(path));
    }
    QVERIFY(QFileInfo(path).exists() && !QFileInfo(path).isFile());
    QCOMPARE(QDir(dir.path())
                 .entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{"shot.jpg"});
}

void TestJpegCodec::folderWithoutRoomForNewFiles_data() {
    QTest::addColumn<bool>("pictureExists");
    QTest::newRow("an existing picture is written in place") << true;
    QTest::newRow("a new picture cannot be created") << false;
}

void TestJpegCodec::folderWithoutRoomForNewFiles() {
    QFETCH(bool, pictureExists);
    if (geteuid() == 0)
        QSKIP("root may create files in any folder");
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("locked"));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("locked")));
    const QString path = folder + QStringLiteral("/shot.jpg");
    if (pictureExists)
        writeFile(path, "older");
    // No new files in the folder; the picture itself stays writable.
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    const auto unlock = qScopeGuard([&] {
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    });

    if (pictureExists) {
        runpad::savePreviewAsJpeg(gradient(20, 10), path);
        QCOMPARE(runpad::decodeJpeg(readFile(path)).size(), QSize(20, 10));
    } else {
        try {
            runpad::savePreviewAsJpeg(gradient(20, 10), path);
            QFAIL("written");
        } catch (const AppError& e) {
            QCOMPARE(
                e.message(),
                QStringLiteral("Cannot create file \"%1\". %2").arg(path, qt_error_string(EACCES)));
        }
    }
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden),
             pictureExists ? QStringList{"shot.jpg"} : QStringList());
}

void TestJpegCodec::emptyPictureWritesNothing() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("shot.jpg"));
    writeFile(path, "older");
    QVERIFY_THROWS_EXCEPTION(AppError, runpad::savePreviewAsJpeg(QImage(), path));
    QCOMPARE(readFile(path), QByteArray("older"));
}

QTEST_GUILESS_MAIN(TestJpegCodec)
#include "tst_jpeg_codec.moc"
