// The update index downloaded from the update host: any bytes give the
// members or an error, and a file name is accepted only when joining it to
// the program's folder stays inside that folder.
#include "core/about/update_check.h"
#include "core/common/app_error.h"

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace runpad;
    CheckOutcome outcome;
    outcome.downloaded = true;
    outcome.index = parseUpdateIndex(fuzz::bytesOf(data, size));
    UpdateVariables vars;
    try {
        (void)applyCheckOutcome(vars, outcome);
    } catch (const AppError&) {
    }
    if (outcome.index.fileName) {
        const QString& name = *outcome.index.fileName;
        (void)isBlankFileName(name);
        if (isPlainUpdateFileName(name) && (name.contains(u'/') || name.contains(u'\\') ||
                                            name == u"." || name == u".." || name.isEmpty()))
            abort(); // would leave the program's folder
    }
    return 0;
}
