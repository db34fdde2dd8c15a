#include "core/table/ini_document.h"

#include <QStringDecoder>

#include <algorithm>
#include <array>

namespace runpad {

namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

// Only spaces and tabs count: other control characters are part of a name.
QString trimBlanks(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin).toString();
}

bool isBlankText(const QString& text) {
    return std::all_of(text.cbegin(), text.cend(), isBlank);
}

// 0x80..0x9F of Windows-1252; the five unassigned bytes keep their own code.
constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString fromWindows1252(const QByteArray& bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        out[i] = (byte >= 0x80 && byte <= 0x9F) ? QChar(kWindows1252High[byte - 0x80])
                                                : QChar(char16_t(byte));
    }
    return text;
}

QString decode(QStringConverter::Encoding encoding, QByteArrayView bytes, bool& failed) {
    // The byte-order mark has been cut off already; a second one is content.
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless |
                                         QStringConverter::Flag::ConvertInitialBom);
    QString text = decoder(bytes);
    failed = decoder.hasError();
    return text;
}

QString decodeText(const QByteArray& bytes) {
    const QByteArrayView view(bytes);
    bool failed = false;
    if (view.startsWith("\xEF\xBB\xBF"))
        return decode(QStringConverter::Utf8, view.sliced(3), failed);
    if (view.startsWith("\xFF\xFE"))
        return decode(QStringConverter::Utf16LE, view.sliced(2), failed);
    if (view.startsWith("\xFE\xFF"))
        return decode(QStringConverter::Utf16BE, view.sliced(2), failed);
    QString text = decode(QStringConverter::Utf8, view, failed);
    if (!failed)
        return text;
    // Files written by older Windows editors carry the ANSI code page.
    return fromWindows1252(bytes);
}

int hexDigit(QChar c) {
    const char16_t u = c.unicode();
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
            const int digit = hexDigit(text[i]);
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
    while (i < size && isBlank(text[i]))
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

QString IniDocument::fold(const QString& name) {
    // Names are nearly always lower-case ASCII: then the string is shared,
    // not copied, which keeps parsing large files cheap.
    bool hasUpper = false;
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        if (u >= 0x80)
            return name.toCaseFolded();
        if (u >= u'A' && u <= u'Z')
            hasUpper = true;
    }
    if (!hasUpper)
        return name;
    QString folded = name;
    for (QChar& c : folded) {
        const char16_t u = c.unicode();
        if (u >= u'A' && u <= u'Z')
            c = QChar(char16_t(u + (u'a' - u'A')));
    }
    return folded;
}

IniDocument IniDocument::fromBytes(const QByteArray& bytes) {
    IniDocument doc;
    parseText(doc, decodeText(bytes));
    return doc;
}

void IniDocument::parseText(IniDocument& doc, const QString& text) {
    const QChar* data = text.constData();
    const qsizetype size = text.size();
    Section* current = nullptr;

    qsizetype pos = 0;
    while (pos < size) {
        qsizetype next = text.indexOf(u'\n', pos);
        if (next < 0)
            next = size;
        qsizetype end = next;
        if (end < size && end > pos && data[end - 1] == u'\r')
            --end;

        qsizetype first = pos;
        while (first < end && isBlank(data[first]))
            ++first;

        if (first < end && data[first] == u'[') {
            qsizetype close = first + 1;
            while (close < end && data[close] != u']')
                ++close;
            Section section;
            section.name = trimBlanks(QStringView(data + first + 1, close - first - 1));
            const QString folded = fold(section.name);
            if (!doc.sectionIndex_.contains(folded))
                doc.sectionIndex_.insert(folded, qsizetype(doc.sections_.size()));
            doc.sections_.push_back(std::move(section));
            current = &doc.sections_.back();
        } else {
            if (!current) {
                // Text before the first header belongs to no section: it is
                // kept as it stands and never looked up.
                Section leading;
                leading.hasHeader = false;
                doc.sections_.push_back(std::move(leading));
                current = &doc.sections_.back();
            }
            qsizetype equals = -1;
            if (current->hasHeader && first < end && data[first] != u';') {
                for (qsizetype i = first; i < end; ++i) {
                    if (data[i] == u'=') {
                        equals = i;
                        break;
                    }
                }
            }
            Line line;
            if (equals >= 0) {
                line.hasValue = true;
                line.key = trimBlanks(QStringView(data + first, equals - first));
                line.value = text.sliced(equals + 1, end - equals - 1);
                const QString folded = fold(line.key);
                if (!current->index.contains(folded))
                    current->index.insert(folded, qsizetype(current->lines.size()));
            } else {
                line.raw = text.sliced(pos, end - pos);
            }
            current->lines.push_back(std::move(line));
        }
        pos = next + 1;
    }
}

QByteArray IniDocument::toBytes() const {
    qsizetype length = 0;
    for (const Section& section : sections_) {
        if (section.hasHeader)
            length += section.name.size() + 3;
        for (const Line& line : section.lines)
            length += line.hasValue ? line.key.size() + line.value.size() + 2 : line.raw.size() + 1;
    }

    QString text;
    text.reserve(length);
    for (const Section& section : sections_) {
        if (section.hasHeader) {
            text += u'[';
            text += section.name;
            text += u"]\n";
        }
        for (const Line& line : section.lines) {
            if (line.hasValue) {
                text += line.key;
                text += u'=';
                text += line.value;
            } else {
                text += line.raw;
            }
            text += u'\n';
        }
    }
    return text.toUtf8();
}

const IniDocument::Section* IniDocument::findSection(const QString& name) const {
    const auto it = sectionIndex_.constFind(fold(trimBlanks(name)));
    return it == sectionIndex_.cend() ? nullptr : &sections_[*it];
}

const IniDocument::Line* IniDocument::findLine(const QString& section, const QString& key) const {
    const Section* found = findSection(section);
    if (!found)
        return nullptr;
    const auto it = found->index.constFind(fold(trimBlanks(key)));
    return it == found->index.cend() ? nullptr : &found->lines[*it];
}

QString IniDocument::readString(const QString& section, const QString& key,
                                const QString& defaultValue) const {
    const Line* line = findLine(section, key);
    return line ? line->value : defaultValue;
}

int IniDocument::readInteger(const QString& section, const QString& key, int defaultValue) const {
    const Line* line = findLine(section, key);
    int value = 0;
    if (line && parseIniInteger(line->value, value))
        return value;
    return defaultValue;
}

bool IniDocument::hasKey(const QString& section, const QString& key) const {
    return findLine(section, key) != nullptr;
}

IniDocument::Section& IniDocument::sectionForWrite(const QString& name) {
    const QString trimmed = trimBlanks(name);
    const QString folded = fold(trimmed);
    const auto it = sectionIndex_.constFind(folded);
    if (it != sectionIndex_.cend())
        return sections_[*it];
    Section section;
    section.name = trimmed;
    sectionIndex_.insert(folded, qsizetype(sections_.size()));
    sections_.push_back(std::move(section));
    return sections_.back();
}

void IniDocument::writeString(const QString& section, const QString& key, const QString& value) {
    QString clean = value;
    if (clean.contains(u'\r') || clean.contains(u'\n')) {
        for (QChar& c : clean) {
            if (c == u'\r' || c == u'\n')
                c = u' ';
        }
    }

    Section& target = sectionForWrite(section);
    const QString trimmedKey = trimBlanks(key);
    const QString folded = fold(trimmedKey);
    const auto it = target.index.constFind(folded);
    if (it != target.index.cend()) {
        target.lines[*it].value = std::move(clean);
    } else {
        // New keys go before the blank lines that close the section, so the
        // gap in front of the next header stays where it was. Those blank
        // lines carry no key, so no index entry moves.
        auto at = target.lines.end();
        while (at != target.lines.begin() && !(at - 1)->hasValue && isBlankText((at - 1)->raw))
            --at;
        const qsizetype row = at - target.lines.begin();
        Line line;
        line.key = trimmedKey;
        line.value = std::move(clean);
        line.hasValue = true;
        target.lines.insert(at, std::move(line));
        target.index.insert(folded, row);
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
    std::erase_if(sections_, [&folded](const Section& candidate) {
        return candidate.hasHeader && fold(candidate.name) == folded;
    });
    rebuildSectionIndex();
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
