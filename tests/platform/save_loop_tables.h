#pragma once

#include "core/table/grid_model.h"

#include <QString>

namespace runpad::test {

// Two different large tables for the interrupted-save test, shared by the test
// and the program it kills so both know exactly what a complete save holds.
// The second has more rows, so a file cut short can never pass for it.
inline void fillSaveLoopTable(GridModel& grid, bool second) {
    const int rows = second ? 1500 : 1200;
    GridModel::UpdateBatch batch(grid);
    grid.setColCount(5);
    grid.setRowCount(rows + 1);
    const QString tag = second ? QStringLiteral("B") : QStringLiteral("A");
    for (int r = 1; r <= rows; ++r) {
        grid.setCell(0, r, QString::number(r));
        grid.setCell(1, r, tag + QStringLiteral(" function %1 \u00e9\u4e2d").arg(r));
        grid.setCell(2, r, QStringLiteral("/usr/bin/env tool --row=%1 --table=%2").arg(r).arg(tag));
        grid.setCell(3, r,
                     QStringLiteral("Description of row %1 of table %2, long enough to "
                                    "make the file large")
                         .arg(r)
                         .arg(tag));
    }
}

} // namespace runpad::test
