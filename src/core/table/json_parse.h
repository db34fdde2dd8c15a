#pragma once

// Internal to the JSON readers (json_reader.cpp, json_table.cpp): one parse
// with the decoding, limits and error messages of json_reader.h, feeding any
// RapidJSON handler.

#include "core/table/json_reader.h"

#include <QByteArray>
#include <QString>

#include <rapidjson/reader.h>

namespace runpad::json_detail {

// Iterative: nesting costs heap, not stack. Numbers as strings: the exact text
// of the file is kept, whatever its size or precision. In place: strings are
// decoded inside the parser's copy of the text instead of being copied one by
// one.
inline constexpr unsigned kParseFlags = rapidjson::kParseIterativeFlag |
                                        rapidjson::kParseNumbersAsStringsFlag |
                                        rapidjson::kParseInsituFlag;

// The decoded text of `bytes` (see json_reader.h) as UTF-8 starting at
// `begin`. Throws AppError when the bytes break the size limit.
QByteArray decodeJsonText(const QByteArray& bytes, const QString& sourceName, qsizetype& begin);

// The bytes of the regular file at `path`, at most kMaxJsonBytes. Throws
// AppError ("Cannot open file "<path>". <reason>") when it cannot be read,
// also when it does not exist.
QByteArray readJsonFile(const QString& path);

enum class Failure { Syntax, TooDeep, Nul };

// "<sourceName>: line L, column C: <what>" for a failure at `offset` of
// `text`; without the position when `text` is too short to hold the offset.
[[noreturn]] void throwParseError(const QString& sourceName, QByteArrayView text, size_t offset,
                                  Failure failure, rapidjson::ParseErrorCode code);

// Hands every event on and stops the parse when the nesting gets deeper than
// the limit.
template <typename Handler> class DepthLimited {
public:
    explicit DepthLimited(Handler& handler) : handler_(handler) {}

    bool tooDeep() const { return tooDeep_; }

    bool Null() { return handler_.Null(); }
    bool Bool(bool b) { return handler_.Bool(b); }
    bool Int(int i) { return handler_.Int(i); }
    bool Uint(unsigned i) { return handler_.Uint(i); }
    bool Int64(int64_t i) { return handler_.Int64(i); }
    bool Uint64(uint64_t i) { return handler_.Uint64(i); }
    bool Double(double d) { return handler_.Double(d); }
    bool RawNumber(const char* text, rapidjson::SizeType length, bool copy) {
        return handler_.RawNumber(text, length, copy);
    }
    bool String(const char* text, rapidjson::SizeType length, bool copy) {
        return handler_.String(text, length, copy);
    }
    bool Key(const char* text, rapidjson::SizeType length, bool copy) {
        return handler_.Key(text, length, copy);
    }
    bool StartObject() { return enter() && handler_.StartObject(); }
    bool EndObject(rapidjson::SizeType members) {
        --depth_;
        return handler_.EndObject(members);
    }
    bool StartArray() { return enter() && handler_.StartArray(); }
    bool EndArray(rapidjson::SizeType elements) {
        --depth_;
        return handler_.EndArray(elements);
    }

private:
    bool enter() {
        if (++depth_ > kMaxJsonDepth) {
            tooDeep_ = true;
            return false;
        }
        return true;
    }

    Handler& handler_;
    int depth_ = 0;
    bool tooDeep_ = false;
};

// Parses the decoded text in `buffer` from `begin` in place: the buffer must
// not be shared, it is overwritten, and strings handed to `handler` point into
// it. Only when the parse fails, `original()` is asked for the same text
// unchanged (from `begin` on), for the error position. Throws AppError on any
// failure; a handler that returns false must not.
template <typename Handler, typename Original>
void parseInPlace(QByteArray& buffer, qsizetype begin, const Original& original,
                  const QString& sourceName, Handler& handler) {
    const auto size = static_cast<size_t>(buffer.size() - begin);
    rapidjson::Reader reader;
    rapidjson::InsituStringStream stream(buffer.data() + begin);
    DepthLimited<Handler> limited(handler);
    const bool parsed = !reader.Parse<kParseFlags>(stream, limited).IsError();
    if (limited.tooDeep())
        throwParseError(sourceName, original(), reader.GetErrorOffset(), Failure::TooDeep, {});
    if (!parsed)
        throwParseError(sourceName, original(), reader.GetErrorOffset(), Failure::Syntax,
                        reader.GetParseErrorCode());
    // The reader takes a NUL character for the end of the text.
    if (stream.Tell() < size)
        throwParseError(sourceName, original(), stream.Tell(), Failure::Nul, {});
}

// The texts of the literals, as every reader gives them.
inline QString nullText() {
    return QStringLiteral("null");
}
inline QString boolText(bool b) {
    return b ? QStringLiteral("true") : QStringLiteral("false");
}

} // namespace runpad::json_detail
