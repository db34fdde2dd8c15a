// Internet shortcut (.url) files: the section read through IniDocument as the
// window shows it, and the start plan the shell layer makes of the file.
#include "core/table/ini_document.h"
#include "platform/linux/shell_plan.h"

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace runpad;
    const IniDocument shortcut = IniDocument::fromBytes(fuzz::bytesOf(data, size));
    const QString section = QStringLiteral("InternetShortcut");
    (void)shortcut.readString(section, QStringLiteral("URL"));
    (void)shortcut.readString(section, QStringLiteral("IconFile"));
    (void)shortcut.readInteger(section, QStringLiteral("IconIndex"), 0);

    ShellStartRequest request;
    request.file = fuzz::writeScratchFile(QStringLiteral("link.url"), data, size);
    const ShellStartPlan plan = planShellStart(request);
    // A shortcut only ever opens an address or does nothing.
    if (plan.action != ShellStartPlan::Action::Nothing &&
        plan.action != ShellStartPlan::Action::OpenUrl)
        abort();
    return 0;
}
