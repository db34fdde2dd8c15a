#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

namespace runpad {

// An INI file held in memory: parsed once from bytes, changed by key, and
// written back to bytes. Lookup of sections and keys ignores letter case and
// surrounding blanks; the first of duplicate sections or keys counts. Values
// are kept exactly as they stand after the first "=". Lines that carry no
// value (comments, blank lines, text without "=") survive a round trip.
class IniDocument {
public:
    IniDocument() = default;
    IniDocument(const IniDocument&) = default;
    IniDocument(IniDocument&&) noexcept = default;
    IniDocument& operator=(const IniDocument&) = default;
    // Lets a derived file object take over a parsed document without copying
    // every line.
    IniDocument& operator=(IniDocument&&) noexcept = default;
    virtual ~IniDocument() = default;

    // Accepts a UTF-8 or UTF-16 (either byte order) byte-order mark; without
    // one the bytes are read as UTF-8 when valid, else as Windows-1252.
    static IniDocument fromBytes(const QByteArray& bytes);
    // UTF-8 without a byte-order mark, LF line ends.
    QByteArray toBytes() const;

    QString readString(const QString& section, const QString& key,
                       const QString& defaultValue = QString()) const;
    // Hexadecimal after a leading "0x" (either case) when the text is longer
    // than two characters, decimal otherwise; the default when the key is
    // missing or its text is no 32-bit integer.
    int readInteger(const QString& section, const QString& key, int defaultValue) const;
    bool hasKey(const QString& section, const QString& key) const;

    // Each CR or LF inside a value is written as one space, so a value can
    // never start a new line or section.
    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, int value);
    // Removes the section with its header and all of its lines.
    void eraseSection(const QString& section);

    QStringList sectionNames() const;
    bool isModified() const { return modified_; }

protected:
    void markSaved() { modified_ = false; }

private:
    struct Line {
        QString key;   // trimmed key; empty for a line that carries no value
        QString value; // everything after the first "="
        QString raw;   // the whole line for lines without a value
        bool hasValue = false;
    };
    struct Section {
        QString name; // as written in the header, trimmed
        bool hasHeader = true;
        std::vector<Line> lines;
        QHash<QString, qsizetype> index; // folded key -> first line holding it
    };

    static QString fold(const QString& name);
    const Section* findSection(const QString& name) const;
    const Line* findLine(const QString& section, const QString& key) const;
    Section& sectionForWrite(const QString& name);
    void rebuildSectionIndex();
    static void parseText(IniDocument& doc, const QString& text);

    std::vector<Section> sections_;
    QHash<QString, qsizetype> sectionIndex_; // folded name -> first section
    bool modified_ = false;
};

// Integer text rule shared by settings and internet shortcut readers.
bool parseIniInteger(const QString& text, int& result);

} // namespace runpad
