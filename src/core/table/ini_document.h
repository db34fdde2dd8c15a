#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>
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
    // one the bytes are read as UTF-8 when valid, else as Windows-1252. Text
    // of 4 GiB or more is refused with std::length_error.
    static IniDocument fromBytes(const QByteArray& bytes);
    // UTF-8 without a byte-order mark, LF line ends; only text that itself
    // begins with U+FEFF gets a mark in front, so a new read keeps that
    // character instead of taking it for the mark.
    QByteArray toBytes() const;

    QString readString(const QString& section, const QString& key,
                       const QString& defaultValue = QString()) const;
    // Hexadecimal after a leading "0x" (either case) when the text is longer
    // than two characters, decimal otherwise; the default when the key is
    // missing or its text is no 32-bit integer.
    int readInteger(const QString& section, const QString& key, int defaultValue) const;
    bool hasKey(const QString& section, const QString& key) const;

    // Every line of the section that has a key, in file order, as readString
    // sees them: the key with its blanks trimmed and the value, both UTF-8
    // views into the document, valid until it changes. A key written twice
    // comes twice; readString reads its first line. For reading a whole
    // section in one pass instead of one lookup per key.
    struct KeyValue {
        QByteArrayView key;
        QByteArrayView value;
    };
    std::vector<KeyValue> keyValues(const QString& section) const;

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
    // All text is held as UTF-8 in two buffers: the bytes the document was
    // read from and the pieces written since. Lines refer to their text by
    // position, so a large file costs no allocation per line and little
    // memory beyond its own bytes, which is what keeps 400,000 keys fast.
    struct Piece {
        quint32 offset = 0;
        quint32 length = 0;
    };
    struct Line {
        Piece key;   // trimmed key; empty for a line that carries no value
        Piece value; // after the first "=", or the whole line without a value
        bool hasValue = false;
        bool keyWritten = false; // the piece lies in written_, not in source_
        bool valueWritten = false;
    };
    // Open addressing on the hash of the folded key; a slot holds line + 1,
    // so 0 marks it free. Keys are never removed one by one, so there are no
    // tombstones.
    struct KeyIndex {
        struct Slot {
            quint32 hash = 0;
            quint32 line = 0;
        };
        std::vector<Slot> buckets;
        quint32 used = 0;

        void reserve(qsizetype keys);
        // The key must not be in the index yet.
        void insert(quint32 hash, qsizetype line);
        // The line whose key has this hash and satisfies matches(line), or -1.
        template <typename Matches> qsizetype find(quint32 hash, const Matches& matches) const {
            if (buckets.empty())
                return -1;
            const size_t mask = buckets.size() - 1;
            for (size_t at = hash & mask;; at = (at + 1) & mask) {
                const Slot& slot = buckets[at];
                if (slot.line == 0)
                    return -1;
                if (slot.hash == hash && matches(qsizetype(slot.line) - 1))
                    return qsizetype(slot.line) - 1;
            }
        }
    };
    struct Section {
        QString name; // as written in the header, trimmed
        bool hasHeader = true;
        std::vector<Line> lines;
        // Built by the first lookup, so that a read which only walks the
        // lines (a table load) never hashes every key. A document is
        // therefore not to be read from two threads at once.
        mutable KeyIndex index;
        mutable bool indexed = false;
    };

    QByteArrayView text(Piece piece, bool written) const;
    QByteArrayView keyText(const Line& line) const;
    QByteArrayView valueText(const Line& line) const;
    Piece appendWritten(QByteArrayView bytes);
    void dropWritten(const Line& line);
    void compactWrittenIfWasteful();
    const KeyIndex& keyIndex(const Section& section) const;
    qsizetype keyRow(const Section& section, QStringView key, quint32 hash) const;
    const Section* findSection(QStringView name) const;
    const Line* findLine(QStringView section, QStringView key) const;
    Section& sectionForWrite(QStringView name);
    void rebuildSectionIndex();
    void parse(qsizetype begin);

    QByteArray source_;  // UTF-8, possibly with a byte-order mark before begin
    QByteArray written_; // UTF-8 pieces of writes, some no longer used
    qsizetype unusedWritten_ = 0;
    std::vector<Section> sections_;
    QHash<QString, qsizetype> sectionIndex_; // folded name -> first section
    bool modified_ = false;
};

// The text of a file's bytes as valid UTF-8, decoded by the rule of
// IniDocument::fromBytes; the text starts at `begin` (after a UTF-8
// byte-order mark, which is kept to spare a copy). Shared by every reader of
// user-written text files.
QByteArray decodeTextToUtf8(const QByteArray& bytes, qsizetype& begin);

// Integer text rule shared by settings and internet shortcut readers.
bool parseIniInteger(const QString& text, int& result);

} // namespace runpad
