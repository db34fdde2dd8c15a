#include "core/table/json_reader.h"

#include "core/common/app_error.h"
#include "core/common/regular_file.h"
#include "core/table/ini_document.h"

#include <rapidjson/document.h>
#include <rapidjson/error/en.h>
#include <rapidjson/memorystream.h>
#include <rapidjson/reader.h>

#include <cstring>

namespace runpad {

namespace {

// Iterative: nesting costs heap, not stack. Numbers as strings: the exact text
// of the file is kept, whatever its size or precision.
constexpr unsigned kParseFlags =
    rapidjson::kParseIterativeFlag | rapidjson::kParseNumbersAsStringsFlag;

// Hands every event to the document and stops the parse when the nesting gets
// deeper than the limit.
class DepthLimitedHandler {
public:
    explicit DepthLimitedHandler(rapidjson::Document& document) : document_(document) {}

    bool tooDeep() const { return tooDeep_; }

    bool Null() { return document_.Null(); }
    bool Bool(bool b) { return document_.Bool(b); }
    bool Int(int i) { return document_.Int(i); }
    bool Uint(unsigned i) { return document_.Uint(i); }
    bool Int64(int64_t i) { return document_.Int64(i); }
    bool Uint64(uint64_t i) { return document_.Uint64(i); }
    bool Double(double d) { return document_.Double(d); }
    bool RawNumber(const char* text, rapidjson::SizeType length, bool copy) {
        return document_.RawNumber(text, length, copy);
    }
    bool String(const char* text, rapidjson::SizeType length, bool copy) {
        return document_.String(text, length, copy);
    }
    bool Key(const char* text, rapidjson::SizeType length, bool copy) {
        return document_.Key(text, length, copy);
    }
    bool StartObject() { return enter() && document_.StartObject(); }
    bool EndObject(rapidjson::SizeType members) {
        --depth_;
        return document_.EndObject(members);
    }
    bool StartArray() { return enter() && document_.StartArray(); }
    bool EndArray(rapidjson::SizeType elements) {
        --depth_;
        return document_.EndArray(elements);
    }

private:
    bool enter() {
        if (++depth_ > kMaxJsonDepth) {
            tooDeep_ = true;
            return false;
        }
        return true;
    }

    rapidjson::Document& document_;
    int depth_ = 0;
    bool tooDeep_ = false;
};

// Line and column (both from 1, the column in characters) of a byte offset
// into UTF-8 text.
QString position(const char* text, size_t offset) {
    int line = 1;
    size_t lineStart = 0;
    for (size_t i = 0; i < offset; ++i) {
        if (text[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    }
    int column = 1;
    for (size_t i = lineStart; i < offset; ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            ++column;
    }
    return QStringLiteral("line %1, column %2").arg(line).arg(column);
}

AppError parseError(const QString& sourceName, const char* text, size_t offset,
                    const QString& what) {
    return AppError(QStringLiteral("%1: %2: %3").arg(sourceName, position(text, offset), what));
}

QString tooLarge(const QString& sourceName) {
    return QStringLiteral("%1: the text is larger than %2 MiB")
        .arg(sourceName)
        .arg(kMaxJsonBytes >> 20);
}

} // namespace

bool JsonValue::isObject() const {
    return value_ && value_->IsObject();
}

bool JsonValue::isArray() const {
    return value_ && value_->IsArray();
}

qsizetype JsonValue::size() const {
    return isArray() ? qsizetype(value_->Size()) : 0;
}

JsonValue JsonValue::at(qsizetype index) const {
    return JsonValue(&(*value_)[static_cast<rapidjson::SizeType>(index)]);
}

std::optional<JsonValue> JsonValue::member(QStringView name) const {
    if (!isObject())
        return std::nullopt;
    const QByteArray key = name.toUtf8();
    // Members keep the order of the file, so the first match is the first
    // of duplicates.
    for (auto it = value_->MemberBegin(); it != value_->MemberEnd(); ++it) {
        const rapidjson::Value& memberName = it->name;
        if (memberName.GetStringLength() == size_t(key.size()) &&
            std::memcmp(memberName.GetString(), key.constData(), size_t(key.size())) == 0)
            return JsonValue(&it->value);
    }
    return std::nullopt;
}

QString JsonValue::text() const {
    if (!value_)
        return {};
    switch (value_->GetType()) {
    case rapidjson::kStringType: // numbers are held as their text
        return QString::fromUtf8(value_->GetString(), qsizetype(value_->GetStringLength()));
    case rapidjson::kNullType:
        return QStringLiteral("null");
    case rapidjson::kTrueType:
        return QStringLiteral("true");
    case rapidjson::kFalseType:
        return QStringLiteral("false");
    case rapidjson::kObjectType:
    case rapidjson::kArrayType:
    case rapidjson::kNumberType:
        break;
    }
    return {};
}

JsonDocument::JsonDocument() : document_(std::make_unique<rapidjson::Document>()) {}
JsonDocument::JsonDocument(JsonDocument&&) noexcept = default;
JsonDocument& JsonDocument::operator=(JsonDocument&&) noexcept = default;
JsonDocument::~JsonDocument() = default;

JsonDocument JsonDocument::parse(const QByteArray& bytes, const QString& sourceName) {
    if (bytes.size() > kMaxJsonBytes)
        throw AppError(tooLarge(sourceName));
    qsizetype begin = 0;
    const QByteArray utf8 = decodeTextToUtf8(bytes, begin);
    const char* text = utf8.constData() + begin;
    const auto size = static_cast<size_t>(utf8.size() - begin);

    JsonDocument result;
    rapidjson::Reader reader;
    rapidjson::MemoryStream stream(text, size);
    DepthLimitedHandler handler(*result.document_);
    bool parsed = false;
    auto generate = [&](rapidjson::Document&) {
        parsed = !reader.Parse<kParseFlags>(stream, handler).IsError();
        return parsed;
    };
    result.document_->Populate(generate);
    if (handler.tooDeep())
        throw parseError(sourceName, text, reader.GetErrorOffset(),
                         QStringLiteral("nested deeper than %1 levels").arg(kMaxJsonDepth));
    if (!parsed)
        throw parseError(
            sourceName, text, reader.GetErrorOffset(),
            QString::fromUtf8(rapidjson::GetParseError_En(reader.GetParseErrorCode())));
    // The reader takes a NUL character for the end of the text.
    if (stream.Tell() < size)
        throw parseError(sourceName, text, stream.Tell(),
                         QStringLiteral("A NUL character is not allowed here."));
    return result;
}

JsonDocument JsonDocument::readFile(const QString& path) {
    const std::optional<QByteArray> bytes = readRegularFile(path, kMaxJsonBytes);
    if (!bytes)
        throw AppError(QStringLiteral("Cannot open file \"%1\". %2")
                           .arg(path, QString::fromLocal8Bit(std::strerror(ENOENT))));
    return parse(*bytes, QStringLiteral("\"%1\"").arg(path));
}

JsonValue JsonDocument::root() const {
    return JsonValue(document_.get());
}

std::optional<QString> JsonDocument::memberText(QStringView name) const {
    const std::optional<JsonValue> value = root().member(name);
    if (!value)
        return std::nullopt;
    return value->text();
}

} // namespace runpad
