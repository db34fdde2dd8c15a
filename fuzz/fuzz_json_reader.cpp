// JSON reader: any bytes either parse or throw AppError; every element of a
// parsed document can be read as text.
#include "core/common/app_error.h"
#include "core/table/json_reader.h"

#include "fuzz_support.h"

namespace {

void visit(const runpad::JsonValue& value, int depth) {
    (void)value.text();
    if (depth > runpad::kMaxJsonDepth + 1)
        abort(); // the reader promised to refuse such nesting
    (void)value.member(u"data");
    for (qsizetype i = 0; i < value.size(); ++i)
        visit(value.at(i), depth + 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        const runpad::JsonDocument document =
            runpad::JsonDocument::parse(runpad::fuzz::bytesOf(data, size), QStringLiteral("fuzz"));
        (void)document.memberText(u"version");
        visit(document.root(), 0);
    } catch (const runpad::AppError&) {
    }
    return 0;
}
