// Times loading and saving the command table through the settings file, for
// growing tables. Prints one line per size: rows, file size, load, width fit
// and save times (best of several runs).

#include "core/table/grid_actions.h"
#include "core/table/grid_model.h"
#include "core/table/picture_finder.h"
#include "core/table/table_persistence.h"
#include "core/table/text_extent.h"
#include "platform/clock.h"
#include "platform/settings_file.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

using namespace runpad;

namespace {

constexpr int kRuns = 3;

void fillTable(GridModel& grid, int commands) {
    grid.setRowCount(commands + 2);
    const char* const header[] = {"#", "Function", "command", "Description", "img"};
    for (int c = 0; c < 5; ++c)
        grid.setCell(c, 0, QString::fromLatin1(header[c]));
    for (int r = 1; r <= commands; ++r) {
        grid.setCell(0, r, QString::number(r));
        grid.setCell(1, r, QStringLiteral("Function %1").arg(r));
        grid.setCell(2, r,
                     QStringLiteral("/usr/bin/program%1 --option value%1 \"a file.txt\"").arg(r));
        grid.setCell(3, r,
                     QStringLiteral("Starts program number %1 with a typical description").arg(r));
    }
}

double save(const GridModel& grid, const QString& path, const Clock& clock) {
    QElapsedTimer timer;
    timer.start();
    const quint32 t0 = clock.tickCount();
    SettingsFile settings(path);
    saveTable(grid, settings);
    settings.writeInteger(QString::fromLatin1(kSaveTimeSection), QString::fromLatin1(kSaveTimeKey),
                          static_cast<int>(clock.tickCount() - t0));
    settings.save();
    return timer.nsecsElapsed() / 1e6;
}

double load(GridModel& grid, const QString& path) {
    QElapsedTimer timer;
    timer.start();
    const SettingsFile settings(path);
    PictureFinder pictures;
    loadTable(grid, settings, pictures);
    return timer.nsecsElapsed() / 1e6;
}

// The fit as the window does it: cached advances of the command-row font.
double fit(GridModel& grid, const QFont& font) {
    const TextExtent extent(font);
    TableEditor editor(grid, [&](const QString& text) { return extent.width(text); });
    QElapsedTimer timer;
    timer.start();
    editor.fitAllColumns();
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QFont font;
    font.setPointSize(10);
    const SystemClock clock;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Runpad.ini"));

    std::printf("%10s %10s %10s %10s %10s\n", "rows", "file MB", "load ms", "fit ms", "save ms");
    for (int rows : {1000, 10000, 100000}) {
        GridModel source;
        fillTable(source, rows);
        double saveMs = 1e9, loadMs = 1e9, fitMs = 1e9;
        for (int run = 0; run < kRuns; ++run) {
            saveMs = std::min(saveMs, save(source, path, clock));
            GridModel loaded;
            loadMs = std::min(loadMs, load(loaded, path));
            if (loaded.cell(2, rows) != source.cell(2, rows)) {
                std::fprintf(stderr, "table did not load back whole\n");
                return 1;
            }
            fitMs = std::min(fitMs, fit(loaded, font));
        }
        const double mb = QFileInfo(path).size() / (1024.0 * 1024.0);
        std::printf("%10d %10.2f %10.1f %10.1f %10.1f\n", rows, mb, loadMs, fitMs, saveMs);
    }
    return 0;
}
