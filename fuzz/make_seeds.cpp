// Writes a small valid sample of every input kind the fuzz targets read, one
// folder per target, as starting points for the search:
//   make_seeds <output folder>
// Hand-built where Qt has no writer for the format (GIF, metafiles, Windows
// executables), so the samples stay a few hundred bytes.
#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QtEndian>

#include <cstdio>
#include <initializer_list>

namespace {

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

QImage sample(int width, int height, bool alpha) {
    QImage image(width, height, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    image.fill(alpha ? QColor(0, 0, 255, 128) : QColor(Qt::white));
    QPainter painter(&image);
    painter.fillRect(1, 1, width / 2, height / 2, Qt::red);
    return image;
}

QByteArray encoded(const QImage& image, const char* format, int quality = -1) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format, quality)) {
        std::fprintf(stderr, "cannot encode %s\n", format);
        std::exit(1);
    }
    return bytes;
}

// A 2 x 2 picture with a two-colour palette.
QByteArray gifSample() {
    static const unsigned char bytes[] = {'G',  'I',  'F',  '8',  '9',  'a',  0x02, 0x00, 0x02,
                                          0x00, 0x80, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00,
                                          0xFF, 0x2C, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x02,
                                          0x00, 0x00, 0x02, 0x03, 0x44, 0x34, 0x05, 0x00, 0x3B};
    return QByteArray(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

QByteArray emfRecord(quint32 type, std::initializer_list<quint32> params) {
    QByteArray record;
    append32(record, type);
    append32(record, quint32(8 + 4 * params.size()));
    for (const quint32 value : params)
        append32(record, value);
    return record;
}

// Header, a red brush, a rectangle, end of file.
QByteArray emfSample() {
    const QByteArray records = emfRecord(39, {1, 0, 0x000000FF, 0}) + emfRecord(37, {1}) +
                               emfRecord(43, {20, 20, 60, 40}) + emfRecord(14, {0, 16, 20});
    QByteArray emf;
    append32(emf, 1);
    append32(emf, 108);
    for (const quint32 v : {0u, 0u, 99u, 79u, 0u, 0u, 2645u, 2116u})
        append32(emf, v);
    append32(emf, 0x464D4520);
    append32(emf, 0x00010000);
    append32(emf, quint32(108 + records.size()));
    append32(emf, 5);
    append16(emf, 2);
    append16(emf, 0);
    for (const quint32 v : {0u, 0u, 0u, 1920u, 1080u, 508u, 286u, 0u, 0u, 0u, 508000u, 286000u})
        append32(emf, v);
    return emf + records;
}

QByteArray wmfRecord(quint16 function, std::initializer_list<quint16> params) {
    QByteArray record;
    append32(record, quint32(3 + params.size()));
    append16(record, function);
    for (const quint16 value : params)
        append16(record, value);
    return record;
}

// Placeable header, a red brush, a rectangle, an ellipse, end of file.
QByteArray wmfSample() {
    const QByteArray body = wmfRecord(0x02FC, {0, 0x00FF, 0, 0}) + wmfRecord(0x012D, {0}) +
                            wmfRecord(0x041B, {400, 600, 200, 200}) +
                            wmfRecord(0x0418, {700, 900, 500, 500}) + wmfRecord(0x0000, {});
    QByteArray wmf;
    append32(wmf, 0x9AC6CDD7);
    append16(wmf, 0);
    for (const quint16 v : {0, 0, 1000, 800, 1440})
        append16(wmf, v);
    append32(wmf, 0);
    quint16 checksum = 0;
    for (qsizetype at = 0; at < wmf.size(); at += 2)
        checksum ^= qFromLittleEndian<quint16>(wmf.constData() + at);
    append16(wmf, checksum);
    append16(wmf, 1);
    append16(wmf, 9);
    append16(wmf, 0x0300);
    append32(wmf, quint32((18 + body.size()) / 2));
    append16(wmf, 1);
    append32(wmf, 7);
    append16(wmf, 0);
    return wmf + body;
}

// A 32-bit Windows executable whose only section holds an icon group with one
// PNG icon.
QByteArray peSample() {
    const QByteArray icon = encoded(sample(16, 16, true), "png");
    const quint32 sectionRva = 0x1000;
    QByteArray rsrc;
    const auto directory = [&rsrc](std::initializer_list<std::pair<quint32, quint32>> entries) {
        rsrc.append(14, '\0');
        append16(rsrc, quint16(entries.size()));
        for (const auto& [name, offset] : entries) {
            append32(rsrc, name);
            append32(rsrc, offset);
        }
    };
    constexpr quint32 kSubdirectory = 0x80000000u;
    directory({{3, kSubdirectory | 32}, {14, kSubdirectory | 80}}); // 0: icons, icon groups
    directory({{1, kSubdirectory | 56}});                           // 32: icon 1
    directory({{1033, 128}});                                       // 56
    directory({{1, kSubdirectory | 104}});                          // 80: group 1
    directory({{1033, 144}});                                       // 104
    QByteArray group;
    append16(group, 0);
    append16(group, 1);
    append16(group, 1);
    group.append(char(16));
    group.append(char(16));
    group.append(2, '\0');
    append16(group, 1);
    append16(group, 32);
    append32(group, quint32(icon.size()));
    append16(group, 1);
    const quint32 iconAt = 160;
    const quint32 groupAt = quint32(iconAt + icon.size() + 3) & ~3u;
    for (const auto& [at, size] : {std::pair{iconAt, icon.size()}, {groupAt, group.size()}}) {
        append32(rsrc, sectionRva + at);
        append32(rsrc, quint32(size));
        append32(rsrc, 0);
        append32(rsrc, 0);
    }
    rsrc += icon;
    rsrc.append(qsizetype(groupAt) - rsrc.size(), '\0');
    rsrc += group;

    QByteArray pe(0x40, '\0');
    pe[0] = 'M';
    pe[1] = 'Z';
    put32(pe, 0x3C, 0x40);
    pe += QByteArray("PE\0\0", 4);
    append16(pe, 0x14C); // i386
    append16(pe, 1);     // one section
    append32(pe, 0);
    append32(pe, 0);
    append32(pe, 0);
    append16(pe, 224); // optional header: 96 bytes and 16 directories
    append16(pe, 0x0102);
    QByteArray optional(224, '\0');
    qToLittleEndian<quint16>(0x10B, optional.data());
    put32(optional, 92, 16);
    put32(optional, 96 + 2 * 8, sectionRva);
    put32(optional, 96 + 2 * 8 + 4, quint32(rsrc.size()));
    pe += optional;
    QByteArray section(40, '\0');
    section.replace(0, 5, ".rsrc");
    put32(section, 8, quint32(rsrc.size()));
    put32(section, 12, sectionRva);
    put32(section, 16, quint32(rsrc.size()));
    put32(section, 20, 0x200);
    pe += section;
    pe.append(0x200 - pe.size(), '\0');
    return pe + rsrc;
}

// An icon file holding a 16 x 16 PNG image and a 32 x 32 one.
QByteArray icoSample() {
    return encoded(sample(32, 32, true), "ico");
}

void write(const QString& folder, const QString& name, const QByteArray& bytes) {
    QDir().mkpath(folder);
    QFile file(folder + u'/' + name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
        std::exit(1);
    }
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds <output folder>\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const auto seed = [&](const char* target, const char* name, const QByteArray& bytes) {
        write(out + u'/' + QLatin1StringView(target), QString::fromLatin1(name), bytes);
    };

    seed("fuzz_ini_document", "settings.ini",
         "[Form]\r\nLeft=0x10\r\nTop=20\r\n[Table]\r\n1-1=DOS command\r\n2-1=cmd\r\n"
         "3-1=DOS command window\r\n; comment\r\n[save time]\r\nsave time =2026\r\n");
    seed("fuzz_ini_document", "utf16.ini", QByteArray("\xFF\xFE[\0a\0]\0\n\0k\0=\0v\0", 16));
    seed("fuzz_ini_document", "latin1.ini", "[Table]\n2-1=caf\xE9\n");
    const QByteArray table = R"({"data":[["#","Function","command","Description","img"],)"
                             R"(["1","DOS command","cmd","DOS \u0041 \ud83d\ude00",""],)"
                             R"(["2",12.50,true,null]]})";
    seed("fuzz_json_reader", "table.json", table);
    seed("fuzz_json_reader", "index.json",
         R"({"version":"1.2.3","url":"https://example.org/x","notes":["a",{"b":[1e5,-0.5]}]})");
    seed("fuzz_json_table", "table.json", table);
    seed("fuzz_json_table", "ragged.json", R"({"data":[["a","b","c"],["d"],["e","f"]]})");
    seed("fuzz_update_index", "index.json",
         R"({"file_name":"Runpad-1.2.0.zip","version":"1.2.0","website":"https://example.org/"})");
    seed("fuzz_update_index", "utf16.json",
         QByteArray("\xFF\xFE{\0\"\0v\0e\0r\0s\0i\0o\0n\0\"\0:\0"
                    "1\0}\0",
                    28));
    seed("fuzz_url_shortcut", "link.url",
         "[InternetShortcut]\r\nURL=https://example.org/\r\nIconFile=/usr/share/x.ico\r\n"
         "IconIndex=0\r\n");
    seed("fuzz_url_shortcut", "mail.url", "\xEF\xBB\xBF[internetshortcut]\nurl = mailto:a@b.c\n");

    seed("fuzz_picture_jpg", "sample.jpg", encoded(sample(24, 16, false), "jpg", 90));
    seed("fuzz_picture_png", "sample.png", encoded(sample(24, 16, true), "png"));
    seed("fuzz_picture_png", "grey.png",
         encoded(sample(9, 7, false).convertToFormat(QImage::Format_Grayscale8), "png"));
    seed("fuzz_picture_bmp", "sample.bmp", encoded(sample(24, 16, false), "bmp"));
    seed("fuzz_picture_bmp", "indexed.bmp",
         encoded(sample(7, 5, false).convertToFormat(QImage::Format_Indexed8), "bmp"));
    seed("fuzz_picture_ico", "sample.ico", icoSample());
    seed("fuzz_picture_gif", "sample.gif", gifSample());
    seed("fuzz_picture_tif", "sample.tif", encoded(sample(24, 16, true), "tiff"));
    seed("fuzz_picture_emf", "sample.emf", emfSample());
    seed("fuzz_picture_wmf", "sample.wmf", wmfSample());
    seed("fuzz_icon_extractor", "program.exe", peSample());
    seed("fuzz_icon_extractor", "sample.ico", icoSample());
    return 0;
}
