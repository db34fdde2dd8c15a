// Table import from a JSON file: a file either fails with AppError, leaving the
// grid as it was, or loads; what loaded survives an export and a new import.
#include "core/common/app_error.h"
#include "core/table/grid_model.h"
#include "core/table/json_table.h"

#include "fuzz_support.h"

namespace {

bool sameCells(const runpad::GridModel& a, const runpad::GridModel& b) {
    if (a.rowCount() != b.rowCount() || a.colCount() != b.colCount())
        return false;
    for (int r = 0; r < a.rowCount(); ++r)
        for (int c = 0; c < a.colCount(); ++c)
            if (a.cellView(c, r) != b.cellView(c, r))
                return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace runpad;
    const QString path = fuzz::writeScratchFile(QString::fromLatin1(kJsonImportName), data, size);
    GridModel grid;
    grid.setCell(1, 1, QStringLiteral("kept"));
    try {
        LoadJsonToGrid(grid, path);
    } catch (const AppError&) {
        if (grid.cell(1, 1) != u"kept" || grid.rowCount() != GridModel::kInitialCount ||
            grid.colCount() != GridModel::kInitialCount)
            abort(); // a failed import changed the grid
        return 0;
    }
    // Huge tables are legal but make the round trip slow; the parse was the point.
    if (qint64(grid.rowCount()) * grid.colCount() > 100000)
        return 0;
    const QString exported = fuzz::scratchPath(QString::fromLatin1(kJsonExportName));
    SaveGridToJson(grid, exported);
    GridModel again;
    LoadJsonToGrid(again, exported);
    if (!sameCells(grid, again))
        abort();
    return 0;
}
