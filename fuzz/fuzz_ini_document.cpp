// Settings file reader: any bytes parse, and a value written afterwards reads
// back unchanged after a round trip through the file's bytes.
#include "core/table/ini_document.h"

#include "fuzz_support.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace runpad;
    IniDocument document = IniDocument::fromBytes(fuzz::bytesOf(data, size));
    const QStringList sections = document.sectionNames();
    for (const QString& section : sections) {
        (void)document.readString(section, QStringLiteral("2-1"));
        (void)document.readInteger(section, QStringLiteral("Left"), 7);
    }
    document.writeString(QStringLiteral("Table"), QStringLiteral("2-1"), QStringLiteral("cmd /c"));
    document.writeInteger(QStringLiteral("Form"), QStringLiteral("Left"), -12);
    const IniDocument reread = IniDocument::fromBytes(document.toBytes());
    if (reread.readString(QStringLiteral("Table"), QStringLiteral("2-1")) != u"cmd /c" ||
        reread.readInteger(QStringLiteral("Form"), QStringLiteral("Left"), 0) != -12)
        abort();
    return 0;
}
