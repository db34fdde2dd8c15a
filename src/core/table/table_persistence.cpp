#include "core/table/table_persistence.h"

#include "core/table/grid_model.h"
#include "core/table/ini_document.h"
#include "core/table/picture_finder.h"
#include "core/table/table_columns.h"

#include <charconv>

namespace runpad {

QString tableKey(int col, int row) {
    // One allocation per key: a large table asks for hundreds of thousands.
    char text[32];
    char* dash = std::to_chars(text, text + 12, col).ptr; // 12 holds any int
    *dash = '-';
    const char* end = std::to_chars(dash + 1, text + sizeof text, row).ptr;
    return QString::fromLatin1(text, end - text);
}

void loadTable(GridModel& grid, const IniDocument& settings, PictureFinder& pictures) {
    const QString section = QString::fromLatin1(kTableSection);
    GridModel::UpdateBatch batch(grid);
    for (int r = 0;;) {
        for (int c = kFunctionCol; c < grid.colCount(); ++c)
            grid.setCell(c, r, settings.readString(section, tableKey(c, r)));
        const QString command = grid.cell(kCommandCol, r);
        if (command.isEmpty())
            break;
        const bool hasPicture = !findPreviewPicture(command, [&pictures](const QString& name) {
                                     return pictures.exists(name);
                                 }).isEmpty();
        grid.setCell(kImageCol, r, hasPicture ? QString(kImageMarker) : QString());
        grid.setCell(kNumberCol, r, QString::number(r));
        ++r;
        if (r >= grid.rowCount())
            grid.setRowCount(grid.rowCount() + 2);
    }

    const char* const header[] = {"#", "Function", "command", "Description", "img"};
    for (int c = 0; c < kTableColumns; ++c)
        grid.setCell(c, 0, QString::fromLatin1(header[c]));
    if (grid.cell(kFunctionCol, 1).isEmpty()) {
        grid.setCell(kFunctionCol, 1, QStringLiteral("DOS command"));
        grid.setCell(kCommandCol, 1, QStringLiteral("cmd"));
        grid.setCell(kDescriptionCol, 1, QStringLiteral("DOS command window"));
    }
    if (grid.cell(kFunctionCol, 2).isEmpty()) {
        grid.setCell(kFunctionCol, 2, QStringLiteral("power command"));
        grid.setCell(kCommandCol, 2, QStringLiteral("powershell.exe"));
        grid.setCell(kDescriptionCol, 2, QStringLiteral("powershell command"));
    }
}

void saveTable(const GridModel& grid, IniDocument& settings) {
    const QString section = QString::fromLatin1(kTableSection);
    settings.eraseSection(section);
    for (int c = 1; c < grid.colCount(); ++c)
        for (int r = 0; r < grid.rowCount(); ++r) {
            const QString text = grid.cell(c, r);
            if (!text.isEmpty())
                settings.writeString(section, tableKey(c, r), text);
        }
}

} // namespace runpad
