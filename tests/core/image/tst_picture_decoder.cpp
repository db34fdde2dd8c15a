#include "core/common/app_error.h"
#include "core/image/jpeg_codec.h"
#include "core/image/picture_decoder.h"
#include "core/image/picture_memory.h"
#include "core/image/png_decoder.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <cerrno>
#include <optional>

#include <sys/stat.h>

using runpad::AppError;
using runpad::MetafileRenderer;

namespace {

const QString kCorpusDir = QStringLiteral(RUNPAD_SOURCE_DIR "/../shared/corpora/PngSuite");

// The common fixture: 32 x 16, left half red, right half blue. Halves of 16 pixels keep JPEG's
// chroma blocks from mixing the two colours at the points we look at.
const QSize kSize(32, 16);
const QPoint kLeft(4, 8);
const QPoint kRight(27, 8);
const QColor kPanoramaColour(200, 30, 60);

QImage twoHalves(const QColor& left, const QColor& right, QImage::Format format) {
    QImage image(kSize, format);
    for (int y = 0; y < kSize.height(); ++y) {
        for (int x = 0; x < kSize.width(); ++x)
            image.setPixelColor(x, y, x < kSize.width() / 2 ? left : right);
    }
    return image;
}

QImage redBlue() {
    return twoHalves(Qt::red, Qt::blue, QImage::Format_RGB32);
}

QImage clearBlue() {
    return twoHalves(Qt::transparent, Qt::blue, QImage::Format_ARGB32);
}

QByteArray qtWritten(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format))
        qFatal("Qt cannot write %s", format);
    return bytes;
}

// A GIF with a four-colour table. Every pixel goes out as its own 3-bit LZW code, with a clear
// code before every second one, so the decoder's code table never grows past 3 bits. The
// declared size may differ from the number of pixels sent, as in a hostile file.
QByteArray gifBytes(QSize declared, const QList<int>& pixels, const std::array<QRgb, 4>& palette,
                    int transparentIndex = -1) {
    auto word = [](int v) {
        QByteArray bytes;
        bytes += char(v & 0xFF);
        bytes += char((v >> 8) & 0xFF);
        return bytes;
    };
    QByteArray gif("GIF89a");
    gif += word(declared.width()) + word(declared.height());
    gif += QByteArray("\x91\x00\x00", 3); // global table of 4 entries, 8-bit colour
    for (const QRgb c : palette) {
        gif += char(qRed(c));
        gif += char(qGreen(c));
        gif += char(qBlue(c));
    }
    if (transparentIndex >= 0) {
        gif += QByteArray("\x21\xF9\x04\x01\x00\x00", 6);
        gif += char(transparentIndex);
        gif += '\0';
    }
    gif += QByteArray("\x2C\x00\x00\x00\x00", 5);
    gif += word(declared.width()) + word(declared.height());
    gif += QByteArray("\x00\x02", 2); // no local table; LZW minimum code size 2

    const int clear = 4;
    const int end = 5;
    QList<int> codes;
    for (int i = 0; i < pixels.size(); ++i) {
        if (i % 2 == 0)
            codes << clear;
        codes << pixels[i];
    }
    codes << end;
    QByteArray packed;
    quint32 bits = 0;
    int count = 0;
    for (const int code : codes) {
        bits |= quint32(code) << count;
        count += 3;
        while (count >= 8) {
            packed += char(bits & 0xFF);
            bits >>= 8;
            count -= 8;
        }
    }
    if (count > 0)
        packed += char(bits & 0xFF);
    for (qsizetype at = 0; at < packed.size(); at += 255) {
        const QByteArray block = packed.mid(at, 255);
        gif += char(block.size());
        gif += block;
    }
    gif += QByteArray("\x00\x3B", 2);
    return gif;
}

// Index 0 in the left half, index 1 in the right.
QList<int> halvesOfIndices() {
    QList<int> pixels;
    for (int y = 0; y < kSize.height(); ++y) {
        for (int x = 0; x < kSize.width(); ++x)
            pixels << (x < kSize.width() / 2 ? 0 : 1);
    }
    return pixels;
}

// A larger, busy picture for the damage tests, so that most of each file is picture data and a
// cut or a flipped byte lands there.
const QSize kBusySize(256, 128);

int busyIndex(int x, int y) {
    return (x * 7 + y * 13 + (x * y) / 5) % 4;
}

const std::array<QRgb, 4> kBusyPalette = {qRgb(255, 0, 0), qRgb(0, 160, 0), qRgb(0, 0, 255),
                                          qRgb(250, 240, 20)};

QImage busy() {
    QImage image(kBusySize, QImage::Format_RGB32);
    for (int y = 0; y < kBusySize.height(); ++y) {
        for (int x = 0; x < kBusySize.width(); ++x)
            image.setPixel(x, y, kBusyPalette[size_t(busyIndex(x, y))]);
    }
    return image;
}

QByteArray busyGif() {
    QList<int> pixels;
    for (int y = 0; y < kBusySize.height(); ++y) {
        for (int x = 0; x < kBusySize.width(); ++x)
            pixels << busyIndex(x, y);
    }
    return gifBytes(kBusySize, pixels, kBusyPalette);
}

QByteArray redBlueGif() {
    return gifBytes(kSize, halvesOfIndices(), {qRgb(255, 0, 0), qRgb(0, 0, 255), 0, 0});
}

QByteArray clearBlueGif() {
    return gifBytes(kSize, halvesOfIndices(), {qRgb(0, 255, 0), qRgb(0, 0, 255), 0, 0}, 0);
}

quint32 crc32(const QByteArray& bytes) {
    quint32 crc = 0xFFFFFFFF;
    for (const char byte : bytes) {
        crc ^= uchar(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    return ~crc;
}

void putBigEndian32(QByteArray& bytes, qsizetype at, quint32 value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = char(value >> (24 - 8 * i));
}

void putLittleEndian(QByteArray& bytes, qsizetype at, quint32 value, int size) {
    for (int i = 0; i < size; ++i)
        bytes[at + i] = char(value >> (8 * i));
}

quint32 littleEndian(const QByteArray& bytes, qsizetype at, int size) {
    quint32 value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | uchar(bytes[at + i]);
    return value;
}

// A valid PNG that declares another size in its IHDR, with a correct checksum, so that only the
// size can be refused.
QByteArray pngDeclaring(quint32 width, quint32 height) {
    QByteArray png = qtWritten(redBlue(), "PNG");
    putBigEndian32(png, 16, width);
    putBigEndian32(png, 20, height);
    putBigEndian32(png, 29, crc32(png.mid(12, 17)));
    return png;
}

QByteArray jpegDeclaring(int width, int height) {
    QByteArray jpeg = runpad::encodeJpeg(redBlue());
    const qsizetype sof = jpeg.indexOf(QByteArray("\xFF\xC0", 2));
    jpeg[sof + 5] = char(height >> 8);
    jpeg[sof + 6] = char(height);
    jpeg[sof + 7] = char(width >> 8);
    jpeg[sof + 8] = char(width);
    return jpeg;
}

QByteArray bmpDeclaring(int width, int height) {
    QByteArray bmp = qtWritten(redBlue(), "BMP");
    putLittleEndian(bmp, 18, quint32(width), 4);
    putLittleEndian(bmp, 22, quint32(height), 4);
    return bmp;
}

// Rewrites the width and height tags of the first IFD of a little-endian TIFF.
QByteArray tiffDeclaring(int width, int height) {
    QByteArray tiff = qtWritten(redBlue(), "TIFF");
    if (!tiff.startsWith("II*"))
        qFatal("Qt wrote a big-endian TIFF");
    const quint32 ifd = littleEndian(tiff, 4, 4);
    const int entries = int(littleEndian(tiff, ifd, 2));
    for (int i = 0; i < entries; ++i) {
        const qsizetype entry = ifd + 2 + 12 * i;
        const quint32 tag = littleEndian(tiff, entry, 2);
        const int fieldSize = littleEndian(tiff, entry + 2, 2) == 3 ? 2 : 4;
        if (tag == 256)
            putLittleEndian(tiff, entry + 8, quint32(width), fieldSize);
        else if (tag == 257)
            putLittleEndian(tiff, entry + 8, quint32(height), fieldSize);
    }
    return tiff;
}

QString writeFixture(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write the fixture %s", qPrintable(path));
    return path;
}

bool near(const QColor& actual, const QColor& expected, int tolerance) {
    return std::abs(actual.red() - expected.red()) <= tolerance &&
           std::abs(actual.green() - expected.green()) <= tolerance &&
           std::abs(actual.blue() - expected.blue()) <= tolerance;
}

QString describe(const QColor& c) {
    return QStringLiteral("(%1, %2, %3, %4)")
        .arg(c.red())
        .arg(c.green())
        .arg(c.blue())
        .arg(c.alpha());
}

class FakeMetafiles : public MetafileRenderer {
public:
    QImage render(const QByteArray& data, Kind kind) const override {
        received = data;
        receivedKind = kind;
        return result;
    }
    QImage result;
    mutable QByteArray received;
    mutable std::optional<Kind> receivedKind;
};

// Hands out memory as told: none at all, or QImage's own while it notes what was asked for.
class FakeMemory : public runpad::PictureMemory {
public:
    explicit FakeMemory(bool available) : available_(available) {}
    QImage allocate(int width, int height, QImage::Format format) const override {
        asked << qMakePair(QSize(width, height), format);
        return available_ ? QImage(width, height, format) : QImage();
    }
    mutable QList<QPair<QSize, QImage::Format>> asked;

private:
    bool available_;
};

enum class Outcome { Fails, Decodes, Either };

} // namespace

Q_DECLARE_METATYPE(Outcome)

class TestPictureDecoder : public QObject {
    Q_OBJECT

private slots:
    void decodesEachType_data();
    void decodesEachType();
    void transparentPartsBecomeWhite_data();
    void transparentPartsBecomeWhite();
    void unknownExtension_data();
    void unknownExtension();
    void unreadableFiles_data();
    void unreadableFiles();
    void extensionAloneChoosesDecoder_data();
    void extensionAloneChoosesDecoder();
    void metafilesGoToRenderer_data();
    void metafilesGoToRenderer();
    void metafilesWithoutRenderer();
    void metafileRendererWithoutPicture();
    void damagedFiles_data();
    void damagedFiles();
    void oversizedHeadersRefused_data();
    void oversizedHeadersRefused();
    void panoramasDecode_data();
    void panoramasDecode();
    void pngVariants_data();
    void pngVariants();
    void pngSuite_data();
    void pngSuite();
    void toBitmap24_data();
    void toBitmap24();
    void toBitmap24KeepsEveryRow_data();
    void toBitmap24KeepsEveryRow();
    void withoutMemoryForTheBitmap_data();
    void withoutMemoryForTheBitmap();
    void decodersTakeTheGivenMemory_data();
    void decodersTakeTheGivenMemory();
};

void TestPictureDecoder::decodesEachType_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("tolerance");

    const QByteArray jpeg = runpad::encodeJpeg(redBlue());
    QTest::newRow("bmp") << "picture.bmp" << qtWritten(redBlue(), "BMP") << 0;
    QTest::newRow("png") << "picture.png" << qtWritten(redBlue(), "PNG") << 0;
    QTest::newRow("upper-case PNG") << "PICTURE.PNG" << qtWritten(redBlue(), "PNG") << 0;
    QTest::newRow("jpg") << "picture.jpg" << jpeg << 8;
    QTest::newRow("upper-case JPG") << "Photo.JPG" << jpeg << 8;
    QTest::newRow("jpeg") << "picture.jpeg" << jpeg << 8;
    QTest::newRow("gif") << "picture.gif" << redBlueGif() << 0;
    QTest::newRow("ico") << "picture.ico" << qtWritten(redBlue(), "ICO") << 0;
    QTest::newRow("tif") << "picture.tif" << qtWritten(redBlue(), "TIFF") << 0;
    QTest::newRow("tiff") << "picture.Tiff" << qtWritten(redBlue(), "TIFF") << 0;
    QTest::newRow("dots in the folder and the name")
        << "run.v2.bat.png" << qtWritten(redBlue(), "PNG") << 0;
}

void TestPictureDecoder::decodesEachType() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(int, tolerance);
    QTemporaryDir dir;
    const QImage bitmap =
        runpad::toBitmap24(runpad::decodePictureFile(writeFixture(dir, name, bytes), nullptr));

    QCOMPARE(bitmap.size(), kSize);
    QCOMPARE(bitmap.format(), QImage::Format_RGB888);
    QVERIFY2(near(bitmap.pixelColor(kLeft), Qt::red, tolerance),
             qPrintable(describe(bitmap.pixelColor(kLeft))));
    QVERIFY2(near(bitmap.pixelColor(kRight), Qt::blue, tolerance),
             qPrintable(describe(bitmap.pixelColor(kRight))));
}

void TestPictureDecoder::transparentPartsBecomeWhite_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("png with alpha") << "clear.png" << qtWritten(clearBlue(), "PNG");
    QTest::newRow("gif with a transparent index") << "clear.gif" << clearBlueGif();
    QTest::newRow("ico with alpha") << "clear.ico" << qtWritten(clearBlue(), "ICO");
    QTest::newRow("tif with alpha") << "clear.tif" << qtWritten(clearBlue(), "TIFF");
}

void TestPictureDecoder::transparentPartsBecomeWhite() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QImage bitmap =
        runpad::toBitmap24(runpad::decodePictureFile(writeFixture(dir, name, bytes), nullptr));

    QCOMPARE(bitmap.pixelColor(kLeft), QColor(Qt::white));
    QCOMPARE(bitmap.pixelColor(kRight), QColor(Qt::blue));
}

void TestPictureDecoder::unknownExtension_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");

    QTest::newRow("text file") << "notes.txt"
                               << "Unknown picture file extension (.txt)";
    QTest::newRow("case kept as written") << "photo.XYZ"
                                          << "Unknown picture file extension (.XYZ)";
    QTest::newRow("last extension counts") << "photo.jpg.bak"
                                           << "Unknown picture file extension (.bak)";
    QTest::newRow("no extension") << "README"
                                  << "Unknown picture file extension (.)";
    QTest::newRow("svg is not in the list") << "icon.svg"
                                            << "Unknown picture file extension (.svg)";
    QTest::newRow("cursor is not an icon") << "arrow.cur"
                                           << "Unknown picture file extension (.cur)";
}

void TestPictureDecoder::unknownExtension() {
    QFETCH(QString, name);
    QFETCH(QString, message);
    QTemporaryDir dir;
    // A real picture inside: the extension alone decides.
    const QString path = writeFixture(dir, name, qtWritten(redBlue(), "PNG"));
    try {
        runpad::decodePictureFile(path, nullptr);
        QFAIL("decoded");
    } catch (const AppError& e) {
        QCOMPARE(e.message(), message);
    }
}

void TestPictureDecoder::unreadableFiles_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("reason");

    QTest::newRow("missing") << "missing" << qt_error_string(ENOENT);
    QTest::newRow("folder") << "folder"
                            << "Not a regular file";
    // Would be read without end.
    QTest::newRow("link to /dev/zero") << "zero"
                                       << "Not a regular file";
    // Opening it would wait for a writer.
    QTest::newRow("pipe") << "pipe"
                          << "Not a regular file";
}

void TestPictureDecoder::unreadableFiles() {
    QFETCH(QString, entry);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("picture.png"));
    if (entry == u"folder")
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("picture.png")));
    if (entry == u"zero")
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
    if (entry == u"pipe")
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    try {
        runpad::decodePictureFile(path, nullptr);
        QFAIL("decoded");
    } catch (const AppError& e) {
        QCOMPARE(e.message(), QStringLiteral("Cannot open file \"%1\". %2").arg(path, reason));
    }
}

void TestPictureDecoder::extensionAloneChoosesDecoder_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");

    const QByteArray png = qtWritten(redBlue(), "PNG");
    QTest::newRow("png named bmp") << "p.bmp" << png;
    QTest::newRow("png named gif") << "p.gif" << png;
    QTest::newRow("png named ico") << "p.ico" << png;
    QTest::newRow("png named tif") << "p.tif" << png;
    QTest::newRow("png named jpg") << "p.jpg" << png;
    QTest::newRow("jpeg named png") << "p.png" << runpad::encodeJpeg(redBlue());
    QTest::newRow("bmp named gif") << "p.gif" << qtWritten(redBlue(), "BMP");
    QTest::newRow("gif named tiff") << "p.tiff" << redBlueGif();
}

void TestPictureDecoder::extensionAloneChoosesDecoder() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    QVERIFY_THROWS_EXCEPTION(AppError,
                             runpad::decodePictureFile(writeFixture(dir, name, bytes), nullptr));
}

void TestPictureDecoder::metafilesGoToRenderer_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<MetafileRenderer::Kind>("kind");

    QTest::newRow("emf") << "drawing.emf" << MetafileRenderer::Kind::Emf;
    QTest::newRow("upper-case EMF") << "DRAWING.EMF" << MetafileRenderer::Kind::Emf;
    QTest::newRow("wmf") << "drawing.wmf" << MetafileRenderer::Kind::Wmf;
    QTest::newRow("mixed-case Wmf") << "drawing.Wmf" << MetafileRenderer::Kind::Wmf;
}

void TestPictureDecoder::metafilesGoToRenderer() {
    QFETCH(QString, name);
    QFETCH(MetafileRenderer::Kind, kind);
    QTemporaryDir dir;
    FakeMetafiles metafiles;
    metafiles.result = redBlue();
    const QByteArray content("metafile records", 16);

    const QImage image = runpad::decodePictureFile(writeFixture(dir, name, content), &metafiles);
    QCOMPARE(image, metafiles.result);
    QCOMPARE(metafiles.received, content);
    QVERIFY(metafiles.receivedKind == kind);
}

void TestPictureDecoder::metafilesWithoutRenderer() {
    QTemporaryDir dir;
    const QString path = writeFixture(dir, QStringLiteral("drawing.wmf"), "records");
    try {
        runpad::decodePictureFile(path, nullptr);
        QFAIL("decoded");
    } catch (const AppError& e) {
        QCOMPARE(e.message(), QStringLiteral("Metafiles are not supported"));
    }
}

void TestPictureDecoder::metafileRendererWithoutPicture() {
    QTemporaryDir dir;
    FakeMetafiles metafiles; // renders nothing
    const QString path = writeFixture(dir, QStringLiteral("drawing.emf"), "records");
    QVERIFY_THROWS_EXCEPTION(AppError, runpad::decodePictureFile(path, &metafiles));
}

void TestPictureDecoder::damagedFiles_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Outcome>("outcome");

    struct Type {
        const char* extension;
        QByteArray bytes;
        Outcome whenHalved;
    };
    const QList<Type> types = {
        {"png", qtWritten(busy(), "PNG"), Outcome::Fails},
        // libjpeg fills the missing part with grey: the picture shows what arrived.
        {"jpg", runpad::encodeJpeg(busy()), Outcome::Decodes},
        {"bmp", qtWritten(busy(), "BMP"), Outcome::Either},
        {"gif", busyGif(), Outcome::Either},
        {"ico", qtWritten(busy(), "ICO"), Outcome::Either},
        {"tif", qtWritten(busy(), "TIFF"), Outcome::Either},
    };
    for (const Type& type : types) {
        const QString name = QStringLiteral("damaged.") + QLatin1String(type.extension);
        auto row = [&](const char* what) {
            return &QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(type.extension, what)));
        };
        QByteArray flippedSignature = type.bytes;
        flippedSignature[0] = char(~flippedSignature[0]);
        flippedSignature[1] = char(~flippedSignature[1]);
        QByteArray flippedThroughout = type.bytes;
        for (qsizetype i = 12; i < flippedThroughout.size(); i += 7)
            flippedThroughout[i] = char(flippedThroughout[i] ^ 0x5A);
        const qsizetype third = type.bytes.size() / 3;
        const QByteArray zeroedTail =
            type.bytes.left(third) + QByteArray(type.bytes.size() - third, '\0');

        *row("empty") << name << QByteArray() << Outcome::Fails;
        *row("cut after 6 bytes") << name << type.bytes.left(6) << Outcome::Fails;
        *row("signature flipped") << name << flippedSignature << Outcome::Fails;
        *row("cut in half") << name << type.bytes.left(type.bytes.size() / 2) << type.whenHalved;
        // Damage inside the data: PNG's checksums catch it; the others may show garbage.
        *row("bytes flipped throughout")
            << name << flippedThroughout
            << (type.whenHalved == Outcome::Fails ? Outcome::Fails : Outcome::Either);
        *row("last two thirds zeroed")
            << name << zeroedTail
            << (type.whenHalved == Outcome::Fails ? Outcome::Fails : Outcome::Either);
    }
}

void TestPictureDecoder::damagedFiles() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(Outcome, outcome);
    QTemporaryDir dir;
    const QString path = writeFixture(dir, name, bytes);

    QImage image;
    bool failed = false;
    try {
        image = runpad::decodePictureFile(path, nullptr);
    } catch (const AppError& e) {
        failed = true;
        QVERIFY(!e.message().isEmpty());
    }
    if (outcome == Outcome::Fails)
        QVERIFY2(failed, "decoded");
    if (outcome == Outcome::Decodes) {
        QVERIFY2(!failed, "failed");
        QCOMPARE(image.size(), kBusySize);
    }
    if (!failed) {
        QVERIFY(!image.isNull());
        QVERIFY(image.width() <= runpad::kMaxPictureSide &&
                image.height() <= runpad::kMaxPictureSide);
        QCOMPARE(runpad::toBitmap24(image).size(), image.size());
    }
}

void TestPictureDecoder::oversizedHeadersRefused_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("size");
    QTest::addColumn<int>("side");

    const int side = runpad::kMaxPictureSide;
    const int jpegSide = runpad::kMaxJpegSide;
    QTest::newRow("png 100000 x 100000")
        << "huge.png" << pngDeclaring(100000, 100000) << "100000 x 100000" << side;
    QTest::newRow("png a pixel wider than allowed")
        << "huge.png" << pngDeclaring(side + 1, 1) << QStringLiteral("%1 x 1").arg(side + 1)
        << side;
    QTest::newRow("png 16384 x 16000 has too many pixels")
        << "huge.png" << pngDeclaring(16384, 16000) << "16384 x 16000" << side;
    QTest::newRow("png 2^31 - 1 wide")
        << "huge.png" << pngDeclaring(0x7FFFFFFF, 1) << "2147483647 x 1" << side;
    QTest::newRow("jpg 60000 x 60000")
        << "huge.jpg" << jpegDeclaring(60000, 60000) << "60000 x 60000" << jpegSide;
    // libjpeg refuses this one itself, with its own message, while it reads the header.
    QTest::newRow("jpg a pixel wider than libjpeg allows")
        << "huge.jpg" << jpegDeclaring(jpegSide + 1, 1) << "" << 0;
    QTest::newRow("bmp a pixel wider than allowed")
        << "huge.bmp" << bmpDeclaring(side + 1, 10) << QStringLiteral("%1 x 10").arg(side + 1)
        << side;
    // Qt's BMP reader refuses this one itself, before telling its size.
    QTest::newRow("bmp 100000 x 100000") << "huge.bmp" << bmpDeclaring(100000, 100000) << "" << 0;
    QTest::newRow("tif 60000 x 60000")
        << "huge.tif" << tiffDeclaring(60000, 60000) << "60000 x 60000" << side;
    QTest::newRow("gif 60000 x 60000")
        << "huge.gif"
        << gifBytes(QSize(60000, 60000), {0, 1, 0, 1}, {qRgb(255, 0, 0), qRgb(0, 0, 255), 0, 0})
        << "60000 x 60000" << side;
}

void TestPictureDecoder::oversizedHeadersRefused() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, size);
    QFETCH(int, side);
    QTemporaryDir dir;
    try {
        runpad::decodePictureFile(writeFixture(dir, name, bytes), nullptr);
        QFAIL("decoded");
    } catch (const AppError& e) {
        if (!size.isEmpty()) {
            QCOMPARE(e.message(), QStringLiteral("The picture size %1 is not supported (at most "
                                                 "%2 pixels a side and 256 megapixels)")
                                      .arg(size)
                                      .arg(side));
        }
    }
}

// Long, narrow pictures well inside the pixel limit decode whole, up to what each format holds.
void TestPictureDecoder::panoramasDecode_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("tolerance");

    auto solid = [](QSize size) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(kPanoramaColour);
        return image;
    };
    QTest::newRow("png 16385 x 1")
        << "wide.png" << qtWritten(solid({16385, 1}), "PNG") << QSize(16385, 1) << 0;
    QTest::newRow("png 20000 x 1000")
        << "wide.png" << qtWritten(solid({20000, 1000}), "PNG") << QSize(20000, 1000) << 0;
    QTest::newRow("png 1 x 70000")
        << "tall.png" << qtWritten(solid({1, 70000}), "PNG") << QSize(1, 70000) << 0;
    QTest::newRow("jpg as wide as libjpeg allows")
        << "wide.jpg" << runpad::encodeJpeg(solid({runpad::kMaxJpegSide, 16}))
        << QSize(runpad::kMaxJpegSide, 16) << 8;
    QTest::newRow("bmp 40000 x 2")
        << "wide.bmp" << qtWritten(solid({40000, 2}), "BMP") << QSize(40000, 2) << 0;
    QTest::newRow("tif 40000 x 2")
        << "wide.tif" << qtWritten(solid({40000, 2}), "TIFF") << QSize(40000, 2) << 0;
    QList<int> pixels(65535 * 2, 0);
    QTest::newRow("gif as wide as the format holds")
        << "wide.gif" << gifBytes(QSize(65535, 2), pixels, {kPanoramaColour.rgb(), 0, 0, 0})
        << QSize(65535, 2) << 0;
}

void TestPictureDecoder::panoramasDecode() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QSize, size);
    QFETCH(int, tolerance);
    QTemporaryDir dir;
    const QImage bitmap =
        runpad::toBitmap24(runpad::decodePictureFile(writeFixture(dir, name, bytes), nullptr));
    QCOMPARE(bitmap.size(), size);
    const QPoint farCorner(size.width() - 1, size.height() - 1);
    QVERIFY2(near(bitmap.pixelColor(farCorner), kPanoramaColour, tolerance),
             qPrintable(describe(bitmap.pixelColor(farCorner))));
}

void TestPictureDecoder::pngVariants_data() {
    QTest::addColumn<QImage>("source");
    QTest::addColumn<int>("colourType");
    QTest::addColumn<int>("bitDepth");
    QTest::addColumn<QImage::Format>("format");

    // Pixels that tell the channels and the rows apart.
    const QList<QColor> colours = {QColor(255, 0, 0),     QColor(0, 255, 0),    QColor(0, 0, 255),
                                   QColor(17, 34, 51),    QColor(200, 100, 50), QColor(1, 2, 3),
                                   QColor(255, 255, 255), QColor(0, 0, 0)};
    auto filled = [&](QImage::Format format, bool translucent) {
        QImage image(4, 2, format);
        for (int i = 0; i < 8; ++i) {
            QColor c = colours[i];
            if (translucent)
                c.setAlpha(i * 36);
            image.setPixelColor(i % 4, i / 4, c);
        }
        return image;
    };
    QImage grey(4, 2, QImage::Format_Grayscale8);
    QImage grey16(4, 2, QImage::Format_Grayscale16);
    for (int i = 0; i < 8; ++i) {
        grey.setPixel(i % 4, i / 4, qRgb(i * 36, i * 36, i * 36));
        reinterpret_cast<quint16*>(grey16.scanLine(i / 4))[i % 4] = quint16(i * 36 * 257);
    }
    QImage palette(4, 2, QImage::Format_Indexed8);
    palette.setColorTable({qRgb(255, 0, 0), qRgb(0, 128, 0), qRgb(10, 20, 30)});
    QImage clearPalette(4, 2, QImage::Format_Indexed8);
    clearPalette.setColorTable({qRgba(0, 0, 0, 0), qRgb(0, 128, 0), qRgba(10, 20, 30, 128)});
    for (int i = 0; i < 8; ++i) {
        palette.setPixel(i % 4, i / 4, uint(i % 3));
        clearPalette.setPixel(i % 4, i / 4, uint(i % 3));
    }
    QImage mono(4, 2, QImage::Format_Mono);
    mono.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    for (int i = 0; i < 8; ++i)
        mono.setPixel(i % 4, i / 4, uint(i % 2));

    QTest::newRow("8-bit RGB") << filled(QImage::Format_RGB32, false) << 2 << 8
                               << QImage::Format_RGB888;
    QTest::newRow("8-bit RGBA") << filled(QImage::Format_ARGB32, true) << 6 << 8
                                << QImage::Format_RGBA8888;
    QTest::newRow("16-bit RGBA scaled to 8")
        << filled(QImage::Format_RGBA64, true) << 6 << 16 << QImage::Format_RGBA8888;
    QTest::newRow("16-bit RGB scaled to 8")
        << filled(QImage::Format_RGBX64, false) << 2 << 16 << QImage::Format_RGB888;
    QTest::newRow("8-bit grey") << grey << 0 << 8 << QImage::Format_RGB888;
    QTest::newRow("16-bit grey") << grey16 << 0 << 16 << QImage::Format_RGB888;
    QTest::newRow("palette") << palette << 3 << 8 << QImage::Format_RGB888;
    QTest::newRow("palette with transparent entries")
        << clearPalette << 3 << 8 << QImage::Format_RGBA8888;
    QTest::newRow("1-bit palette") << mono << 3 << 1 << QImage::Format_RGB888;
}

void TestPictureDecoder::pngVariants() {
    QFETCH(QImage, source);
    QFETCH(int, colourType);
    QFETCH(int, bitDepth);
    QFETCH(QImage::Format, format);
    const QByteArray png = qtWritten(source, "PNG");
    // The fixture is the kind of file the row names.
    QCOMPARE(int(uchar(png[25])), colourType);
    QCOMPARE(int(uchar(png[24])), bitDepth);

    const QImage decoded = runpad::decodePng(png);
    QCOMPARE(decoded.format(), format);
    QCOMPARE(decoded.size(), source.size());
    const QImage expected = source.convertToFormat(QImage::Format_RGBA8888);
    for (int y = 0; y < source.height(); ++y) {
        for (int x = 0; x < source.width(); ++x) {
            QColor want = expected.pixelColor(x, y);
            if (format == QImage::Format_RGB888)
                want.setAlpha(255);
            QVERIFY2(decoded.pixelColor(x, y) == want,
                     qPrintable(QStringLiteral("(%1, %2): %3, expected %4")
                                    .arg(x)
                                    .arg(y)
                                    .arg(describe(decoded.pixelColor(x, y)), describe(want))));
        }
    }
}

void TestPictureDecoder::pngSuite_data() {
    QTest::addColumn<QString>("path");
    const QDir corpus(kCorpusDir);
    if (!corpus.exists())
        QSKIP("The PngSuite corpus is not beside the checkout");
    const QStringList files = corpus.entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
    for (const QString& file : files)
        QTest::newRow(qPrintable(file)) << corpus.filePath(file);
}

// Files starting with x are damaged and must fail; all others must decode to what Qt's own PNG
// reader, an independent libpng client, makes of them.
void TestPictureDecoder::pngSuite() {
    QFETCH(QString, path);
    const bool damaged = QFileInfo(path).fileName().startsWith(u'x');
    QImage decoded;
    try {
        decoded = runpad::decodePictureFile(path, nullptr);
    } catch (const AppError& e) {
        if (damaged)
            return;
        QFAIL(qPrintable(e.message()));
    }
    QVERIFY2(!damaged, "a damaged file decoded");

    // Qt 6.4 misreads 16-bit RGB files with a transparent colour: it shows the matching pixels
    // (white, in both files) opaque and some others wrong. Their raw samples tell what is right.
    const QString name = QFileInfo(path).fileName();
    if (name == u"tbbn2c16.png" || name == u"tbgn2c16.png") {
        QCOMPARE(decoded.pixelColor(0, 0), QColor(255, 255, 255, 0));
        QCOMPARE(decoded.pixelColor(24, 0), QColor(255, 255, 255, 0));
        QCOMPARE(decoded.pixelColor(14, 2), QColor(227, 227, 227));
        return;
    }

    QImage reference(path, "PNG");
    QVERIFY(!reference.isNull());
    QCOMPARE(decoded.size(), reference.size());
    QCOMPARE(decoded.hasAlphaChannel(), reference.hasAlphaChannel());
    // Qt keeps 16-bit samples and rounds them on conversion; libpng's scaling may land one off.
    const int tolerance = reference.depth() > 32 ? 1 : 0;
    reference = reference.convertToFormat(QImage::Format_RGBA8888);
    for (int y = 0; y < reference.height(); ++y) {
        for (int x = 0; x < reference.width(); ++x) {
            const QColor got = decoded.pixelColor(x, y);
            const QColor want = reference.pixelColor(x, y);
            const bool same =
                near(got, want, tolerance) && std::abs(got.alpha() - want.alpha()) <= tolerance;
            QVERIFY2(same || want.alpha() == 0,
                     qPrintable(QStringLiteral("(%1, %2): %3, expected %4")
                                    .arg(x)
                                    .arg(y)
                                    .arg(describe(got), describe(want))));
        }
    }
}

void TestPictureDecoder::toBitmap24_data() {
    QTest::addColumn<QImage>("image");
    QTest::addColumn<QColor>("expected");

    auto single = [](QImage::Format format, QRgb pixel) {
        QImage image(1, 1, format);
        image.setPixel(0, 0, pixel);
        return image;
    };
    QImage indexed(1, 1, QImage::Format_Indexed8);
    indexed.setColorTable({qRgba(0, 0, 0, 0)});
    indexed.setPixel(0, 0, 0);

    QTest::newRow("opaque") << single(QImage::Format_RGB32, qRgb(10, 20, 30)) << QColor(10, 20, 30);
    QTest::newRow("half-transparent red over white")
        << single(QImage::Format_ARGB32, qRgba(255, 0, 0, 128)) << QColor(255, 127, 127);
    QTest::newRow("straight alpha as PNG gives it")
        << single(QImage::Format_RGBA8888, qRgba(0, 0, 0, 51)) << QColor(204, 204, 204);
    QTest::newRow("premultiplied")
        << single(QImage::Format_ARGB32_Premultiplied, qRgba(0, 0, 128, 128))
        << QColor(127, 127, 255);
    QTest::newRow("fully transparent")
        << single(QImage::Format_ARGB32, qRgba(0, 0, 0, 0)) << QColor(Qt::white);
    QTest::newRow("transparent palette entry") << indexed << QColor(Qt::white);
    QTest::newRow("greyscale") << single(QImage::Format_Grayscale8, qRgb(77, 77, 77))
                               << QColor(77, 77, 77);
}

void TestPictureDecoder::toBitmap24() {
    QFETCH(QImage, image);
    QFETCH(QColor, expected);
    const QImage bitmap = runpad::toBitmap24(image);
    QCOMPARE(bitmap.format(), QImage::Format_RGB888);
    QCOMPARE(bitmap.size(), image.size());
    QCOMPARE(bitmap.pixelColor(0, 0), expected);
}

// A picture of many row bands whose every row and column differ, in each kind of pixel layout the
// decoders hand over.
void TestPictureDecoder::toBitmap24KeepsEveryRow_data() {
    QTest::addColumn<QImage>("image");

    QImage argb(37, 203, QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        for (int x = 0; x < argb.width(); ++x)
            argb.setPixel(x, y, qRgba(x * 6, y, 255 - y, y % 2 ? 255 : 0));
    }
    QImage indexed(37, 203, QImage::Format_Indexed8);
    QList<QRgb> table;
    for (int i = 0; i < 256; ++i)
        table << qRgb(i, 255 - i, i / 2);
    indexed.setColorTable(table);
    for (int y = 0; y < indexed.height(); ++y) {
        for (int x = 0; x < indexed.width(); ++x)
            indexed.setPixel(x, y, uint((x + y) % 256));
    }
    QImage mono(37, 203, QImage::Format_Mono);
    mono.setColorTable({qRgb(250, 240, 230), qRgb(5, 10, 20)});
    for (int y = 0; y < mono.height(); ++y) {
        for (int x = 0; x < mono.width(); ++x)
            mono.setPixel(x, y, uint((x * y) % 3 == 0));
    }

    QTest::newRow("alpha, half the rows transparent") << argb;
    QTest::newRow("opaque 32-bit") << argb.convertToFormat(QImage::Format_RGB32);
    QTest::newRow("straight alpha as PNG gives it")
        << argb.convertToFormat(QImage::Format_RGBA8888);
    QTest::newRow("16-bit RGBA") << argb.convertToFormat(QImage::Format_RGBA64);
    QTest::newRow("palette") << indexed;
    QTest::newRow("one bit a pixel") << mono;
    QTest::newRow("already 24-bit") << argb.convertToFormat(QImage::Format_RGB888);
}

void TestPictureDecoder::toBitmap24KeepsEveryRow() {
    QFETCH(QImage, image);
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(1890);
    const QImage bitmap = runpad::toBitmap24(image);
    QCOMPARE(bitmap.format(), QImage::Format_RGB888);
    QCOMPARE(bitmap.size(), image.size());
    QCOMPARE(bitmap.dotsPerMeterX(), 3780);
    QCOMPARE(bitmap.dotsPerMeterY(), 1890);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor source = image.pixelColor(x, y);
            const QColor want = source.alpha() == 0 ? QColor(Qt::white) : source.toRgb();
            QVERIFY2(bitmap.pixelColor(x, y) == want,
                     qPrintable(QStringLiteral("(%1, %2): %3, expected %4")
                                    .arg(x)
                                    .arg(y)
                                    .arg(describe(bitmap.pixelColor(x, y)), describe(want))));
        }
    }
}

void TestPictureDecoder::withoutMemoryForTheBitmap_data() {
    QTest::addColumn<QImage>("image");

    QImage translucent(7, 5, QImage::Format_ARGB32);
    translucent.fill(Qt::transparent);
    QImage indexed(7, 5, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(1, 2, 3)});
    indexed.fill(0);
    QTest::newRow("alpha") << translucent;
    QTest::newRow("opaque") << translucent.convertToFormat(QImage::Format_RGB32);
    QTest::newRow("palette") << indexed;
}

// Running out of memory is an error with the picture's size, never an empty picture.
void TestPictureDecoder::withoutMemoryForTheBitmap() {
    QFETCH(QImage, image);
    const FakeMemory none(false);
    try {
        const QImage bitmap = runpad::toBitmap24(image, &none);
        QFAIL(qPrintable(QStringLiteral("converted to a %1 x %2 picture")
                             .arg(bitmap.width())
                             .arg(bitmap.height())));
    } catch (const AppError& e) {
        QCOMPARE(e.message(), QStringLiteral("Not enough memory for a 7 x 5 picture"));
    }
}

void TestPictureDecoder::decodersTakeTheGivenMemory_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QImage::Format>("format");

    QTest::newRow("jpg") << "shot.jpg" << runpad::encodeJpeg(redBlue()) << QImage::Format_RGB888;
    QTest::newRow("png") << "shot.png" << qtWritten(redBlue(), "PNG") << QImage::Format_RGB888;
    QTest::newRow("png with alpha")
        << "shot.png" << qtWritten(clearBlue(), "PNG") << QImage::Format_RGBA8888;
}

void TestPictureDecoder::decodersTakeTheGivenMemory() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QImage::Format, format);
    QTemporaryDir dir;
    const QString path = writeFixture(dir, name, bytes);

    const FakeMemory memory(true);
    QCOMPARE(runpad::decodePictureFile(path, nullptr, &memory).size(), kSize);
    QCOMPARE(memory.asked, (QList<QPair<QSize, QImage::Format>>{{kSize, format}}));

    const FakeMemory none(false);
    try {
        runpad::decodePictureFile(path, nullptr, &none);
        QFAIL("decoded without memory");
    } catch (const AppError& e) {
        QCOMPARE(e.message(), QStringLiteral("Not enough memory for a 32 x 16 picture"));
    }
}

QTEST_GUILESS_MAIN(TestPictureDecoder)
#include "tst_picture_decoder.moc"
