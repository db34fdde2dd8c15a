#include "platform/icon_extractor.h"

#include "core/common/app_error.h"
#include "core/common/regular_file.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QtEndian>

#include <cmath>
#include <optional>
#include <vector>

namespace runpad {

namespace {

// The path comes from a shortcut and may name any file. These caps keep a
// damaged or hostile one from making us read, allocate or decode without bound.
constexpr qint64 kMaxFileSize = qint64(256) * 1024 * 1024;
constexpr quint64 kMaxIconBytes = 16 * 1024 * 1024;
constexpr quint32 kMaxIconSide = 1024;
constexpr quint32 kMaxDirectoryEntries = 0xFFFF;

constexpr quint16 kRtIcon = 3;
constexpr quint16 kRtGroupIcon = 14;

constexpr int kIconDirSize = 6;
constexpr int kIconDirEntrySize = 16;
constexpr int kGroupIconEntrySize = 14;
constexpr int kBitmapInfoHeaderSize = 40;
constexpr int kSystemIconSide = 32;

quint16 u16(const QByteArray& bytes, qsizetype at) {
    Q_ASSERT(at >= 0 && at + 2 <= bytes.size());
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

quint32 u32(const QByteArray& bytes, qsizetype at) {
    Q_ASSERT(at >= 0 && at + 4 <= bytes.size());
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

// Reads byte ranges of an open file, refusing any range not wholly inside it.
class FileRanges {
public:
    explicit FileRanges(QFile& file) : file_(file), size_(file.size()) {}

    quint64 size() const { return quint64(size_); }

    std::optional<QByteArray> read(quint64 offset, quint64 length) const {
        if (offset > size() || length > size() - offset)
            return std::nullopt;
        if (!file_.seek(qint64(offset)))
            return std::nullopt;
        QByteArray bytes = file_.read(qint64(length));
        // The file may have shrunk since we measured it.
        if (quint64(bytes.size()) != length)
            return std::nullopt;
        return bytes;
    }

private:
    QFile& file_;
    qint64 size_;
};

// The fields an ICO directory entry shares with a group icon entry of an
// executable.
struct IconEntry {
    quint8 width = 0;
    quint8 height = 0;
    quint8 colorCount = 0;
    quint16 planes = 0;
    quint16 bitCount = 0;
};

IconEntry iconEntryAt(const QByteArray& bytes, qsizetype at) {
    IconEntry entry;
    entry.width = quint8(bytes.at(at));
    entry.height = quint8(bytes.at(at + 1));
    entry.colorCount = quint8(bytes.at(at + 2));
    entry.planes = u16(bytes, at + 4);
    entry.bitCount = u16(bytes, at + 6);
    return entry;
}

// The side an entry states; 0 stands for 256 or more.
int entrySide(quint8 side) {
    return side ? side : 256;
}

// Index of the entry closest to the system icon size: the nearest in width
// and height; of equally near ones the larger (scaling down looks better than
// blowing up), then the one with more colours, then the first.
qsizetype closestEntry(const std::vector<IconEntry>& entries) {
    const auto distance = [](const IconEntry& e) {
        return qAbs(entrySide(e.width) - kSystemIconSide) +
               qAbs(entrySide(e.height) - kSystemIconSide);
    };
    const auto area = [](const IconEntry& e) { return entrySide(e.width) * entrySide(e.height); };
    qsizetype best = 0;
    for (qsizetype i = 1; i < qsizetype(entries.size()); ++i) {
        const IconEntry& a = entries[size_t(i)];
        const IconEntry& b = entries[size_t(best)];
        if (distance(a) != distance(b)) {
            if (distance(a) < distance(b))
                best = i;
        } else if (area(a) != area(b)) {
            if (area(a) > area(b))
                best = i;
        } else if (a.bitCount > b.bitCount) {
            best = i;
        }
    }
    return best;
}

// Checks the image's own header before Qt's ICO reader sees it: that reader
// trusts the declared dimensions and would allocate whatever they ask for.
bool plausibleIconImage(const IconEntry& entry, const QByteArray& data) {
    static const QByteArray pngMagic("\x89PNG\r\n\x1a\n", 8);
    quint32 width = 0;
    quint32 height = 0;
    if (data.startsWith(pngMagic)) {
        if (data.size() < 24 || data.mid(12, 4) != "IHDR")
            return false;
        width = qFromBigEndian<quint32>(data.constData() + 16);
        height = qFromBigEndian<quint32>(data.constData() + 20);
    } else {
        if (data.size() < kBitmapInfoHeaderSize || u32(data, 0) != kBitmapInfoHeaderSize)
            return false;
        const quint16 bits = u16(data, 14);
        if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
            return false;
        if (u32(data, 32) > 256) // colours used
            return false;
        // A zero in the entry means "256 or more": the bitmap then says how
        // many, its height covering the colour rows and the mask rows.
        width = entry.width ? entry.width : u32(data, 4);
        height = entry.height ? entry.height : u32(data, 8) / 2;
    }
    return width > 0 && height > 0 && width <= kMaxIconSide && height <= kMaxIconSide;
}

// Decodes one icon image (a bitmap as stored in icon files, or a PNG) by
// wrapping it in a one-image ICO for Qt's reader.
QImage decodeIconImage(const IconEntry& entry, const QByteArray& data) {
    if (!plausibleIconImage(entry, data))
        return {};
    QByteArray ico(kIconDirSize + kIconDirEntrySize, '\0');
    char* p = ico.data();
    qToLittleEndian<quint16>(0, p);
    qToLittleEndian<quint16>(1, p + 2);
    qToLittleEndian<quint16>(1, p + 4);
    p += kIconDirSize;
    p[0] = char(entry.width);
    p[1] = char(entry.height);
    p[2] = char(entry.colorCount);
    p[3] = 0;
    qToLittleEndian<quint16>(entry.planes, p + 4);
    qToLittleEndian<quint16>(entry.bitCount, p + 6);
    qToLittleEndian<quint32>(quint32(data.size()), p + 8);
    qToLittleEndian<quint32>(quint32(ico.size()), p + 12);
    ico.append(data);

    QBuffer buffer(&ico);
    if (!buffer.open(QIODevice::ReadOnly))
        return {};
    QImageReader reader(&buffer, "ico");
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

QImage iconFromIcoFile(const FileRanges& file) {
    const auto header = file.read(0, kIconDirSize);
    if (!header)
        return {};
    const quint16 type = u16(*header, 2);
    const quint16 count = u16(*header, 4);
    if (u16(*header, 0) != 0 || (type != 1 && type != 2) || count == 0)
        return {};
    const auto directory = file.read(kIconDirSize, quint64(count) * kIconDirEntrySize);
    if (!directory)
        return {};
    std::vector<IconEntry> entries;
    entries.reserve(count);
    for (qsizetype at = 0; at < directory->size(); at += kIconDirEntrySize)
        entries.push_back(iconEntryAt(*directory, at));
    const qsizetype chosen = closestEntry(entries);
    const qsizetype at = chosen * kIconDirEntrySize;
    const quint64 declaredSize = u32(*directory, at + 8);
    const quint64 offset = u32(*directory, at + 12);
    if (offset >= file.size())
        return {};
    // Some writers overstate the size of the last image; the decoder stops
    // where the image ends anyway.
    const quint64 length = qMin(declaredSize, file.size() - offset);
    if (length > kMaxIconBytes)
        return {};
    const auto data = file.read(offset, length);
    if (!data)
        return {};
    return decodeIconImage(entries[size_t(chosen)], *data);
}

// The resources of a Windows executable (PE32 or PE32+). Every offset and size
// read from the file is checked before use; the walk through the resource tree
// has a fixed depth, so a directory pointing back at itself cannot loop.
class PeResources {
public:
    explicit PeResources(const FileRanges& file) : file_(file) {}

    bool open();

    // The data of the resource of the given type, with the given ID or, when
    // none is given, the first one in directory order; its first language.
    std::optional<QByteArray> find(quint16 type, std::optional<quint16> id) const;

private:
    struct Section {
        quint64 virtualAddress = 0;
        quint64 span = 0;
        quint64 fileOffset = 0;
    };
    struct Entry {
        quint32 name = 0;
        quint32 target = 0;
        bool named() const { return name & 0x80000000u; }
        bool isDirectory() const { return target & 0x80000000u; }
        quint32 offset() const { return target & 0x7FFFFFFFu; }
    };

    std::optional<QByteArray> readRva(quint64 rva, quint64 length) const;
    std::optional<std::vector<Entry>> directory(quint32 offset) const;
    std::optional<std::vector<Entry>> subdirectory(const std::optional<Entry>& entry) const;

    const FileRanges& file_;
    std::vector<Section> sections_;
    quint64 resourceRva_ = 0;
};

bool PeResources::open() {
    const auto dos = file_.read(0, 64);
    if (!dos || !dos->startsWith("MZ"))
        return false;
    const quint64 peHeader = u32(*dos, 0x3C);
    const auto coff = file_.read(peHeader, 24);
    if (!coff || !coff->startsWith(QByteArray("PE\0\0", 4)))
        return false;
    const quint16 sectionCount = u16(*coff, 6);
    const quint16 optionalSize = u16(*coff, 20);
    const quint64 optionalHeader = peHeader + 24;
    const auto optional = file_.read(optionalHeader, optionalSize);
    if (!optional || optional->size() < 2)
        return false;

    qsizetype directories = 0;
    switch (u16(*optional, 0)) {
    case 0x10B: // PE32
        directories = 96;
        break;
    case 0x20B: // PE32+
        directories = 112;
        break;
    default:
        return false;
    }
    constexpr int resourceIndex = 2;
    const qsizetype resourceEntry = directories + resourceIndex * 8;
    if (optional->size() < resourceEntry + 8 || u32(*optional, directories - 4) <= resourceIndex)
        return false;
    resourceRva_ = u32(*optional, resourceEntry);
    if (resourceRva_ == 0)
        return false;

    const auto table = file_.read(optionalHeader + optionalSize, quint64(sectionCount) * 40);
    if (!table)
        return false;
    sections_.reserve(sectionCount);
    for (qsizetype at = 0; at < table->size(); at += 40) {
        const quint32 virtualSize = u32(*table, at + 8);
        const quint32 rawSize = u32(*table, at + 16);
        // Only what the file holds is of use; past the virtual size the
        // loader maps nothing.
        const quint64 span = virtualSize ? qMin(virtualSize, rawSize) : rawSize;
        sections_.push_back({u32(*table, at + 12), span, u32(*table, at + 20)});
    }
    return true;
}

std::optional<QByteArray> PeResources::readRva(quint64 rva, quint64 length) const {
    for (const Section& section : sections_) {
        if (rva < section.virtualAddress)
            continue;
        const quint64 into = rva - section.virtualAddress;
        if (into <= section.span && length <= section.span - into)
            return file_.read(section.fileOffset + into, length);
    }
    return std::nullopt;
}

std::optional<std::vector<PeResources::Entry>> PeResources::directory(quint32 offset) const {
    const quint64 at = resourceRva_ + offset;
    const auto header = readRva(at, 16);
    if (!header)
        return std::nullopt;
    const quint32 count = quint32(u16(*header, 12)) + u16(*header, 14);
    if (count > kMaxDirectoryEntries)
        return std::nullopt;
    const auto table = readRva(at + 16, quint64(count) * 8);
    if (!table)
        return std::nullopt;
    std::vector<Entry> entries;
    entries.reserve(count);
    for (qsizetype i = 0; i < table->size(); i += 8)
        entries.push_back({u32(*table, i), u32(*table, i + 4)});
    return entries;
}

std::optional<std::vector<PeResources::Entry>>
PeResources::subdirectory(const std::optional<Entry>& entry) const {
    if (!entry || !entry->isDirectory())
        return std::nullopt;
    return directory(entry->offset());
}

std::optional<QByteArray> PeResources::find(quint16 type, std::optional<quint16> id) const {
    const auto pick = [](const std::vector<Entry>& entries,
                         std::optional<quint16> wanted) -> std::optional<Entry> {
        for (const Entry& entry : entries) {
            if (!wanted || (!entry.named() && entry.name == *wanted))
                return entry;
        }
        return std::nullopt;
    };

    const auto root = directory(0);
    if (!root)
        return std::nullopt;
    const auto names = subdirectory(pick(*root, type));
    if (!names)
        return std::nullopt;
    const auto languages = subdirectory(pick(*names, id));
    if (!languages || languages->empty() || languages->front().isDirectory())
        return std::nullopt;

    const auto dataEntry = readRva(resourceRva_ + languages->front().offset(), 16);
    if (!dataEntry)
        return std::nullopt;
    const quint32 size = u32(*dataEntry, 4);
    if (size > kMaxIconBytes)
        return std::nullopt;
    return readRva(u32(*dataEntry, 0), size);
}

QImage iconFromExecutable(const FileRanges& file) {
    PeResources resources(file);
    if (!resources.open())
        return {};
    const auto group = resources.find(kRtGroupIcon, std::nullopt);
    if (!group || group->size() < kIconDirSize + kGroupIconEntrySize)
        return {};
    if (u16(*group, 0) != 0 || u16(*group, 2) != 1 || u16(*group, 4) == 0)
        return {};
    // Only the entries the group really holds count.
    const qsizetype count =
        qMin(qsizetype(u16(*group, 4)), (group->size() - kIconDirSize) / kGroupIconEntrySize);
    std::vector<IconEntry> entries;
    entries.reserve(size_t(count));
    for (qsizetype i = 0; i < count; ++i)
        entries.push_back(iconEntryAt(*group, kIconDirSize + i * kGroupIconEntrySize));
    const qsizetype chosen = closestEntry(entries);
    const quint16 iconId = u16(*group, kIconDirSize + chosen * kGroupIconEntrySize + 12);
    // The size the group states for the icon is not trusted: the resource
    // itself says how big it is.
    const auto icon = resources.find(kRtIcon, iconId);
    if (!icon)
        return {};
    return decodeIconImage(entries[size_t(chosen)], *icon);
}

// An icon file that cannot be opened, or is no regular file, or is larger
// than any icon, simply has no icon.
bool openIconFile(const QString& path, QFile& file) {
    try {
        return openRegularFile(path, file) && file.size() <= kMaxFileSize;
    } catch (const AppError&) {
        return false;
    }
}

} // namespace

namespace {

QImage readIcon(const QString& path) {
    QFile file;
    if (!openIconFile(path, file))
        return {};
    const FileRanges ranges(file);
    // Executables are known by their content, whatever their name.
    const auto magic = ranges.read(0, 2);
    if (magic && *magic == "MZ")
        return iconFromExecutable(ranges);

    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("ico"))
        return iconFromIcoFile(ranges);
    if (suffix == QLatin1String("png") || suffix == QLatin1String("bmp") ||
        suffix == QLatin1String("xpm") || suffix == QLatin1String("svg")) {
        if (!file.seek(0))
            return {};
        QImageReader reader(&file, suffix.toLatin1());
        reader.setAutoDetectImageFormat(false);
        return reader.read();
    }
    return {};
}

} // namespace

QImage IconExtractor::extractFirstIcon(const QString& path) const {
    if (path.isEmpty())
        return {};
    const QImage icon = readIcon(path);
    const QSize system = systemIconSize(1);
    if (icon.width() <= system.width() && icon.height() <= system.height())
        return icon;
    return icon.scaled(system, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QSize systemIconSize(qreal devicePixelRatio) {
    if (!(devicePixelRatio > 0) || !std::isfinite(devicePixelRatio))
        devicePixelRatio = 1;
    const int side = qRound(32 * devicePixelRatio);
    return {side, side};
}

} // namespace runpad
