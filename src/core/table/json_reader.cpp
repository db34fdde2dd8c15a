#include "core/table/json_reader.h"

#include "core/common/app_error.h"
#include "core/common/regular_file.h"
#include "core/table/ini_document.h"
#include "core/table/json_parse.h"

#include <rapidjson/document.h>
#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>

#include <cerrno>
#include <cstring>

namespace runpad {

namespace json_detail {

namespace {

// Line and column (both from 1, the column in characters) of a byte offset
// into UTF-8 text.
QString position(QByteArrayView text, size_t offset) {
    int line = 1;
    size_t lineStart = 0;
    for (size_t i = 0; i < offset; ++i) {
        if (text[qsizetype(i)] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    }
    int column = 1;
    for (size_t i = lineStart; i < offset; ++i) {
        if ((static_cast<unsigned char>(text[qsizetype(i)]) & 0xC0) != 0x80)
            ++column;
    }
    return QStringLiteral("line %1, column %2").arg(line).arg(column);
}

} // namespace

QByteArray decodeJsonText(const QByteArray& bytes, const QString& sourceName, qsizetype& begin) {
    if (bytes.size() > kMaxJsonBytes)
        throw AppError(QStringLiteral("%1: the text is larger than %2 MiB")
                           .arg(sourceName)
                           .arg(kMaxJsonBytes >> 20));
    return decodeTextToUtf8(bytes, begin);
}

QByteArray readJsonFile(const QString& path) {
    std::optional<QByteArray> bytes = readRegularFile(path, kMaxJsonBytes);
    if (!bytes)
        throw AppError(QStringLiteral("Cannot open file \"%1\". %2")
                           .arg(path, QString::fromLocal8Bit(std::strerror(ENOENT))));
    return std::move(*bytes);
}

void throwParseError(const QString& sourceName, QByteArrayView text, size_t offset, Failure failure,
                     rapidjson::ParseErrorCode code) {
    QString what;
    switch (failure) {
    case Failure::Syntax:
        what = QString::fromUtf8(rapidjson::GetParseError_En(code));
        break;
    case Failure::TooDeep:
        what = QStringLiteral("nested deeper than %1 levels").arg(kMaxJsonDepth);
        break;
    case Failure::Nul:
        what = QStringLiteral("A NUL character is not allowed here.");
        break;
    }
    if (offset > size_t(text.size())) // the text is no longer at hand
        throw AppError(QStringLiteral("%1: %2").arg(sourceName, what));
    throw AppError(QStringLiteral("%1: %2: %3").arg(sourceName, position(text, offset), what));
}

} // namespace json_detail

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
        return json_detail::nullText();
    case rapidjson::kTrueType:
        return json_detail::boolText(true);
    case rapidjson::kFalseType:
        return json_detail::boolText(false);
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
    qsizetype begin = 0;
    const QByteArray original = json_detail::decodeJsonText(bytes, sourceName, begin);
    JsonDocument result;
    result.buffer_ = original;
    result.buffer_.detach(); // the parse overwrites its copy
    auto generate = [&](rapidjson::Document& document) {
        json_detail::parseInPlace(
            result.buffer_, begin, [&] { return QByteArrayView(original).sliced(begin); },
            sourceName, document);
        return true;
    };
    result.document_->Populate(generate);
    return result;
}

JsonDocument JsonDocument::readFile(const QString& path) {
    return parse(json_detail::readJsonFile(path), QStringLiteral("\"%1\"").arg(path));
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
