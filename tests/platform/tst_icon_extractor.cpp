#include "platform/icon_extractor.h"

#include <QBuffer>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <functional>

#include <sys/stat.h>

using runpad::IconExtractor;
using runpad::systemIconSize;

namespace {

void put16(QByteArray& bytes, qsizetype at, quint16 value) {
    qToLittleEndian(value, bytes.data() + at);
}

void put32(QByteArray& bytes, qsizetype at, quint32 value) {
    qToLittleEndian(value, bytes.data() + at);
}

quint32 get32(const QByteArray& bytes, qsizetype at) {
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

void append16(QByteArray& bytes, quint16 value) {
    bytes.append(2, '\0');
    put16(bytes, bytes.size() - 2, value);
}

void append32(QByteArray& bytes, quint32 value) {
    bytes.append(4, '\0');
    put32(bytes, bytes.size() - 4, value);
}

QImage filled(int width, int height, const QColor& color) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(color);
    return image;
}

QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// An image as icon files store a bitmap: a header whose height counts the
// mask rows too, bottom-up BGRA rows, then an AND mask that hides nothing.
QByteArray iconBitmap(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const int width = image.width();
    const int height = image.height();
    const int maskRow = ((width + 31) / 32) * 4;
    QByteArray bytes;
    append32(bytes, 40);
    append32(bytes, width);
    append32(bytes, height * 2);
    append16(bytes, 1);
    append16(bytes, 32);
    append32(bytes, 0);
    append32(bytes, width * height * 4 + maskRow * height);
    for (int i = 0; i < 4; ++i)
        append32(bytes, 0);
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            const QRgb pixel = image.pixel(x, y);
            bytes.append(char(qBlue(pixel)));
            bytes.append(char(qGreen(pixel)));
            bytes.append(char(qRed(pixel)));
            bytes.append(char(qAlpha(pixel)));
        }
    }
    bytes.append(QByteArray(maskRow * height, '\0'));
    return bytes;
}

struct IcoImage {
    QSize size; // as the directory entry states it
    QByteArray data;
};

IcoImage bitmapImage(const QImage& image) {
    return {image.size(), iconBitmap(image)};
}
IcoImage pngImage(const QImage& image) {
    return {image.size(), encoded(image, "png")};
}

QByteArray icoFile(const QList<IcoImage>& images) {
    QByteArray bytes;
    append16(bytes, 0);
    append16(bytes, 1);
    append16(bytes, quint16(images.size()));
    quint32 offset = 6 + 16 * images.size();
    for (const IcoImage& image : images) {
        bytes.append(char(image.size.width() >= 256 ? 0 : image.size.width()));
        bytes.append(char(image.size.height() >= 256 ? 0 : image.size.height()));
        bytes.append(2, '\0');
        append16(bytes, 1);
        append16(bytes, 32);
        append32(bytes, image.data.size());
        append32(bytes, offset);
        offset += image.data.size();
    }
    for (const IcoImage& image : images)
        bytes.append(image.data);
    return bytes;
}

struct ResourceNode {
    QString name; // empty: known by its ID
    quint16 id = 0;
    QList<ResourceNode> children; // none: a leaf holding data
    QByteArray data;
};

// Lays out a resource tree as linkers do: directories, then names, then data
// entries, then data. Records where each directory and data entry landed,
// keyed by path ("" for the root, "14/1/1033" for a leaf).
class ResourceWriter {
public:
    explicit ResourceWriter(quint32 sectionRva) : rva_(sectionRva) {}

    QByteArray write(const ResourceNode& root) {
        directory(root, QString());
        for (const PendingName& name : std::as_const(names_)) {
            put32(out_, name.field, 0x80000000u | quint32(out_.size()));
            append16(out_, quint16(name.text.size()));
            for (QChar c : name.text)
                append16(out_, c.unicode());
        }
        QList<qsizetype> dataEntries;
        for (const Leaf& leaf : std::as_const(leaves_)) {
            align();
            put32(out_, leaf.field, quint32(out_.size()));
            where[leaf.path] = out_.size();
            dataEntries.append(out_.size());
            out_.append(16, '\0');
        }
        for (qsizetype i = 0; i < leaves_.size(); ++i) {
            align();
            put32(out_, dataEntries[i], rva_ + quint32(out_.size()));
            put32(out_, dataEntries[i] + 4, quint32(leaves_[i].data.size()));
            out_.append(leaves_[i].data);
        }
        return out_;
    }

    QMap<QString, qsizetype> where;

private:
    struct PendingName {
        qsizetype field;
        QString text;
    };
    struct Leaf {
        qsizetype field;
        QByteArray data;
        QString path;
    };

    void align() {
        while (out_.size() % 4)
            out_.append('\0');
    }

    void directory(const ResourceNode& node, const QString& path) {
        where[path] = out_.size();
        quint16 named = 0;
        for (const ResourceNode& child : node.children)
            named += child.name.isEmpty() ? 0 : 1;
        out_.append(12, '\0');
        append16(out_, named);
        append16(out_, quint16(node.children.size() - named));
        const qsizetype entries = out_.size();
        out_.append(8 * node.children.size(), '\0');
        for (qsizetype i = 0; i < node.children.size(); ++i) {
            const ResourceNode& child = node.children[i];
            const qsizetype field = entries + 8 * i;
            const QString key = child.name.isEmpty() ? QString::number(child.id) : child.name;
            const QString childPath = path.isEmpty() ? key : path + u'/' + key;
            if (child.name.isEmpty())
                put32(out_, field, child.id);
            else
                names_.append({field, child.name});
            if (child.children.isEmpty()) {
                leaves_.append({field + 4, child.data, childPath});
            } else {
                put32(out_, field + 4, 0x80000000u | quint32(out_.size()));
                directory(child, childPath);
            }
        }
    }

    quint32 rva_;
    QByteArray out_;
    QList<PendingName> names_;
    QList<Leaf> leaves_;
};

// A Windows executable reduced to what icon extraction reads, plus where its
// parts are, so tests can damage them.
struct Exe {
    QByteArray bytes;
    qsizetype peHeader = 0;
    qsizetype optionalHeader = 0;
    qsizetype resourceDirectory = 0; // the data directory entry naming the resources
    qsizetype sections = 0;
    qsizetype resources = 0; // file offset of the resource section
    quint32 resourceRva = 0;
    QMap<QString, qsizetype> where; // file offsets of resource directories and data entries

    // File offset of the data a leaf's data entry points at.
    qsizetype dataOf(const QString& leaf) const {
        return get32(bytes, where.value(leaf)) - resourceRva + resources;
    }
    // File offset of the n-th entry of a resource directory.
    qsizetype entryOf(const QString& directory, int n) const {
        return where.value(directory) + 16 + 8 * n;
    }
};

struct ExeIcon {
    quint16 id;
    QSize size;
    QByteArray data;
};

struct ExeGroup {
    QString name; // empty: known by its ID
    quint16 id;
    QList<quint16> icons;
};

ExeIcon bitmapIcon(quint16 id, const QImage& image) {
    return {id, image.size(), iconBitmap(image)};
}
ExeIcon pngIcon(quint16 id, const QImage& image) {
    return {id, image.size(), encoded(image, "png")};
}

constexpr quint16 kEnglish = 1033;

ResourceNode leafOf(quint16 id, const QString& name, const QByteArray& data) {
    ResourceNode node;
    node.id = id;
    node.name = name;
    node.children.append(ResourceNode{QString(), kEnglish, {}, data});
    return node;
}

Exe buildExe(const QList<ExeGroup>& groups, const QList<ExeIcon>& icons, bool pe64 = false) {
    ResourceNode root;
    if (!icons.isEmpty()) {
        ResourceNode type{QString(), 3, {}, {}};
        for (const ExeIcon& icon : icons)
            type.children.append(leafOf(icon.id, QString(), icon.data));
        root.children.append(type);
    }
    if (!groups.isEmpty()) {
        ResourceNode type{QString(), 14, {}, {}};
        for (const ExeGroup& group : groups) {
            QByteArray data;
            append16(data, 0);
            append16(data, 1);
            append16(data, quint16(group.icons.size()));
            for (quint16 id : group.icons) {
                const auto icon = std::find_if(icons.begin(), icons.end(),
                                               [id](const ExeIcon& i) { return i.id == id; });
                const QSize size = icon == icons.end() ? QSize(32, 32) : icon->size;
                data.append(char(size.width() >= 256 ? 0 : size.width()));
                data.append(char(size.height() >= 256 ? 0 : size.height()));
                data.append(2, '\0');
                append16(data, 1);
                append16(data, 32);
                append32(data, icon == icons.end() ? 0 : quint32(icon->data.size()));
                append16(data, id);
            }
            type.children.append(leafOf(group.id, group.name, data));
        }
        root.children.append(type);
    }

    Exe exe;
    exe.peHeader = 0x80;
    exe.resources = 0x400;
    exe.resourceRva = 0x2000;
    ResourceWriter writer(exe.resourceRva);
    const QByteArray resources = writer.write(root);
    for (auto it = writer.where.cbegin(); it != writer.where.cend(); ++it)
        exe.where[it.key()] = exe.resources + it.value();

    QByteArray& bytes = exe.bytes;
    bytes = QByteArray(exe.resources, '\0');
    bytes[0] = 'M';
    bytes[1] = 'Z';
    put32(bytes, 0x3C, quint32(exe.peHeader));
    bytes.replace(exe.peHeader, 4, QByteArray("PE\0\0", 4));
    const qsizetype coff = exe.peHeader + 4;
    const qsizetype directories = pe64 ? 112 : 96;
    const quint16 optionalSize = quint16(directories + 16 * 8);
    put16(bytes, coff, pe64 ? 0x8664 : 0x14C);
    put16(bytes, coff + 2, 2);
    put16(bytes, coff + 16, optionalSize);
    put16(bytes, coff + 18, 0x0102);
    exe.optionalHeader = coff + 20;
    put16(bytes, exe.optionalHeader, pe64 ? 0x20B : 0x10B);
    put32(bytes, exe.optionalHeader + directories - 4, 16);
    exe.resourceDirectory = exe.optionalHeader + directories + 2 * 8;
    put32(bytes, exe.resourceDirectory, exe.resourceRva);
    put32(bytes, exe.resourceDirectory + 4, quint32(resources.size()));

    // A code section first, mapped differently, so the resource section has
    // to be looked up rather than assumed.
    exe.sections = exe.optionalHeader + optionalSize;
    struct Section {
        const char* name;
        quint32 virtualAddress, size, fileOffset;
    };
    const Section table[] = {
        {".text", 0x1000, 0x200, 0x200},
        {".rsrc", exe.resourceRva, quint32(resources.size()), quint32(exe.resources)}};
    for (int i = 0; i < 2; ++i) {
        const qsizetype at = exe.sections + 40 * i;
        bytes.replace(at, int(qstrlen(table[i].name)), table[i].name);
        put32(bytes, at + 8, table[i].size);
        put32(bytes, at + 12, table[i].virtualAddress);
        put32(bytes, at + 16, table[i].size);
        put32(bytes, at + 20, table[i].fileOffset);
    }
    bytes.replace(0x200, 0x200, QByteArray(0x200, '\xCC'));
    bytes.append(resources);
    return exe;
}

// The usual case: one group holding one icon.
Exe plainExe(const QImage& image) {
    return buildExe({{QString(), 1, {1}}}, {bitmapIcon(1, image)});
}

QImage extractFrom(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    file.close();
    return IconExtractor().extractFirstIcon(path);
}

QColor colorAt(const QImage& image, int x, int y) {
    return QColor::fromRgba(image.pixel(x, y));
}

using Mutation = std::function<void(Exe&)>;

enum class Entry { File, HugeFile, Folder, Fifo, Nothing };

} // namespace

Q_DECLARE_METATYPE(Mutation)
Q_DECLARE_METATYPE(Entry)

class TestIconExtractor : public QObject {
    Q_OBJECT

private slots:
    void readsFirstImageOfImageFiles_data();
    void readsFirstImageOfImageFiles();
    void readsSvgAtItsOwnSize();
    void largeIconShowsWholeNotCorner_data();
    void largeIconShowsWholeNotCorner();
    void readsFirstIconOfExecutable_data();
    void readsFirstIconOfExecutable();
    void damagedExecutableGivesNull_data();
    void damagedExecutableGivesNull();
    void everyTruncatedExecutableGivesNull();
    void damagedBytesNeverGiveOversizedIcon();
    void unreadableFilesGiveNull_data();
    void unreadableFilesGiveNull();
    void systemIconSizeFollowsScale_data();
    void systemIconSizeFollowsScale();
};

void TestIconExtractor::readsFirstImageOfImageFiles_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QColor>("color");

    const QImage red16 = filled(16, 16, Qt::red);
    const QImage blue32 = filled(32, 32, Qt::blue);
    const QImage green48 = filled(48, 48, Qt::green);

    QTest::newRow("ico: the 32-pixel image of two, listed second")
        << "two.ico" << icoFile({bitmapImage(red16), bitmapImage(blue32)}) << QSize(32, 32)
        << QColor(Qt::blue);
    QTest::newRow("ico: the 32-pixel image of two, listed first")
        << "two.ico" << icoFile({bitmapImage(blue32), bitmapImage(red16)}) << QSize(32, 32)
        << QColor(Qt::blue);
    QTest::newRow("ico: the 32-pixel image among larger and smaller ones")
        << "many.ico"
        << icoFile({bitmapImage(red16), pngImage(filled(256, 256, Qt::yellow)),
                    bitmapImage(green48), bitmapImage(blue32)})
        << QSize(32, 32) << QColor(Qt::blue);
    QTest::newRow("ico: of two equally near images the larger, scaled down")
        << "mixed.ico" << icoFile({bitmapImage(red16), pngImage(green48)}) << QSize(32, 32)
        << QColor(Qt::green);
    QTest::newRow("ico: 256-pixel bitmap, entry size written as zero, scaled down")
        << "big.ico" << icoFile({bitmapImage(filled(256, 256, Qt::yellow))}) << QSize(32, 32)
        << QColor(Qt::yellow);
    QTest::newRow("ico: 256-pixel PNG scaled down")
        << "big.ico" << icoFile({pngImage(filled(256, 256, Qt::yellow))}) << QSize(32, 32)
        << QColor(Qt::yellow);
    QTest::newRow("ico: wide image scaled down keeping its shape")
        << "wide.ico" << icoFile({bitmapImage(filled(64, 32, Qt::cyan))}) << QSize(32, 16)
        << QColor(Qt::cyan);
    QTest::newRow("png larger than an icon scaled down")
        << "picture.png" << encoded(filled(128, 64, Qt::magenta), "png") << QSize(32, 16)
        << QColor(Qt::magenta);
    QTest::newRow("ico: extension in capitals")
        << "ICON.ICO" << icoFile({bitmapImage(red16)}) << QSize(16, 16) << QColor(Qt::red);
    QTest::newRow("png at its own size, not the system icon size")
        << "picture.png" << encoded(filled(20, 10, Qt::magenta), "png") << QSize(20, 10)
        << QColor(Qt::magenta);
    QTest::newRow("png: extension in mixed case")
        << "PICTURE.Png" << encoded(filled(20, 10, Qt::magenta), "png") << QSize(20, 10)
        << QColor(Qt::magenta);
    QTest::newRow("bmp") << "picture.bmp" << encoded(filled(12, 18, Qt::cyan), "bmp")
                         << QSize(12, 18) << QColor(Qt::cyan);
    QTest::newRow("xpm") << "picture.xpm" << encoded(filled(9, 7, Qt::darkGreen), "xpm")
                         << QSize(9, 7) << QColor(Qt::darkGreen);
}

void TestIconExtractor::readsFirstImageOfImageFiles() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QSize, size);
    QFETCH(QColor, color);
    QVERIFY(!bytes.isEmpty());

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QImage image = extractFrom(dir, name, bytes);
    QCOMPARE(image.size(), size);
    QCOMPARE(colorAt(image, 0, 0), color);
    QCOMPARE(colorAt(image, size.width() - 1, size.height() - 1), color);
}

void TestIconExtractor::readsSvgAtItsOwnSize() {
    if (!QImageReader::supportedImageFormats().contains("svg"))
        QSKIP("The SVG image plugin is not installed.");

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QImage image = extractFrom(dir, QStringLiteral("drawing.svg"),
                                     "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"24\" "
                                     "height=\"20\"><rect width=\"24\" height=\"20\" "
                                     "fill=\"#0000ff\"/></svg>");
    QCOMPARE(image.size(), QSize(24, 20));
    QCOMPARE(colorAt(image, 12, 10), QColor(Qt::blue));
}

void TestIconExtractor::largeIconShowsWholeNotCorner_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");

    // Red top-left quarter, blue elsewhere: a picture cut to its corner would
    // be all red.
    QImage quartered = filled(64, 64, Qt::blue);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x)
            quartered.setPixel(x, y, qRgb(255, 0, 0));
    }
    QTest::newRow("ico bitmap") << "large.ico" << icoFile({bitmapImage(quartered)});
    QTest::newRow("ico PNG") << "large.ico" << icoFile({pngImage(quartered)});
    QTest::newRow("executable")
        << "program.exe" << buildExe({{QString(), 1, {1}}}, {bitmapIcon(1, quartered)}).bytes;
}

void TestIconExtractor::largeIconShowsWholeNotCorner() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QImage image = extractFrom(dir, name, bytes);
    QCOMPARE(image.size(), QSize(32, 32));
    QCOMPARE(colorAt(image, 4, 4), QColor(Qt::red));
    QCOMPARE(colorAt(image, 27, 4), QColor(Qt::blue));
    QCOMPARE(colorAt(image, 27, 27), QColor(Qt::blue));
}

void TestIconExtractor::readsFirstIconOfExecutable_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QColor>("color");

    const QImage red16 = filled(16, 16, Qt::red);
    const QImage blue32 = filled(32, 32, Qt::blue);
    const QImage green48 = filled(48, 48, Qt::green);

    QTest::newRow("PE32, one group")
        << "program.exe" << plainExe(blue32).bytes << QSize(32, 32) << QColor(Qt::blue);
    QTest::newRow("PE32+, one group")
        << "program.exe" << buildExe({{QString(), 1, {1}}}, {bitmapIcon(1, blue32)}, true).bytes
        << QSize(32, 32) << QColor(Qt::blue);
    QTest::newRow("PNG-compressed icon, scaled down")
        << "program.exe" << buildExe({{QString(), 1, {1}}}, {pngIcon(1, green48)}).bytes
        << QSize(32, 32) << QColor(Qt::green);
    QTest::newRow("first group in directory order")
        << "program.exe"
        << buildExe({{QString(), 5, {2}}, {QString(), 7, {1}}},
                    {bitmapIcon(1, blue32), bitmapIcon(2, red16)})
               .bytes
        << QSize(16, 16) << QColor(Qt::red);
    QTest::newRow("named group, listed before numbered ones")
        << "program.exe"
        << buildExe({{QStringLiteral("MAINICON"), 0, {3}}, {QString(), 1, {1}}},
                    {bitmapIcon(1, blue32), bitmapIcon(3, green48)})
               .bytes
        << QSize(32, 32) << QColor(Qt::green);
    QTest::newRow("the group's 32-pixel icon, not the first icon resource")
        << "program.exe"
        << buildExe({{QString(), 1, {2, 1}}}, {bitmapIcon(1, blue32), bitmapIcon(2, red16)}).bytes
        << QSize(32, 32) << QColor(Qt::blue);
    QTest::newRow("the group's 32-pixel icon among larger and smaller ones")
        << "program.exe"
        << buildExe({{QString(), 1, {3, 4, 1, 2}}},
                    {bitmapIcon(1, blue32), bitmapIcon(2, red16), pngIcon(3, green48),
                     pngIcon(4, filled(256, 256, Qt::yellow))})
               .bytes
        << QSize(32, 32) << QColor(Qt::blue);
    QTest::newRow("256-pixel icon of a group, scaled down")
        << "program.exe"
        << buildExe({{QString(), 1, {1}}}, {pngIcon(1, filled(256, 256, Qt::yellow))}).bytes
        << QSize(32, 32) << QColor(Qt::yellow);

    Exe misstated = plainExe(blue32);
    put32(misstated.bytes, misstated.dataOf(QStringLiteral("14/1/1033")) + 6 + 8, 0x00FFFFFF);
    QTest::newRow("group misstating the icon's byte count")
        << "program.exe" << misstated.bytes << QSize(32, 32) << QColor(Qt::blue);

    QTest::newRow("DLL") << "library.dll" << plainExe(red16).bytes << QSize(16, 16)
                         << QColor(Qt::red);
    QTest::newRow("no extension") << "program" << plainExe(red16).bytes << QSize(16, 16)
                                  << QColor(Qt::red);
    QTest::newRow("named like an image")
        << "picture.png" << plainExe(red16).bytes << QSize(16, 16) << QColor(Qt::red);
}

void TestIconExtractor::readsFirstIconOfExecutable() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QSize, size);
    QFETCH(QColor, color);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QImage image = extractFrom(dir, name, bytes);
    QCOMPARE(image.size(), size);
    QCOMPARE(colorAt(image, 0, 0), color);
    QCOMPARE(colorAt(image, size.width() - 1, size.height() - 1), color);
}

void TestIconExtractor::damagedExecutableGivesNull_data() {
    QTest::addColumn<Mutation>("damage");

    const QString root;
    const QString groups = QStringLiteral("14");
    const QString group = QStringLiteral("14/1");
    const QString groupData = QStringLiteral("14/1/1033");
    const QString iconData = QStringLiteral("3/1/1033");
    // The root lists RT_ICON first, then RT_GROUP_ICON.
    const int groupType = 1;

    QTest::newRow("cut inside the DOS header") << Mutation([](Exe& e) { e.bytes.truncate(40); });
    QTest::newRow("cut inside the PE headers")
        << Mutation([](Exe& e) { e.bytes.truncate(e.peHeader + 30); });
    QTest::newRow("cut inside the section table")
        << Mutation([](Exe& e) { e.bytes.truncate(e.sections + 60); });
    QTest::newRow("cut inside the resource directory")
        << Mutation([=](Exe& e) { e.bytes.truncate(e.where.value(groups) + 4); });
    QTest::newRow("cut inside the icon data")
        << Mutation([=](Exe& e) { e.bytes.truncate(e.dataOf(iconData) + 100); });
    QTest::newRow("PE header offset past the end")
        << Mutation([](Exe& e) { put32(e.bytes, 0x3C, quint32(e.bytes.size() + 16)); });
    QTest::newRow("PE header offset near 4 GiB")
        << Mutation([](Exe& e) { put32(e.bytes, 0x3C, 0xFFFFFFF0u); });
    QTest::newRow("NE signature instead of PE") << Mutation([](Exe& e) {
        e.bytes[e.peHeader] = 'N';
        e.bytes[e.peHeader + 1] = 'E';
    });
    QTest::newRow("unknown optional header magic")
        << Mutation([](Exe& e) { put16(e.bytes, e.optionalHeader, 0x107); });
    QTest::newRow("only two data directories")
        << Mutation([](Exe& e) { put32(e.bytes, e.resourceDirectory - 20, 2); });
    QTest::newRow("no resource directory") << Mutation([](Exe& e) {
        put32(e.bytes, e.resourceDirectory, 0);
        put32(e.bytes, e.resourceDirectory + 4, 0);
    });
    QTest::newRow("resources outside every section")
        << Mutation([](Exe& e) { put32(e.bytes, e.resourceDirectory, 0x9000); });
    QTest::newRow("resource section data past the end of the file")
        << Mutation([](Exe& e) { put32(e.bytes, e.sections + 40 + 20, 0x7FFFFF00u); });
    QTest::newRow("section count far beyond the table")
        << Mutation([](Exe& e) { put16(e.bytes, e.peHeader + 6, 0xFFFF); });
    QTest::newRow("root claiming 65535 entries")
        << Mutation([=](Exe& e) { put16(e.bytes, e.where.value(root) + 14, 0xFFFF); });
    QTest::newRow("group directory claiming 65535 more named entries")
        << Mutation([=](Exe& e) { put16(e.bytes, e.where.value(groups) + 12, 0xFFFF); });
    QTest::newRow("group type pointing back at the root")
        << Mutation([=](Exe& e) { put32(e.bytes, e.entryOf(root, groupType) + 4, 0x80000000u); });
    QTest::newRow("language directory pointing at itself") << Mutation([=](Exe& e) {
        const quint32 self = quint32(e.where.value(group) - e.resources);
        put32(e.bytes, e.entryOf(group, 0) + 4, 0x80000000u | self);
    });
    QTest::newRow("group type marked as data") << Mutation([=](Exe& e) {
        put32(e.bytes, e.entryOf(root, groupType) + 4,
              quint32(e.where.value(groups) - e.resources));
    });
    QTest::newRow("group data outside every section")
        << Mutation([=](Exe& e) { put32(e.bytes, e.where.value(groupData), 0x50000); });
    QTest::newRow("group data size near 4 GiB")
        << Mutation([=](Exe& e) { put32(e.bytes, e.where.value(groupData) + 4, 0xFFFFFFF0u); });
    QTest::newRow("group listing no icons")
        << Mutation([=](Exe& e) { put16(e.bytes, e.dataOf(groupData) + 4, 0); });
    QTest::newRow("group naming a missing icon")
        << Mutation([=](Exe& e) { put16(e.bytes, e.dataOf(groupData) + 6 + 12, 99); });
    QTest::newRow("icon data empty")
        << Mutation([=](Exe& e) { put32(e.bytes, e.where.value(iconData) + 4, 0); });
    QTest::newRow("icon data not a bitmap") << Mutation([=](Exe& e) {
        const qsizetype at = e.dataOf(iconData);
        const qsizetype size = get32(e.bytes, e.where.value(iconData) + 4);
        e.bytes.replace(at, size, QByteArray(size, '\xFF'));
    });
    QTest::newRow("icons without any group")
        << Mutation([](Exe& e) { e = buildExe({}, {bitmapIcon(1, filled(32, 32, Qt::blue))}); });
}

void TestIconExtractor::damagedExecutableGivesNull() {
    QFETCH(Mutation, damage);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    Exe exe = plainExe(filled(32, 32, Qt::blue));
    QVERIFY(!extractFrom(dir, QStringLiteral("program.exe"), exe.bytes).isNull());

    damage(exe);
    QVERIFY(extractFrom(dir, QStringLiteral("program.exe"), exe.bytes).isNull());
}

void TestIconExtractor::everyTruncatedExecutableGivesNull() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray whole = plainExe(filled(16, 16, Qt::red)).bytes;
    QVERIFY(!extractFrom(dir, QStringLiteral("program.exe"), whole).isNull());

    // The file ends with resource data, so every cut loses something needed.
    for (qsizetype size = 0; size < whole.size(); ++size) {
        if (!extractFrom(dir, QStringLiteral("program.exe"), whole.left(size)).isNull())
            QFAIL(qPrintable(QStringLiteral("the file cut to %1 bytes gave an icon").arg(size)));
    }
}

void TestIconExtractor::damagedBytesNeverGiveOversizedIcon() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray whole = plainExe(filled(16, 16, Qt::red)).bytes;

    // Flipping every bit of a byte, or just its top bit (the flag marking
    // subdirectories and names), anywhere in the file: the extractor must
    // neither crash nor return more than an icon can be.
    // Under the sanitizers every seventh byte only, from a different start
    // for each kind of flip: each extraction costs many times as much there.
    const qsizetype stride = qEnvironmentVariableIsSet("RUNPAD_SANITIZED") ? 7 : 1;
    for (const char flip : {'\xFF', '\x80'}) {
        for (qsizetype at = flip == '\xFF' ? 0 : stride / 2; at < whole.size(); at += stride) {
            QByteArray damaged = whole;
            damaged[at] = char(damaged[at] ^ flip);
            const QImage image = extractFrom(dir, QStringLiteral("program.exe"), damaged);
            if (image.width() > 1024 || image.height() > 1024)
                QFAIL(qPrintable(QStringLiteral("byte %1 xor %2 gave a %3 x %4 icon")
                                     .arg(at)
                                     .arg(quint8(flip))
                                     .arg(image.width())
                                     .arg(image.height())));
        }
    }
}

void TestIconExtractor::unreadableFilesGiveNull_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<Entry>("entry");
    QTest::addColumn<QByteArray>("bytes");

    const QByteArray png = encoded(filled(16, 16, Qt::red), "png");
    QByteArray pastEnd = icoFile({bitmapImage(filled(16, 16, Qt::red))});
    put32(pastEnd, 6 + 12, 0x10000);

    QTest::newRow("empty path") << QString() << Entry::Nothing << QByteArray();
    QTest::newRow("missing file") << "absent.ico" << Entry::Nothing << QByteArray();
    QTest::newRow("folder named like an icon") << "folder.ico" << Entry::Folder << QByteArray();
    // Opening a FIFO for reading waits for a writer that never comes.
    QTest::newRow("FIFO named like an icon") << "pipe.ico" << Entry::Fifo << QByteArray();
    QTest::newRow("PNG under an unknown extension") << "picture.txt" << Entry::File << png;
    QTest::newRow("PNG without extension") << "picture" << Entry::File << png;
    QTest::newRow("PNG bytes named .bmp") << "picture.bmp" << Entry::File << png;
    QTest::newRow("PNG cut short") << "picture.png" << Entry::File << png.left(40);
    QTest::newRow("PNG padded past 256 MiB") << "huge.png" << Entry::HugeFile << png;
    QTest::newRow("empty ico") << "empty.ico" << Entry::File << QByteArray();
    QTest::newRow("ico listing no images") << "none.ico" << Entry::File << icoFile({});
    QTest::newRow("ico whose first image lies past the end")
        << "past.ico" << Entry::File << pastEnd;
    QTest::newRow("ico whose first image is not a bitmap")
        << "noise.ico" << Entry::File << icoFile({{QSize(16, 16), QByteArray(1200, '\xFF')}});
    QTest::newRow("MZ file that is not a PE")
        << "old.exe" << Entry::File << QByteArray("MZ").append(62, '\0');
    QTest::newRow("text named like an executable")
        << "notes.exe" << Entry::File << QByteArray("hello");
}

void TestIconExtractor::unreadableFilesGiveNull() {
    QFETCH(QString, name);
    QFETCH(Entry, entry);
    QFETCH(QByteArray, bytes);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = name.isEmpty() ? QString() : dir.filePath(name);
    switch (entry) {
    case Entry::File:
    case Entry::HugeFile: {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), bytes.size());
        // Sparse: costs no disk space.
        if (entry == Entry::HugeFile)
            QVERIFY(file.resize(qint64(256) * 1024 * 1024 + 1));
        break;
    }
    case Entry::Folder:
        QVERIFY(QDir(dir.path()).mkdir(name));
        break;
    case Entry::Fifo:
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        break;
    case Entry::Nothing:
        break;
    }

    QVERIFY(IconExtractor().extractFirstIcon(path).isNull());
}

void TestIconExtractor::systemIconSizeFollowsScale_data() {
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<int>("side");

    QTest::newRow("96 dpi") << 1.0 << 32;
    QTest::newRow("125 %") << 1.25 << 40;
    QTest::newRow("150 %") << 1.5 << 48;
    QTest::newRow("200 %") << 2.0 << 64;
    QTest::newRow("300 %") << 3.0 << 96;
    QTest::newRow("110 %, the size rounded down") << 1.1 << 35;
    QTest::newRow("130 %, the size rounded up") << 1.3 << 42;
    QTest::newRow("zero counts as 96 dpi") << 0.0 << 32;
    QTest::newRow("negative counts as 96 dpi") << -2.0 << 32;
}

void TestIconExtractor::systemIconSizeFollowsScale() {
    QFETCH(qreal, ratio);
    QFETCH(int, side);

    QCOMPARE(systemIconSize(ratio), QSize(side, side));
}

QTEST_GUILESS_MAIN(TestIconExtractor)
#include "tst_icon_extractor.moc"
