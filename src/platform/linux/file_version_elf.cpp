#include "platform/file_version.h"

#include "core/about/version_text.h"
#include "core/common/regular_file.h"

#include <QFile>
#include <cstring>
#include <optional>

namespace runpad {

// No packaged library reads one named section of an ELF file without pulling
// in a whole toolchain library (libelf, libbfd), and the format's headers are
// small: they are read here, each offset and size checked against the file.
namespace {

constexpr qint64 kMaxSectionHeaderBytes = 4 << 20;
constexpr qint64 kMaxNameTableBytes = 4 << 20;
constexpr quint32 kSectionNoBits = 8;

class ElfFile {
public:
    explicit ElfFile(QFile& file) : file_(file), size_(file.size()) {}

    std::optional<QByteArray> read(quint64 offset, quint64 length) const {
        if (offset > quint64(size_) || length > quint64(size_) - offset)
            return std::nullopt;
        if (!file_.seek(qint64(offset)))
            return std::nullopt;
        QByteArray bytes = file_.read(qint64(length));
        if (bytes.size() != qint64(length))
            return std::nullopt;
        return bytes;
    }

    void setByteOrder(bool bigEndian) { bigEndian_ = bigEndian; }

    quint64 number(const QByteArray& bytes, int offset, int width) const {
        quint64 value = 0;
        for (int i = 0; i < width; ++i) {
            const int at = bigEndian_ ? offset + i : offset + width - 1 - i;
            value = (value << 8) | quint8(bytes[at]);
        }
        return value;
    }

private:
    QFile& file_;
    qint64 size_;
    bool bigEndian_ = false;
};

struct Layout {
    int headerSize;
    int shoffAt, shoffWidth, shentsizeAt, shnumAt, shstrndxAt;
    int minSectionHeader, nameAt, typeAt, offsetAt, sizeAt, wordWidth;
};
constexpr Layout kElf32{52, 0x20, 4, 0x2E, 0x30, 0x32, 40, 0, 4, 16, 20, 4};
constexpr Layout kElf64{64, 0x28, 8, 0x3A, 0x3C, 0x3E, 64, 0, 4, 24, 32, 8};

std::optional<QByteArray> findVersionRecord(QFile& file) {
    ElfFile elf(file);
    const auto ident = elf.read(0, 16);
    if (!ident || !ident->startsWith("\x7F"
                                     "ELF"))
        return std::nullopt;
    const char elfClass = (*ident)[4];
    const char encoding = (*ident)[5];
    if ((elfClass != 1 && elfClass != 2) || (encoding != 1 && encoding != 2))
        return std::nullopt;
    const Layout& l = elfClass == 1 ? kElf32 : kElf64;
    elf.setByteOrder(encoding == 2);

    const auto header = elf.read(0, l.headerSize);
    if (!header)
        return std::nullopt;
    const quint64 shoff = elf.number(*header, l.shoffAt, l.shoffWidth);
    const quint64 shentsize = elf.number(*header, l.shentsizeAt, 2);
    const quint64 shnum = elf.number(*header, l.shnumAt, 2);
    const quint64 shstrndx = elf.number(*header, l.shstrndxAt, 2);
    if (shnum == 0 || shentsize < quint64(l.minSectionHeader) || shstrndx >= shnum ||
        shnum * shentsize > quint64(kMaxSectionHeaderBytes))
        return std::nullopt;
    const auto table = elf.read(shoff, shnum * shentsize);
    if (!table)
        return std::nullopt;

    auto field = [&](quint64 index, int at, int width) {
        return elf.number(*table, int(index * shentsize) + at, width);
    };
    const quint64 namesOffset = field(shstrndx, l.offsetAt, l.wordWidth);
    const quint64 namesSize = field(shstrndx, l.sizeAt, l.wordWidth);
    if (namesSize > quint64(kMaxNameTableBytes))
        return std::nullopt;
    const auto names = elf.read(namesOffset, namesSize);
    if (!names)
        return std::nullopt;

    const QByteArray wanted(RUNPAD_FILE_VERSION_SECTION);
    for (quint64 i = 0; i < shnum; ++i) {
        const quint64 nameAt = field(i, l.nameAt, 4);
        if (nameAt >= quint64(names->size()))
            continue;
        const char* name = names->constData() + nameAt;
        const qsizetype room = names->size() - qsizetype(nameAt);
        if (qstrnlen(name, room) != size_t(wanted.size()) ||
            wanted != QByteArray(name, wanted.size()))
            continue;
        if (field(i, l.typeAt, 4) == kSectionNoBits)
            return std::nullopt;
        const quint64 size = field(i, l.sizeAt, l.wordWidth);
        if (size < quint64(kFileVersionRecordSize))
            return std::nullopt;
        return elf.read(field(i, l.offsetAt, l.wordWidth), kFileVersionRecordSize);
    }
    return std::nullopt;
}

std::optional<FileVersionNumbers> readVersionNumbers(const QString& path) {
    QFile file;
    try {
        if (!openRegularFile(path, file))
            return std::nullopt;
    } catch (...) {
        return std::nullopt;
    }
    const auto record = findVersionRecord(file);
    if (!record ||
        std::memcmp(record->constData(), kFileVersionMagic, sizeof kFileVersionMagic) != 0)
        return std::nullopt;
    auto number = [&](int index) {
        const int at = int(sizeof kFileVersionMagic) + 2 * index;
        return int(quint8((*record)[at])) | int(quint8((*record)[at + 1])) << 8;
    };
    return FileVersionNumbers{number(0), number(1), number(2), number(3)};
}

} // namespace

QString GetFileVersionText(const QString& path, int& major, int& minor, int& release, int& build,
                           QString& packed) {
    major = minor = release = build = -1;
    packed = kUnknownPackedVersion;
    const std::optional<FileVersionNumbers> v = readVersionNumbers(path);
    if (!v)
        return kUnknownDottedVersion;
    major = v->major;
    minor = v->minor;
    release = v->release;
    build = v->build;
    packed = packedVersion(*v);
    return dottedVersion(*v);
}

QString GetFileVersionText(const QString& path) {
    int major, minor, release, build;
    QString packed;
    return GetFileVersionText(path, major, minor, release, build, packed);
}

} // namespace runpad
