#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <memory>
#include <optional>

#include <rapidjson/fwd.h>

namespace runpad {

// Reading JSON files written by users and servers (the table exchange file,
// the update index).
//
// The bytes are decoded first: a UTF-8, UTF-16 LE or UTF-16 BE byte-order mark
// selects that encoding and is skipped; without a mark the bytes are UTF-8
// when they are valid UTF-8, else Windows-1252. The whole text must then be
// one JSON value, with white space around it and between tokens.
//
// Every element can be read as text (JsonValue::text): a string gives its
// characters (escapes decoded, surrogate pairs joined), a number the exact
// text written in the file ("12.50" stays "12.50"), true, false and null the
// words "true", "false" and "null", an object or an array the empty text.
//
// Limits that keep a hostile file from exhausting memory or the stack: at
// most kMaxJsonBytes bytes, at most kMaxJsonDepth nested objects and arrays.
inline constexpr qsizetype kMaxJsonBytes = qsizetype(256) * 1024 * 1024;
inline constexpr int kMaxJsonDepth = 512;

// A view of one element of a JsonDocument; valid while the document lives.
// A default-constructed view stands for nothing and reads as an empty
// non-object, non-array element.
class JsonValue {
public:
    JsonValue() = default;

    bool isObject() const;
    bool isArray() const;

    // Elements of an array (0 for any other kind); `at` needs 0 <= index < size().
    qsizetype size() const;
    JsonValue at(qsizetype index) const;

    // The first member of an object with exactly this name (case-sensitive);
    // nothing when the element is no object or has no such member.
    std::optional<JsonValue> member(QStringView name) const;

    // The element as text, by the rules above.
    QString text() const;

private:
    friend class JsonDocument;
    explicit JsonValue(const rapidjson::Value* value) : value_(value) {}
    const rapidjson::Value* value_ = nullptr;
};

// A parsed JSON text. Move-only; owns all its elements.
class JsonDocument {
public:
    // Parses `bytes` (decoded as above). Throws AppError when the text is no
    // valid JSON or breaks a limit; the message says what was wrong and where:
    // "<sourceName>: line L, column C: <what>". `sourceName` is only used in
    // messages (a file name, usually quoted by the caller).
    static JsonDocument parse(const QByteArray& bytes, const QString& sourceName);

    // Reads the regular file at `path` whole and parses it; messages name the
    // file by `path`. Throws AppError ("Cannot open file "<path>". <reason>")
    // when the file cannot be read, and when it does not exist.
    static JsonDocument readFile(const QString& path);

    JsonDocument(JsonDocument&&) noexcept;
    JsonDocument& operator=(JsonDocument&&) noexcept;
    ~JsonDocument();

    JsonValue root() const;

    // Shortcut for a member of the top-level object as text: nothing when the
    // top-level value is no object or has no member of that name; the first
    // of duplicate members counts.
    std::optional<QString> memberText(QStringView name) const;

private:
    JsonDocument();
    QByteArray buffer_; // the decoded text; strings and numbers point into it
    std::unique_ptr<rapidjson::Document> document_;
};

} // namespace runpad
