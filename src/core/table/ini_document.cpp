#include "core/table/ini_document.h"

#include "core/common/windows1252.h"

#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace runpad {

namespace {

// Pieces are addressed with 32-bit offsets to keep a line small.
constexpr qsizetype kMaxText = std::numeric_limits<quint32>::max();

void checkTextSize(qsizetype size) {
    if (size > kMaxText)
        throw std::length_error("INI text of 4 GiB or more");
}

bool isBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

// Only spaces and tabs count: other control characters are part of a name.
QStringView trimBlanks(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin].unicode()))
        ++begin;
    while (end > begin && isBlank(text[end - 1].unicode()))
        --end;
    return text.sliced(begin, end - begin);
}

bool isBlankText(QByteArrayView text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return isBlank(char16_t(c)); });
}

char16_t asciiLower(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? char16_t(c + (u'a' - u'A')) : c;
}

// ASCII is folded here because it is nearly every name and needs no tables.
QString fold(QStringView name) {
    QString folded = name.toString();
    for (QChar& c : folded) {
        if (c.unicode() >= 0x80)
            return folded.toCaseFolded();
        c = QChar(asciiLower(c.unicode()));
    }
    return folded;
}

bool isAscii(QByteArrayView text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool isAscii(QStringView text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

// FNV-1a over the UTF-16 code units of the folded name, then a final mix so
// that the low bits used for buckets are well spread.
constexpr quint32 kHashSeed = 2166136261u;

quint32 hashStep(quint32 hash, char16_t unit) {
    return (hash ^ unit) * 16777619u;
}

quint32 hashFinish(quint32 hash) {
    hash ^= hash >> 16;
    hash *= 0x85EBCA6Bu;
    hash ^= hash >> 13;
    hash *= 0xC2B2AE35u;
    hash ^= hash >> 16;
    return hash;
}

quint32 hashFolded(const QString& folded) {
    quint32 hash = kHashSeed;
    for (const QChar c : folded)
        hash = hashStep(hash, c.unicode());
    return hashFinish(hash);
}

// The two hashes agree for the same name in UTF-8 and UTF-16: ASCII takes
// the fast path in both, anything else goes through fold().
quint32 hashKey(QByteArrayView utf8) {
    quint32 hash = kHashSeed;
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80)
            return hashFolded(fold(QString::fromUtf8(utf8)));
        hash = hashStep(hash, asciiLower(byte));
    }
    return hashFinish(hash);
}

quint32 hashKey(QStringView name) {
    quint32 hash = kHashSeed;
    for (const QChar c : name) {
        if (c.unicode() >= 0x80)
            return hashFolded(fold(name));
        hash = hashStep(hash, asciiLower(c.unicode()));
    }
    return hashFinish(hash);
}

QByteArrayView trimBlankBytes(QByteArrayView text) {
    while (!text.isEmpty() && (text.front() == ' ' || text.front() == '\t'))
        text = text.sliced(1);
    while (!text.isEmpty() && (text.back() == ' ' || text.back() == '\t'))
        text.chop(1);
    return text;
}

// A written key keeps the blanks its writer gave it; lookup ignores them.
bool sameKey(QByteArrayView stored, QStringView wanted) {
    stored = trimBlankBytes(stored);
    if (isAscii(stored) && isAscii(wanted)) {
        if (stored.size() != wanted.size())
            return false;
        for (qsizetype i = 0; i < stored.size(); ++i) {
            if (asciiLower(static_cast<unsigned char>(stored[i])) !=
                asciiLower(wanted[i].unicode()))
                return false;
        }
        return true;
    }
    return fold(QString::fromUtf8(stored)) == fold(wanted);
}

QByteArray windows1252ToUtf8(QByteArrayView bytes) {
    qsizetype size = 0;
    for (const char c : bytes) {
        const char16_t u = windows1252ToUnicode(static_cast<unsigned char>(c));
        size += u < 0x80 ? 1 : u < 0x800 ? 2 : 3;
    }
    QByteArray utf8(size, Qt::Uninitialized);
    char* out = utf8.data();
    for (const char c : bytes) {
        const char16_t u = windows1252ToUnicode(static_cast<unsigned char>(c));
        if (u < 0x80) {
            *out++ = char(u);
        } else if (u < 0x800) {
            *out++ = char(0xC0 | (u >> 6));
            *out++ = char(0x80 | (u & 0x3F));
        } else {
            *out++ = char(0xE0 | (u >> 12));
            *out++ = char(0x80 | ((u >> 6) & 0x3F));
            *out++ = char(0x80 | (u & 0x3F));
        }
    }
    return utf8;
}

QByteArray decodeToUtf8(QStringConverter::Encoding encoding, QByteArrayView bytes) {
    // The byte-order mark has been cut off already; a second one is content.
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless |
                                         QStringConverter::Flag::ConvertInitialBom);
    const QString text = decoder(bytes);
    return text.toUtf8();
}

} // namespace

// UTF-8 input, by far the most common, is shared, not copied.
QByteArray decodeTextToUtf8(const QByteArray& bytes, qsizetype& begin) {
    const QByteArrayView view(bytes);
    begin = 0;
    if (view.startsWith("\xEF\xBB\xBF")) {
        if (view.sliced(3).isValidUtf8()) {
            begin = 3;
            return bytes;
        }
        return decodeToUtf8(QStringConverter::Utf8, view.sliced(3));
    }
    if (view.startsWith("\xFF\xFE"))
        return decodeToUtf8(QStringConverter::Utf16LE, view.sliced(2));
    if (view.startsWith("\xFE\xFF"))
        return decodeToUtf8(QStringConverter::Utf16BE, view.sliced(2));
    if (view.isValidUtf8())
        return bytes;
    // Files written by older Windows editors carry the ANSI code page.
    return windows1252ToUtf8(view);
}

namespace {

// Calls visit(begin, end) for each line; end excludes the LF and a CR
// right before it.
template <typename Visit>
void forEachLine(const char* data, qsizetype begin, qsizetype size, const Visit& visit) {
    qsizetype pos = begin;
    while (pos < size) {
        const auto* newline = static_cast<const char*>(std::memchr(data + pos, '\n', size - pos));
        const qsizetype next = newline ? newline - data : size;
        qsizetype end = next;
        if (newline && end > pos && data[end - 1] == '\r')
            --end;
        visit(pos, end);
        pos = next + 1;
    }
}

qsizetype skipBlanks(const char* data, qsizetype pos, qsizetype end) {
    while (pos < end && isBlank(char16_t(data[pos])))
        ++pos;
    return pos;
}

int hexDigit(char16_t u) {
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

} // namespace

bool parseIniInteger(const QString& text, int& result) {
    const qsizetype size = text.size();
    if (size > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) {
        quint64 value = 0;
        for (qsizetype i = 2; i < size; ++i) {
            const int digit = hexDigit(text[i].unicode());
            if (digit < 0)
                return false;
            value = value * 16 + quint64(digit);
            if (value > 0xFFFFFFFFu)
                return false;
        }
        // Colours and flags are stored as unsigned 32-bit hex: keep their bits.
        result = static_cast<int>(static_cast<quint32>(value));
        return true;
    }

    qsizetype i = 0;
    while (i < size && isBlank(text[i].unicode()))
        ++i;
    bool negative = false;
    if (i < size && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i == size)
        return false;
    constexpr qint64 limit = qint64(1) << 31;
    qint64 value = 0;
    for (; i < size; ++i) {
        const char16_t u = text[i].unicode();
        if (u < u'0' || u > u'9')
            return false;
        value = value * 10 + (u - u'0');
        if (value > limit)
            return false;
    }
    if (negative)
        value = -value;
    if (value >= limit)
        return false;
    result = static_cast<int>(value);
    return true;
}

void IniDocument::KeyIndex::reserve(qsizetype keys) {
    // At most three quarters full, so probe runs stay short.
    size_t capacity = 16;
    while (capacity * 3 < size_t(keys) * 4)
        capacity *= 2;
    if (capacity <= buckets.size())
        return;
    std::vector<Slot> old;
    old.swap(buckets);
    buckets.resize(capacity);
    const size_t mask = capacity - 1;
    for (const Slot& slot : old) {
        if (slot.line == 0)
            continue;
        size_t at = slot.hash & mask;
        while (buckets[at].line != 0)
            at = (at + 1) & mask;
        buckets[at] = slot;
    }
}

void IniDocument::KeyIndex::insert(quint32 hash, qsizetype line) {
    if ((size_t(used) + 1) * 4 > buckets.size() * 3)
        reserve(qsizetype(used) * 2 + 1);
    const size_t mask = buckets.size() - 1;
    size_t at = hash & mask;
    while (buckets[at].line != 0)
        at = (at + 1) & mask;
    buckets[at] = Slot{hash, quint32(line + 1)};
    ++used;
}

IniDocument IniDocument::fromBytes(const QByteArray& bytes) {
    IniDocument doc;
    qsizetype begin = 0;
    doc.source_ = decodeTextToUtf8(bytes, begin);
    checkTextSize(doc.source_.size());
    doc.parse(begin);
    return doc;
}

void IniDocument::parse(qsizetype begin) {
    const char* data = source_.constData();
    const qsizetype size = source_.size();

    // A first pass counts lines per section so that every vector is
    // allocated once at its final size.
    std::vector<qsizetype> counts;
    forEachLine(data, begin, size, [&](qsizetype from, qsizetype to) {
        const qsizetype first = skipBlanks(data, from, to);
        if (first < to && data[first] == '[') {
            counts.emplace_back();
            return;
        }
        if (counts.empty())
            counts.emplace_back();
        ++counts.back();
    });

    sections_.reserve(counts.size());
    Section* current = nullptr;
    const auto open = [&](Section&& section) {
        section.lines.reserve(counts[sections_.size()]);
        sections_.push_back(std::move(section));
        current = &sections_.back();
    };

    forEachLine(data, begin, size, [&](qsizetype from, qsizetype to) {
        const qsizetype first = skipBlanks(data, from, to);
        if (first < to && data[first] == '[') {
            const auto* close =
                static_cast<const char*>(std::memchr(data + first + 1, ']', to - first - 1));
            const qsizetype nameEnd = close ? close - data : to;
            Section section;
            section.name =
                trimBlanks(QString::fromUtf8(data + first + 1, nameEnd - first - 1)).toString();
            const QString folded = fold(section.name);
            if (!sectionIndex_.contains(folded))
                sectionIndex_.insert(folded, qsizetype(sections_.size()));
            open(std::move(section));
            return;
        }
        if (!current) {
            // Text before the first header belongs to no section: it is kept
            // as it stands and never looked up.
            Section leading;
            leading.hasHeader = false;
            open(std::move(leading));
        }

        const char* equals = nullptr;
        if (current->hasHeader && first < to && data[first] != ';')
            equals = static_cast<const char*>(std::memchr(data + first, '=', to - first));
        Line line;
        if (!equals) {
            line.value = Piece{quint32(from), quint32(to - from)};
            current->lines.push_back(line);
            return;
        }
        const qsizetype at = equals - data;
        line.hasValue = true;
        // The key keeps its blanks for writing back; lookup trims them.
        line.key = Piece{quint32(from), quint32(at - from)};
        line.value = Piece{quint32(at + 1), quint32(to - at - 1)};
        current->lines.push_back(line);
    });
}

const IniDocument::KeyIndex& IniDocument::keyIndex(const Section& section) const {
    if (section.indexed)
        return section.index;
    qsizetype keys = 0;
    for (const Line& line : section.lines)
        keys += line.hasValue ? 1 : 0;
    if (keys > 0)
        section.index.reserve(keys);
    for (qsizetype row = 0; row < qsizetype(section.lines.size()); ++row) {
        const Line& line = section.lines[size_t(row)];
        if (!line.hasValue)
            continue;
        // The first line of a key is the one lookups find.
        const QByteArrayView key = trimBlankBytes(keyText(line));
        const quint32 hash = hashKey(key);
        const bool seen = section.index.find(hash, [&](qsizetype other) {
            return sameKey(keyText(section.lines[size_t(other)]), QString::fromUtf8(key));
        }) >= 0;
        if (!seen)
            section.index.insert(hash, row);
    }
    section.indexed = true;
    return section.index;
}

QByteArrayView IniDocument::text(Piece piece, bool written) const {
    const QByteArray& buffer = written ? written_ : source_;
    return QByteArrayView(buffer.constData() + piece.offset, piece.length);
}

QByteArrayView IniDocument::keyText(const Line& line) const {
    return text(line.key, line.keyWritten);
}

QByteArrayView IniDocument::valueText(const Line& line) const {
    return text(line.value, line.valueWritten);
}

IniDocument::Piece IniDocument::appendWritten(QByteArrayView bytes) {
    checkTextSize(written_.size() + bytes.size());
    const Piece piece{quint32(written_.size()), quint32(bytes.size())};
    written_.append(bytes);
    return piece;
}

void IniDocument::dropWritten(const Line& line) {
    if (line.keyWritten)
        unusedWritten_ += line.key.length;
    if (line.valueWritten)
        unusedWritten_ += line.value.length;
}

void IniDocument::compactWrittenIfWasteful() {
    // Rewriting the same keys over and over must not grow memory without
    // bound; compacting only once half is waste keeps writes linear overall.
    if (unusedWritten_ < 65536 || unusedWritten_ * 2 < written_.size())
        return;
    QByteArray kept;
    kept.reserve(written_.size() - unusedWritten_);
    const auto keep = [&](Piece& piece) {
        const qsizetype offset = kept.size();
        kept.append(written_.constData() + piece.offset, piece.length);
        piece.offset = quint32(offset);
    };
    for (Section& section : sections_) {
        for (Line& line : section.lines) {
            if (line.keyWritten)
                keep(line.key);
            if (line.valueWritten)
                keep(line.value);
        }
    }
    written_ = std::move(kept);
    unusedWritten_ = 0;
}

QByteArray IniDocument::toBytes() const {
    std::vector<QByteArray> headers;
    qsizetype size = 0;
    for (const Section& section : sections_) {
        if (section.hasHeader) {
            headers.push_back(section.name.toUtf8());
            size += headers.back().size() + 3;
        }
        for (const Line& line : section.lines)
            size += line.hasValue ? line.key.length + line.value.length + 2 : line.value.length + 1;
    }

    QByteArray bytes(size, Qt::Uninitialized);
    char* out = bytes.data();
    const auto put = [&out](QByteArrayView piece) {
        if (!piece.isEmpty())
            std::memcpy(out, piece.data(), size_t(piece.size()));
        out += piece.size();
    };
    auto header = headers.cbegin();
    for (const Section& section : sections_) {
        if (section.hasHeader) {
            *out++ = '[';
            put(*header++);
            *out++ = ']';
            *out++ = '\n';
        }
        for (const Line& line : section.lines) {
            if (line.hasValue) {
                put(keyText(line));
                *out++ = '=';
            }
            put(valueText(line));
            *out++ = '\n';
        }
    }
    // Text that itself begins with U+FEFF would lose it to the next read, which
    // takes those bytes for a byte-order mark, and with it possibly the header
    // that follows: a real mark in front keeps the text as it is.
    constexpr QByteArrayView bom("\xEF\xBB\xBF");
    if (bytes.startsWith(bom))
        bytes.prepend(bom);
    return bytes;
}

const IniDocument::Section* IniDocument::findSection(QStringView name) const {
    const auto it = sectionIndex_.constFind(fold(trimBlanks(name)));
    return it == sectionIndex_.cend() ? nullptr : &sections_[*it];
}

qsizetype IniDocument::keyRow(const Section& section, QStringView key, quint32 hash) const {
    return keyIndex(section).find(
        hash, [&](qsizetype row) { return sameKey(keyText(section.lines[row]), key); });
}

const IniDocument::Line* IniDocument::findLine(QStringView section, QStringView key) const {
    const Section* found = findSection(section);
    if (!found)
        return nullptr;
    const QStringView trimmed = trimBlanks(key);
    const qsizetype row = keyRow(*found, trimmed, hashKey(trimmed));
    return row < 0 ? nullptr : &found->lines[row];
}

QString IniDocument::readString(const QString& section, const QString& key,
                                const QString& defaultValue) const {
    const Line* line = findLine(section, key);
    return line ? QString::fromUtf8(valueText(*line)) : defaultValue;
}

int IniDocument::readInteger(const QString& section, const QString& key, int defaultValue) const {
    const Line* line = findLine(section, key);
    int value = 0;
    if (line && parseIniInteger(QString::fromUtf8(valueText(*line)), value))
        return value;
    return defaultValue;
}

bool IniDocument::hasKey(const QString& section, const QString& key) const {
    return findLine(section, key) != nullptr;
}

std::vector<IniDocument::KeyValue> IniDocument::keyValues(const QString& section) const {
    std::vector<KeyValue> pairs;
    const Section* found = findSection(section);
    if (!found)
        return pairs;
    pairs.reserve(found->lines.size());
    for (const Line& line : found->lines)
        if (line.hasValue)
            pairs.push_back({trimBlankBytes(keyText(line)), valueText(line)});
    return pairs;
}

IniDocument::Section& IniDocument::sectionForWrite(QStringView name) {
    const QStringView trimmed = trimBlanks(name);
    const QString folded = fold(trimmed);
    const auto it = sectionIndex_.constFind(folded);
    if (it != sectionIndex_.cend())
        return sections_[*it];
    Section section;
    section.name = trimmed.toString();
    sectionIndex_.insert(folded, qsizetype(sections_.size()));
    sections_.push_back(std::move(section));
    return sections_.back();
}

void IniDocument::writeString(const QString& section, const QString& key, const QString& value) {
    QByteArray bytes = value.toUtf8();
    // CR and LF are single bytes in UTF-8 and occur inside no other character.
    std::replace_if(
        bytes.begin(), bytes.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');

    Section& target = sectionForWrite(section);
    const QStringView trimmedKey = trimBlanks(key);
    const quint32 hash = hashKey(trimmedKey);
    const qsizetype row = keyRow(target, trimmedKey, hash);
    if (row >= 0) {
        Line& line = target.lines[row];
        if (line.valueWritten)
            unusedWritten_ += line.value.length;
        line.value = appendWritten(bytes);
        line.valueWritten = true;
        compactWrittenIfWasteful();
    } else {
        // New keys go before the blank lines that close the section, so the
        // gap in front of the next header stays where it was. Those blank
        // lines carry no key, so no index entry moves.
        auto at = target.lines.end();
        while (at != target.lines.begin() && !(at - 1)->hasValue &&
               isBlankText(valueText(*(at - 1))))
            --at;
        const qsizetype newRow = at - target.lines.begin();
        Line line;
        line.hasValue = true;
        line.key = appendWritten(key.toUtf8());
        line.keyWritten = true;
        line.value = appendWritten(bytes);
        line.valueWritten = true;
        target.lines.insert(at, line);
        target.index.insert(hash, newRow);
    }
    modified_ = true;
}

void IniDocument::writeInteger(const QString& section, const QString& key, int value) {
    writeString(section, key, QString::number(value));
}

void IniDocument::eraseSection(const QString& section) {
    const QString folded = fold(trimBlanks(section));
    if (!sectionIndex_.contains(folded))
        return;
    const auto matches = [&folded](const Section& candidate) {
        return candidate.hasHeader && fold(candidate.name) == folded;
    };
    for (const Section& candidate : sections_) {
        if (matches(candidate)) {
            for (const Line& line : candidate.lines)
                dropWritten(line);
        }
    }
    std::erase_if(sections_, matches);
    rebuildSectionIndex();
    compactWrittenIfWasteful();
    modified_ = true;
}

void IniDocument::rebuildSectionIndex() {
    sectionIndex_.clear();
    for (qsizetype i = 0; i < qsizetype(sections_.size()); ++i) {
        const Section& section = sections_[i];
        if (!section.hasHeader)
            continue;
        const QString folded = fold(section.name);
        if (!sectionIndex_.contains(folded))
            sectionIndex_.insert(folded, i);
    }
}

QStringList IniDocument::sectionNames() const {
    // Each name once, in the spelling of its first header: a duplicate can
    // be neither read nor written on its own.
    QStringList names;
    for (qsizetype i = 0; i < qsizetype(sections_.size()); ++i) {
        const Section& section = sections_[i];
        if (section.hasHeader && sectionIndex_.value(fold(section.name)) == i)
            names.append(section.name);
    }
    return names;
}

} // namespace runpad
