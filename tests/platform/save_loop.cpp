// Saves the settings file and the JSON export of two tables in turn, for ever,
// through the program's own code: the interrupted-save test kills it with
// SIGKILL at random moments. Runs in the current folder; writes "ready" once
// the tables are built and the first save is about to begin. The argument
// ("0" or "1") picks the table saved first.
#include "core/table/grid_model.h"
#include "core/table/json_table.h"
#include "core/table/table_persistence.h"
#include "platform/settings_file.h"
#include "save_loop_tables.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    using namespace runpad;
    GridModel tables[2];
    test::fillSaveLoopTable(tables[0], false);
    test::fillSaveLoopTable(tables[1], true);
    SettingsFile settings(QStringLiteral("settings.ini"));
    std::puts("ready");
    std::fflush(stdout);
    const unsigned first = argc > 1 && argv[1][0] == '1' ? 1 : 0;
    for (unsigned i = first;; ++i) {
        const GridModel& grid = tables[i % 2];
        saveTable(grid, settings);
        settings.save();
        SaveGridToJson(grid, QString::fromLatin1(kJsonExportName));
    }
}
