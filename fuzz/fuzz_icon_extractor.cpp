// Icons of internet shortcuts: Windows executables and DLLs (known by their
// "MZ" start) and .ico files. Any file gives an icon or none.
#include "platform/icon_extractor.h"

#include "fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    runpad::fuzz::ensureApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = runpad::fuzz::writeScratchFile(QStringLiteral("icon.ico"), data, size);
    const QImage icon = runpad::IconExtractor().extractFirstIcon(path);
    if (icon.width() > 32 || icon.height() > 32)
        abort(); // larger icons are scaled down to the system size
    return 0;
}
