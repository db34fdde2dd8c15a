// Times a forward search that finds nothing, the slowest case of F3, over
// tables of growing size. Prints one line per size: rows, cells, best and
// median time of several runs.

#include "core/table/grid_model.h"
#include "core/table/table_search.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace runpad;

namespace {

constexpr int kCols = 5;
constexpr int kRuns = 15;

void fillTable(GridModel& grid, int commands) {
    grid.setColCount(kCols);
    grid.setRowCount(commands + 1);
    const char* const header[] = {"#", "Function", "command", "Description", "img"};
    for (int c = 0; c < kCols; ++c)
        grid.setCell(c, 0, QString::fromLatin1(header[c]));
    for (int r = 1; r <= commands; ++r) {
        grid.setCell(0, r, QString::number(r));
        grid.setCell(1, r, QStringLiteral("Function %1").arg(r));
        grid.setCell(2, r, QStringLiteral("/usr/bin/program%1 --flag \"a file.txt\"").arg(r));
        grid.setCell(3, r,
                     QStringLiteral("Starts program number %1 with a typical description").arg(r));
        grid.setCell(4, r, QStringLiteral("icon%1.png").arg(r % 40));
    }
}

} // namespace

int main() {
    const QString needle = QStringLiteral("ZZZ-NOT-THERE");
    std::printf("%10s %10s %10s %10s\n", "rows", "cells", "best ms", "median ms");
    for (const int commands : {10'000, 100'000}) {
        GridModel grid;
        fillTable(grid, commands);
        // The grid starts at (0,1), so the walk covers the whole table.
        std::vector<double> times;
        for (int run = 0; run < kRuns; ++run) {
            QElapsedTimer timer;
            timer.start();
            const auto found = findForward(grid, needle);
            times.push_back(timer.nsecsElapsed() / 1e6);
            if (found) {
                std::fprintf(stderr, "unexpected match at (%d,%d)\n", found->col, found->row);
                return 1;
            }
        }
        std::sort(times.begin(), times.end());
        std::printf("%10d %10lld %10.3f %10.3f\n", grid.rowCount(),
                    static_cast<long long>(grid.rowCount()) * grid.colCount(), times.front(),
                    times[times.size() / 2]);
    }
    return 0;
}
