#include "platform/metafile_renderer.h"

#include "core/common/app_error.h"

#include <QColor>
#include <QRect>
#include <QTest>
#include <QtEndian>

#include <initializer_list>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using runpad::AppError;
using runpad::MetafileRenderer;
using runpad::SvgMetafileRenderer;
using Kind = MetafileRenderer::Kind;

Q_DECLARE_METATYPE(runpad::MetafileRenderer::Kind)

namespace {

enum class Shape { Rectangle, Ellipse };

void append16(QByteArray& bytes, quint16 value) {
    bytes.append(2, '\0');
    qToLittleEndian(value, bytes.data() + bytes.size() - 2);
}

void append32(QByteArray& bytes, quint32 value) {
    bytes.append(4, '\0');
    qToLittleEndian(value, bytes.data() + bytes.size() - 4);
}

void put32(QByteArray& bytes, qsizetype at, quint32 value) {
    qToLittleEndian(value, bytes.data() + at);
}

constexpr quint32 kRed = 0x000000FF; // COLORREF: red in the low byte

// ---- Enhanced metafiles ----

constexpr quint32 kEmrHeader = 1;
constexpr quint32 kEmrEof = 14;
constexpr quint32 kEmrSelectObject = 37;
constexpr quint32 kEmrCreateBrushIndirect = 39;
constexpr quint32 kEmrEllipse = 42;
constexpr quint32 kEmrRectangle = 43;
constexpr qsizetype kEmfHeaderSize = 108;

QByteArray emfRecord(quint32 type, std::initializer_list<quint32> params) {
    QByteArray record;
    append32(record, type);
    append32(record, static_cast<quint32>(8 + 4 * params.size()));
    for (const quint32 value : params)
        append32(record, value);
    return record;
}

quint32 bits(qint32 value) {
    return static_cast<quint32>(value);
}

// A red shape in the given box (device pixels, right and bottom exclusive as GDI draws them).
QByteArray emfRedShape(Shape shape, const QRect& box) {
    return emfRecord(kEmrCreateBrushIndirect, {1, 0 /* BS_SOLID */, kRed, 0}) +
           emfRecord(kEmrSelectObject, {1}) +
           emfRecord(shape == Shape::Ellipse ? kEmrEllipse : kEmrRectangle,
                     {bits(box.left()), bits(box.top()), bits(box.left() + box.width()),
                      bits(box.top() + box.height())});
}

struct EmfHeader {
    // Inclusive device-pixel corners, as the format stores them: (0, 0, -1, -1) is empty.
    qint32 boundsLeft = 0, boundsTop = 0, boundsRight = 99, boundsBottom = 79;
    // 0.01 mm units.
    qint32 frameLeft = 0, frameTop = 0, frameRight = 2645, frameBottom = 2116;
    // A 96 dpi reference screen.
    qint32 deviceWidth = 1920, deviceHeight = 1080;
    qint32 millimetersWidth = 508, millimetersHeight = 286;
};

// EMR_HEADER, the records, EMR_EOF.
QByteArray makeEmf(const EmfHeader& h, const QByteArray& records) {
    const QByteArray eof = emfRecord(kEmrEof, {0, 16, 20});
    QByteArray emf;
    append32(emf, kEmrHeader);
    append32(emf, kEmfHeaderSize);
    for (const qint32 v : {h.boundsLeft, h.boundsTop, h.boundsRight, h.boundsBottom, h.frameLeft,
                           h.frameTop, h.frameRight, h.frameBottom})
        append32(emf, bits(v));
    append32(emf, 0x464D4520); // " EMF"
    append32(emf, 0x00010000);
    append32(emf, static_cast<quint32>(kEmfHeaderSize + records.size() + eof.size()));
    append32(emf, 0); // record count, set below
    append16(emf, 2); // handles: the table's slot 0 plus one brush
    append16(emf, 0);
    append32(emf, 0); // no description
    append32(emf, 0);
    append32(emf, 0); // no palette
    for (const qint32 v : {h.deviceWidth, h.deviceHeight, h.millimetersWidth, h.millimetersHeight})
        append32(emf, bits(v));
    append32(emf, 0); // no pixel format
    append32(emf, 0);
    append32(emf, 0); // not OpenGL
    append32(emf, bits(h.millimetersWidth * 1000));
    append32(emf, bits(h.millimetersHeight * 1000));
    Q_ASSERT(emf.size() == kEmfHeaderSize);

    emf += records;
    emf += eof;
    qsizetype count = 0;
    for (qsizetype at = 0; at < emf.size(); ++count)
        at += qFromLittleEndian<quint32>(emf.constData() + at + 4);
    put32(emf, 52, static_cast<quint32>(count));
    return emf;
}

QByteArray validEmf() {
    return makeEmf(EmfHeader{}, emfRedShape(Shape::Rectangle, {20, 20, 60, 40}));
}

// ---- Windows metafiles ----

constexpr quint16 kMetaEof = 0x0000;
constexpr quint16 kMetaSelectObject = 0x012D;
constexpr quint16 kMetaCreatePenIndirect = 0x02FA;
constexpr quint16 kMetaCreateBrushIndirect = 0x02FC;
constexpr quint16 kMetaEllipse = 0x0418;
constexpr quint16 kMetaRectangle = 0x041B;
constexpr quint16 kMetaTextOut = 0x0521;
constexpr quint16 kMetaStretchDib = 0x0F43;
constexpr quint16 kMetaDibBitBlt = 0x0940;
constexpr quint16 kMetaSetDibToDev = 0x0D33;
constexpr quint16 kMetaDibCreatePatternBrush = 0x0142;

QByteArray wmfRecord(quint16 function, const QByteArray& params) {
    Q_ASSERT(params.size() % 2 == 0);
    QByteArray record;
    append32(record, static_cast<quint32>(3 + params.size() / 2));
    append16(record, function);
    return record + params;
}

QByteArray words(std::initializer_list<qint16> values) {
    QByteArray bytes;
    for (const qint16 v : values)
        append16(bytes, static_cast<quint16>(v));
    return bytes;
}

// A red brush and an invisible pen, so the drawn box is the shape's own.
QByteArray wmfRedFillNoOutline() {
    return wmfRecord(kMetaCreateBrushIndirect, words({0 /* BS_SOLID */, 0x00FF, 0, 0})) +
           wmfRecord(kMetaSelectObject, words({0})) +
           wmfRecord(kMetaCreatePenIndirect, words({5 /* PS_NULL */, 0, 0, 0, 0})) +
           wmfRecord(kMetaSelectObject, words({1}));
}

QByteArray wmfShape(Shape shape, const QRect& box) {
    // Parameters come in reverse order: bottom, right, top, left.
    return wmfRecord(shape == Shape::Ellipse ? kMetaEllipse : kMetaRectangle,
                     words({static_cast<qint16>(box.top() + box.height()),
                            static_cast<qint16>(box.left() + box.width()),
                            static_cast<qint16>(box.top()), static_cast<qint16>(box.left())}));
}

// The metafile header, the records, META_EOF; behind a placeable header when unitsPerInch > 0.
QByteArray makeWmf(const QByteArray& records, quint16 unitsPerInch, const QRect& placeableBox) {
    const QByteArray body = records + wmfRecord(kMetaEof, {});
    quint32 largestRecord = 0;
    for (qsizetype at = 0; at < body.size();) {
        const quint32 size = qFromLittleEndian<quint32>(body.constData() + at);
        largestRecord = qMax(largestRecord, size);
        at += 2 * static_cast<qsizetype>(size);
    }

    QByteArray wmf;
    if (unitsPerInch > 0) {
        append32(wmf, 0x9AC6CDD7);
        append16(wmf, 0);
        wmf += words({static_cast<qint16>(placeableBox.left()),
                      static_cast<qint16>(placeableBox.top()),
                      static_cast<qint16>(placeableBox.left() + placeableBox.width()),
                      static_cast<qint16>(placeableBox.top() + placeableBox.height())});
        append16(wmf, unitsPerInch);
        append32(wmf, 0);
        quint16 checksum = 0;
        for (qsizetype at = 0; at < wmf.size(); at += 2)
            checksum ^= qFromLittleEndian<quint16>(wmf.constData() + at);
        append16(wmf, checksum);
    }
    append16(wmf, 1); // in memory
    append16(wmf, 9); // header words
    append16(wmf, 0x0300);
    append32(wmf, static_cast<quint32>((18 + body.size()) / 2));
    append16(wmf, 2); // objects: brush, pen
    append32(wmf, largestRecord);
    append16(wmf, 0);
    return wmf + body;
}

QByteArray validWmf() {
    return makeWmf(wmfRedFillNoOutline() + wmfShape(Shape::Rectangle, {200, 200, 600, 400}), 1440,
                   {0, 0, 1000, 800});
}

// A device-independent bitmap as WMF records carry it: header, palette, pixels.
struct Dib {
    quint32 headerSize = 40; // 12 gives the short core header
    qint32 width = 2;
    qint32 height = 2;
    quint16 bitsPerPixel = 24;
    quint32 compression = 0; // BI_RGB; 1 is BI_RLE8
    quint32 colours = 0;
    QByteArray palette;
    // Blue on the left, green on the right, rows padded to four bytes.
    QByteArray pixels = QByteArray("\xFF\x00\x00\x00\xFF\x00\x00\x00", 8).repeated(2);
};

QByteArray makeDib(const Dib& d) {
    QByteArray dib;
    append32(dib, d.headerSize);
    if (d.headerSize == 12) {
        append16(dib, static_cast<quint16>(d.width));
        append16(dib, static_cast<quint16>(d.height));
        append16(dib, 1);
        append16(dib, d.bitsPerPixel);
    } else {
        append32(dib, static_cast<quint32>(d.width));
        append32(dib, static_cast<quint32>(d.height));
        append16(dib, 1);
        append16(dib, d.bitsPerPixel);
        for (const quint32 v : {d.compression, 0u, 2835u, 2835u, d.colours, 0u})
            append32(dib, v);
        if (d.headerSize > 40)
            dib.append(static_cast<qsizetype>(d.headerSize - 40), '\0');
    }
    return dib + d.palette + d.pixels;
}

// META_STRETCHDIB drawing the bitmap over a 600 x 400 picture.
QByteArray stretchDibWmf(const QByteArray& dib) {
    QByteArray params;
    append32(params, 0x00CC0020); // SRCCOPY
    // Colour use, source height, width, y, x, destination height, width, y, x.
    params += words({0, 2, 2, 0, 0, 400, 600, 0, 0});
    params += dib;
    return makeWmf(wmfRecord(kMetaStretchDib, params), 1440, {0, 0, 600, 400});
}

// ---- Checks ----

bool isRed(const QColor& c) {
    return c.red() > 200 && c.green() < 60 && c.blue() < 60;
}
bool isWhite(const QColor& c) {
    return c == QColor(Qt::white);
}

QString errorOf(const QByteArray& data, Kind kind) {
    try {
        SvgMetafileRenderer().render(data, kind);
    } catch (const AppError& error) {
        return error.message();
    }
    return QStringLiteral("(no error)");
}

QString sizeError(qint64 width, qint64 height) {
    try {
        runpad::ensurePictureSizeAllowed(width, height);
    } catch (const AppError& error) {
        return error.message();
    }
    return QStringLiteral("(size allowed)");
}

} // namespace

class TestMetafileRenderer : public QObject {
    Q_OBJECT

private slots:
    void rendersEmfAtItsBoundsSize_data();
    void rendersEmfAtItsBoundsSize();
    void rendersEmfWithEmptyBoundsAtFrameSize_data();
    void rendersEmfWithEmptyBoundsAtFrameSize();
    void rendersWmfAtItsDrawnSize_data();
    void rendersWmfAtItsDrawnSize();
    void rendersWmfTextThatIsNotXml();
    void rendersWmfWhateverItsHeaderSaysOfRecordSizes_data();
    void rendersWmfWhateverItsHeaderSaysOfRecordSizes();
    void rendersWmfBitmap_data();
    void rendersWmfBitmap();
    void rejectsBrokenMetafiles_data();
    void rejectsBrokenMetafiles();
    void refusesOversizedEmf_data();
    void refusesOversizedEmf();
    void refusesOversizedWmf();
    void rendersEmfAsWideAsAllowed();
};

void TestMetafileRenderer::rendersEmfAtItsBoundsSize_data() {
    QTest::addColumn<int>("shape");
    QTest::addColumn<QRect>("bounds");
    QTest::addColumn<QRect>("frame");
    QTest::addColumn<QRect>("box");
    QTest::addColumn<QPoint>("inside");
    QTest::addColumn<QPoint>("outside");

    const QRect frame(0, 0, 2646, 2117);
    QTest::newRow("rectangle") << int(Shape::Rectangle) << QRect(0, 0, 100, 80) << frame
                               << QRect(20, 20, 60, 40) << QPoint(50, 40) << QPoint(5, 5);
    QTest::newRow("ellipse, corner of its box stays white")
        << int(Shape::Ellipse) << QRect(0, 0, 100, 80) << frame << QRect(20, 20, 60, 40)
        << QPoint(50, 40) << QPoint(23, 23);
    QTest::newRow("bounds away from the origin")
        << int(Shape::Rectangle) << QRect(300, 200, 100, 80) << frame << QRect(320, 220, 60, 40)
        << QPoint(50, 40) << QPoint(5, 5);
    QTest::newRow("gigantic frame, sane bounds")
        << int(Shape::Rectangle) << QRect(0, 0, 100, 80)
        << QRect(0, 0, 2'000'000'000, 2'000'000'000) << QRect(20, 20, 60, 40) << QPoint(50, 40)
        << QPoint(5, 5);
}

void TestMetafileRenderer::rendersEmfAtItsBoundsSize() {
    QFETCH(int, shape);
    QFETCH(QRect, bounds);
    QFETCH(QRect, frame);
    QFETCH(QRect, box);
    QFETCH(QPoint, inside);
    QFETCH(QPoint, outside);

    EmfHeader header;
    header.boundsLeft = bounds.left();
    header.boundsTop = bounds.top();
    header.boundsRight = bounds.right();
    header.boundsBottom = bounds.bottom();
    header.frameLeft = frame.left();
    header.frameTop = frame.top();
    header.frameRight = frame.right();
    header.frameBottom = frame.bottom();

    QImage image;
    QVERIFY_THROWS_NO_EXCEPTION(image = SvgMetafileRenderer().render(
                                    makeEmf(header, emfRedShape(Shape(shape), box)), Kind::Emf));
    QCOMPARE(image.size(), bounds.size());
    QVERIFY2(isRed(image.pixelColor(inside)), qPrintable(image.pixelColor(inside).name()));
    QVERIFY2(isWhite(image.pixelColor(outside)), qPrintable(image.pixelColor(outside).name()));
}

void TestMetafileRenderer::rendersEmfWithEmptyBoundsAtFrameSize_data() {
    QTest::addColumn<int>("millimetersWidth");
    QTest::addColumn<int>("millimetersHeight");

    // 100 x 80 pixels at 96 dpi either way.
    QTest::newRow("reference device given") << 508 << 286;
    QTest::newRow("reference device missing, 96 dpi assumed") << 0 << 0;
}

void TestMetafileRenderer::rendersEmfWithEmptyBoundsAtFrameSize() {
    QFETCH(int, millimetersWidth);
    QFETCH(int, millimetersHeight);

    EmfHeader header;
    header.boundsLeft = 0;
    header.boundsTop = 0;
    header.boundsRight = -1;
    header.boundsBottom = -1;
    header.millimetersWidth = millimetersWidth;
    header.millimetersHeight = millimetersHeight;

    QImage image;
    QVERIFY_THROWS_NO_EXCEPTION(
        image = SvgMetafileRenderer().render(
            makeEmf(header, emfRedShape(Shape::Rectangle, {20, 20, 60, 40})), Kind::Emf));
    QCOMPARE(image.size(), QSize(100, 80));
    QVERIFY(isRed(image.pixelColor(50, 40)));
    QVERIFY(isWhite(image.pixelColor(5, 5)));
}

void TestMetafileRenderer::rendersWmfAtItsDrawnSize_data() {
    QTest::addColumn<int>("shape");
    QTest::addColumn<int>("unitsPerInch");
    QTest::addColumn<QSize>("expectedSize");
    QTest::addColumn<bool>("cornerIsRed");

    // A 600 x 400 unit shape. libwmf's box reaches half a unit beyond it on each side, so the
    // picture is 601 x 401 units, rounded up to whole pixels at 96 dpi. It holds only what is
    // drawn: a rectangle fills it to the corners, an ellipse leaves them white.
    QTest::newRow("placeable rectangle, twips")
        << int(Shape::Rectangle) << 1440 << QSize(41, 27) << true;
    QTest::newRow("placeable ellipse, twips")
        << int(Shape::Ellipse) << 1440 << QSize(41, 27) << false;
    QTest::newRow("placeable rectangle, 576 units an inch")
        << int(Shape::Rectangle) << 576 << QSize(101, 67) << true;
    // libwmf takes the units of a metafile without a placeable header as points.
    QTest::newRow("no placeable header") << int(Shape::Rectangle) << 0 << QSize(802, 535) << true;
}

void TestMetafileRenderer::rendersWmfAtItsDrawnSize() {
    QFETCH(int, shape);
    QFETCH(int, unitsPerInch);
    QFETCH(QSize, expectedSize);
    QFETCH(bool, cornerIsRed);

    const QByteArray wmf =
        makeWmf(wmfRedFillNoOutline() + wmfShape(Shape(shape), {200, 200, 600, 400}),
                static_cast<quint16>(unitsPerInch), {0, 0, 1000, 800});
    QImage image;
    QVERIFY_THROWS_NO_EXCEPTION(image = SvgMetafileRenderer().render(wmf, Kind::Wmf));

    QCOMPARE(image.size(), expectedSize);
    QVERIFY(isRed(image.pixelColor(image.width() / 2, image.height() / 2)));
    const QPoint corner(image.width() / 20, image.height() / 20);
    QCOMPARE(isRed(image.pixelColor(corner)), cornerIsRed);
    if (!cornerIsRed)
        QVERIFY(isWhite(image.pixelColor(corner)));
}

void TestMetafileRenderer::rendersWmfWhateverItsHeaderSaysOfRecordSizes_data() {
    QTest::addColumn<quint32>("largestRecord");

    // In 16-bit words; the records of the picture hold 7 at most.
    QTest::newRow("gigabytes") << quint32(0x6C617674);
    QTest::newRow("largest possible") << quint32(0xFFFFFFFF);
    QTest::newRow("too small") << quint32(3);
    QTest::newRow("zero") << quint32(0);
}

// The header's largest-record field is not trusted: libwmf sizes its record buffer by it, so a
// header claiming gigabytes made it ask for them (found by fuzzing).
void TestMetafileRenderer::rendersWmfWhateverItsHeaderSaysOfRecordSizes() {
    QFETCH(quint32, largestRecord);

    QByteArray wmf = validWmf();
    put32(wmf, 22 + 12, largestRecord); // behind the placeable header
    const auto renders = [&wmf] {
        try {
            return SvgMetafileRenderer().render(wmf, Kind::Wmf).size() == QSize(41, 27);
        } catch (const AppError&) {
            return false;
        }
    };
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizer's shadow memory cannot live under an address-space limit.
    QVERIFY(renders());
#else
    // In a child whose address space has 512 MB to spare, so asking for gigabytes fails there
    // instead of passing unnoticed as untouched memory.
    const pid_t child = fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        long pages = 0;
        if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
            if (std::fscanf(statm, "%ld", &pages) != 1)
                pages = 0;
            std::fclose(statm);
        }
        const rlim_t limit = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + (rlim_t(512) << 20);
        const rlimit space{limit, limit};
        setrlimit(RLIMIT_AS, &space);
        _exit(renders() ? 0 : 1);
    }
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
#endif
}

void TestMetafileRenderer::rendersWmfTextThatIsNotXml() {
    // Markup characters and a Windows-1252 byte (0xE9, e acute) in the string must not break
    // the SVG the text travels through.
    const QByteArray text = "R&D <1> caf\xE9!";
    QByteArray params;
    append16(params, static_cast<quint16>(text.size()));
    params += text;
    if (params.size() % 2 != 0)
        params += '\0';
    params += words({300, 100}); // y, x
    const QByteArray wmf =
        makeWmf(wmfRedFillNoOutline() + wmfShape(Shape::Rectangle, {0, 0, 1000, 600}) +
                    wmfRecord(kMetaTextOut, params),
                1440, {0, 0, 1000, 600});

    QImage image;
    QVERIFY_THROWS_NO_EXCEPTION(image = SvgMetafileRenderer().render(wmf, Kind::Wmf));
    QVERIFY(isRed(image.pixelColor(image.width() / 2, image.height() - 3)));
}

void TestMetafileRenderer::rendersWmfBitmap_data() {
    QTest::addColumn<QByteArray>("dib");

    QTest::newRow("40-byte header") << makeDib(Dib{});
    Dib core;
    core.headerSize = 12;
    QTest::newRow("12-byte core header") << makeDib(core);
    Dib v5;
    v5.headerSize = 124;
    QTest::newRow("124-byte header") << makeDib(v5);
    Dib paletted;
    paletted.bitsPerPixel = 8;
    paletted.colours = 2;
    paletted.palette = QByteArray("\xFF\x00\x00\x00\x00\xFF\x00\x00", 8); // blue, green
    paletted.pixels = QByteArray("\x00\x01\x00\x00", 4).repeated(2);
    QTest::newRow("8 bits with a palette") << makeDib(paletted);
}

void TestMetafileRenderer::rendersWmfBitmap() {
    // A 2 x 2 bitmap, blue on the left and green on the right, stretched over the picture.
    QFETCH(QByteArray, dib);
    QImage image;
    QVERIFY_THROWS_NO_EXCEPTION(image =
                                    SvgMetafileRenderer().render(stretchDibWmf(dib), Kind::Wmf));
    const QColor left = image.pixelColor(image.width() / 4, image.height() / 2);
    const QColor right = image.pixelColor(image.width() * 3 / 4, image.height() / 2);
    QVERIFY2(left.blue() > 200 && left.red() < 60 && left.green() < 60, qPrintable(left.name()));
    QVERIFY2(right.green() > 200 && right.red() < 60 && right.blue() < 60,
             qPrintable(right.name()));
}

void TestMetafileRenderer::rejectsBrokenMetafiles_data() {
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QByteArray>("data");

    const QByteArray emf = validEmf();
    const QByteArray wmf = validWmf();
    const QByteArray garbage =
        QByteArray("This is no metafile, only some text to look at. ").repeated(8);
    const qsizetype emfEofSize = 20;
    const qsizetype wmfEofSize = 6;

    QTest::newRow("emf: empty") << Kind::Emf << QByteArray();
    QTest::newRow("emf: text") << Kind::Emf << garbage;
    QTest::newRow("emf: a WMF") << Kind::Emf << wmf;
    QTest::newRow("emf: cut inside the header") << Kind::Emf << emf.left(60);
    QTest::newRow("emf: cut inside a record") << Kind::Emf << emf.left(emf.size() - 10);
    QTest::newRow("emf: no end record") << Kind::Emf << emf.left(emf.size() - emfEofSize);
    {
        QByteArray wrongSignature = emf;
        wrongSignature[40] = 'X';
        QTest::newRow("emf: wrong signature") << Kind::Emf << wrongSignature;
    }
    {
        QByteArray zeroSize = emf;
        put32(zeroSize, kEmfHeaderSize + 4, 0);
        QTest::newRow("emf: record of size 0") << Kind::Emf << zeroSize;
    }
    {
        QByteArray overlong = emf;
        put32(overlong, kEmfHeaderSize + 4, 0x10000);
        QTest::newRow("emf: record running past the end") << Kind::Emf << overlong;
    }
    {
        QByteArray secondHeader = emf;
        put32(secondHeader, kEmfHeaderSize, kEmrHeader);
        QTest::newRow("emf: second header record") << Kind::Emf << secondHeader;
    }
    {
        EmfHeader noSize;
        noSize.boundsRight = -1;
        noSize.boundsBottom = -1;
        noSize.frameRight = 0;
        noSize.frameBottom = 0;
        QTest::newRow("emf: empty bounds and frame")
            << Kind::Emf << makeEmf(noSize, emfRedShape(Shape::Rectangle, {20, 20, 60, 40}));
    }

    QTest::newRow("wmf: empty") << Kind::Wmf << QByteArray();
    QTest::newRow("wmf: text") << Kind::Wmf << garbage;
    QTest::newRow("wmf: an EMF") << Kind::Wmf << emf;
    QTest::newRow("wmf: placeable header only") << Kind::Wmf << wmf.left(22);
    QTest::newRow("wmf: headers only") << Kind::Wmf << wmf.left(22 + 18);
    QTest::newRow("wmf: cut inside a record") << Kind::Wmf << wmf.left(wmf.size() - 10);
    QTest::newRow("wmf: no end record") << Kind::Wmf << wmf.left(wmf.size() - wmfEofSize);
    {
        QByteArray zeroSize = wmf;
        put32(zeroSize, 22 + 18, 0);
        QTest::newRow("wmf: record of size 0") << Kind::Wmf << zeroSize;
    }
    {
        QByteArray overlong = wmf;
        put32(overlong, 22 + 18, 0x10000);
        QTest::newRow("wmf: record running past the end") << Kind::Wmf << overlong;
    }
    {
        QByteArray badHeader = wmf;
        badHeader[22 + 2] = 7; // header size in words
        QTest::newRow("wmf: wrong header size") << Kind::Wmf << badHeader;
    }

    // Bitmaps libwmf's reader would loop on for good, or allocate gigabytes for.
    auto dibWmf = [](auto change) {
        Dib dib;
        change(dib);
        return stretchDibWmf(makeDib(dib));
    };
    QTest::newRow("wmf: bitmap header of 35 bytes")
        << Kind::Wmf << dibWmf([](Dib& d) { d.headerSize = 35; });
    QTest::newRow("wmf: bitmap header of 0 bytes")
        << Kind::Wmf << dibWmf([](Dib& d) { d.headerSize = 0; });
    {
        QByteArray overlong = makeDib(Dib{});
        put32(overlong, 0, 4000);
        QTest::newRow("wmf: bitmap header longer than its record")
            << Kind::Wmf << stretchDibWmf(overlong);
    }
    QTest::newRow("wmf: bitmap palette of 1.4 billion colours")
        << Kind::Wmf << dibWmf([](Dib& d) { d.colours = 0x55555555; });
    QTest::newRow("wmf: bitmap palette longer than its record")
        << Kind::Wmf << dibWmf([](Dib& d) { d.colours = 5; });
    QTest::newRow("wmf: bitmap pixels beyond its record") << Kind::Wmf << dibWmf([](Dib& d) {
        d.width = 30000;
        d.height = 30000;
    });
    // From a fuzzed file: libwmf draws 2 rows (the low 16 bits) but allocated for all of them.
    QTest::newRow("wmf: bitmap height beyond 16 bits")
        << Kind::Wmf << dibWmf([](Dib& d) { d.height = 0x24000002; });
    QTest::newRow("wmf: compressed bitmap beyond the pixel limit")
        << Kind::Wmf << dibWmf([](Dib& d) {
               d.width = 20000;
               d.height = 20000;
               d.bitsPerPixel = 8;
               d.compression = 1;
               d.pixels = QByteArray("\x00\x01", 2); // end of bitmap
           });
    QTest::newRow("wmf: bitmap record without its bitmap")
        << Kind::Wmf << stretchDibWmf(QByteArray());
    {
        Dib bad;
        bad.headerSize = 35;
        QByteArray bitBlt;
        append32(bitBlt, 0x00CC0020);
        bitBlt += words({0, 0, 2, 2, 0, 0}) + makeDib(bad);
        QTest::newRow("wmf: bit-block transfer with a header of 35 bytes")
            << Kind::Wmf << makeWmf(wmfRecord(kMetaDibBitBlt, bitBlt), 1440, {0, 0, 600, 400});
        // Filling a shape with the brush, so that the picture is drawn and the bitmap read.
        const QByteArray patternFill =
            wmfRecord(kMetaDibCreatePatternBrush, words({0, 0}) + makeDib(bad)) +
            wmfRecord(kMetaSelectObject, words({0})) +
            wmfRecord(kMetaCreatePenIndirect, words({5 /* PS_NULL */, 0, 0, 0, 0})) +
            wmfRecord(kMetaSelectObject, words({1})) +
            wmfShape(Shape::Rectangle, {200, 200, 600, 400});
        QTest::newRow("wmf: pattern brush with a header of 35 bytes")
            << Kind::Wmf << makeWmf(patternFill, 1440, {0, 0, 1000, 800});
    }
    {
        // libwmf takes the bitmap's size from the record's start scan and scan count.
        Dib compressed;
        compressed.bitsPerPixel = 8;
        compressed.compression = 1;
        compressed.pixels = QByteArray("\x00\x01", 2);
        const QByteArray params =
            words({0, -1 /* 65535 scans */, -1 /* start scan */, 0, 0, 2, 2, 0, 0}) +
            makeDib(compressed);
        QTest::newRow("wmf: bitmap to device sized beyond the pixel limit")
            << Kind::Wmf << makeWmf(wmfRecord(kMetaSetDibToDev, params), 1440, {0, 0, 600, 400});
    }
}

void TestMetafileRenderer::rejectsBrokenMetafiles() {
    QFETCH(Kind, kind);
    QFETCH(QByteArray, data);

    QCOMPARE(errorOf(data, kind), kind == Kind::Emf ? QStringLiteral("Invalid EMF file")
                                                    : QStringLiteral("Invalid WMF file"));
}

void TestMetafileRenderer::refusesOversizedEmf_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<qint64>("width");
    QTest::addColumn<qint64>("height");

    const QByteArray records = emfRedShape(Shape::Rectangle, {20, 20, 60, 40});
    EmfHeader huge;
    huge.boundsRight = 999'999;
    huge.boundsBottom = 999'999;
    QTest::newRow("a million pixels a side")
        << makeEmf(huge, records) << qint64(1'000'000) << qint64(1'000'000);

    EmfHeader widest;
    widest.boundsRight = runpad::kMaxPictureSide;
    widest.boundsBottom = 9;
    QTest::newRow("one pixel wider than allowed")
        << makeEmf(widest, records) << qint64(runpad::kMaxPictureSide + 1) << qint64(10);

    EmfHeader area;
    area.boundsRight = 15'999;
    area.boundsBottom = 16'000;
    QTest::newRow("sides allowed, area not")
        << makeEmf(area, records) << qint64(16'000) << qint64(16'001);

    EmfHeader framed; // 10 m square at 96 dpi, no bounds
    framed.boundsRight = -1;
    framed.boundsBottom = -1;
    framed.frameRight = 1'000'000;
    framed.frameBottom = 1'000'000;
    framed.millimetersWidth = 0;
    framed.millimetersHeight = 0;
    QTest::newRow("gigantic frame, empty bounds")
        << makeEmf(framed, records) << qint64(37'796) << qint64(37'796);
}

void TestMetafileRenderer::refusesOversizedEmf() {
    QFETCH(QByteArray, data);
    QFETCH(qint64, width);
    QFETCH(qint64, height);

    QCOMPARE(errorOf(data, Kind::Emf), sizeError(width, height));
}

void TestMetafileRenderer::refusesOversizedWmf() {
    // 30000 x 10 inches, and the unit libwmf adds to its box: 30001 x 11 inches at 96 dpi.
    const QByteArray wmf =
        makeWmf(wmfRedFillNoOutline() + wmfShape(Shape::Rectangle, {0, 0, 30000, 10}), 1,
                {0, 0, 30000, 10});
    QCOMPARE(errorOf(wmf, Kind::Wmf), sizeError(2'880'096, 1'056));
}

void TestMetafileRenderer::rendersEmfAsWideAsAllowed() {
    EmfHeader widest;
    widest.boundsRight = runpad::kMaxPictureSide - 1;
    widest.boundsBottom = 7;
    QImage image;
    QVERIFY_THROWS_NO_EXCEPTION(
        image = SvgMetafileRenderer().render(
            makeEmf(widest, emfRedShape(Shape::Rectangle, {0, 0, runpad::kMaxPictureSide, 8})),
            Kind::Emf));
    QCOMPARE(image.size(), QSize(runpad::kMaxPictureSide, 8));
    QVERIFY(isRed(image.pixelColor(runpad::kMaxPictureSide / 2, 4)));
}

QTEST_MAIN(TestMetafileRenderer)
#include "tst_metafile_renderer.moc"
