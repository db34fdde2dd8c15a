// Times the JSON export and import of a table of 100,000 rows x 5 columns,
// and a bare RapidJSON read and parse of the same file for comparison. Prints
// the best and median time of several runs, and the ratio of the import to
// the bare parse. Targets: export <= 150 ms; import <= 2.5 x the bare parse.

#include "core/table/grid_model.h"
#include "core/table/json_table.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <rapidjson/document.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <vector>

using namespace runpad;

namespace {

constexpr int kRows = 100'000;
constexpr int kCols = 5;
constexpr int kRuns = 11;

void fillTable(GridModel& grid) {
    grid.setColCount(kCols);
    grid.setRowCount(kRows);
    const char* const header[] = {"#", "Function", "command", "Description", "img"};
    for (int c = 0; c < kCols; ++c)
        grid.setCell(c, 0, QString::fromLatin1(header[c]));
    for (int r = 1; r < kRows; ++r) {
        grid.setCell(0, r, QString::number(r));
        grid.setCell(1, r, QStringLiteral("Function %1").arg(r));
        grid.setCell(2, r, QStringLiteral("C:/Tools/program%1.exe --flag \"a file.txt\"").arg(r));
        grid.setCell(3, r, QStringLiteral("Starts program %1 \u2013 a typical description").arg(r));
        grid.setCell(4, r, r % 3 == 0 ? QStringLiteral("*") : QString());
    }
}

struct Times {
    double best, median;
};

Times summary(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return {times.front(), times[times.size() / 2]};
}

double threadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// Wall time of one run; its CPU time goes to `cpu`, which other programs on
// a busy machine disturb far less.
double elapsedMs(const std::function<void()>& run, std::vector<double>* cpu = nullptr) {
    QElapsedTimer timer;
    const double cpuStart = threadCpuMs();
    timer.start();
    run();
    const double wall = timer.nsecsElapsed() / 1e6;
    if (cpu)
        cpu->push_back(threadCpuMs() - cpuStart);
    return wall;
}

} // namespace

int main() {
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const QString path = dir.filePath(QString::fromLatin1(kJsonExportName));

    GridModel source;
    fillTable(source);
    std::vector<double> exportTimes;
    for (int i = 0; i < kRuns; ++i)
        exportTimes.push_back(elapsedMs([&] { SaveGridToJson(source, path); }));

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 1;
    const QByteArray bytes = file.readAll();
    file.close();

    // Fresh tables, as at program start; freeing them is not part of the import.
    std::vector<std::unique_ptr<GridModel>> targets;
    for (int i = 0; i < kRuns; ++i)
        targets.push_back(std::make_unique<GridModel>());

    // The three runs alternate, so a busy machine slows them alike. The bare
    // parse reads the file too, as the import does; the parse of text already
    // in memory is printed as well.
    std::vector<double> importTimes, parseTimes, memoryParseTimes;
    std::vector<double> importCpu, parseCpu, memoryParseCpu;
    for (int i = 0; i < kRuns; ++i) {
        importTimes.push_back(
            elapsedMs([&] { LoadJsonToGrid(*targets[size_t(i)], path); }, &importCpu));
        parseTimes.push_back(elapsedMs(
            [&] {
                QFile input(path);
                if (!input.open(QIODevice::ReadOnly))
                    std::abort();
                const QByteArray text = input.readAll();
                rapidjson::Document document;
                document.Parse(text.constData(), size_t(text.size()));
                if (document.HasParseError())
                    std::abort();
            },
            &parseCpu));
        memoryParseTimes.push_back(elapsedMs(
            [&] {
                rapidjson::Document document;
                document.Parse(bytes.constData(), size_t(bytes.size()));
                if (document.HasParseError())
                    std::abort();
            },
            &memoryParseCpu));
        const GridModel& target = *targets[size_t(i)];
        if (target.rowCount() != kRows || target.cell(2, 5) != source.cell(2, 5))
            std::abort();
    }
    const Times exported = summary(exportTimes);
    const Times imported = summary(importTimes);
    const Times parsed = summary(parseTimes);
    const Times memoryParsed = summary(memoryParseTimes);

    std::printf("table %d rows x %d columns, file %.1f MB\n", kRows, kCols, bytes.size() / 1e6);
    std::printf("%-28s %10s %10s\n", "", "best ms", "median ms");
    std::printf("%-28s %10.1f %10.1f\n", "export", exported.best, exported.median);
    std::printf("%-28s %10.1f %10.1f\n", "import", imported.best, imported.median);
    std::printf("%-28s %10.1f %10.1f\n", "bare read + RapidJSON parse", parsed.best, parsed.median);
    std::printf("%-28s %10.1f %10.1f\n", "bare parse of text in memory", memoryParsed.best,
                memoryParsed.median);
    std::printf("import / bare read + parse: %.2f (best) %.2f (median)\n",
                imported.best / parsed.best, imported.median / parsed.median);
    std::printf("import / bare parse of text in memory: %.2f (best) %.2f (median)\n",
                imported.best / memoryParsed.best, imported.median / memoryParsed.median);
    const double cpuImport = summary(importCpu).median;
    std::printf("CPU time (median): import %.1f ms, bare read + parse %.1f ms, parse in memory "
                "%.1f ms; ratios %.2f and %.2f\n",
                cpuImport, summary(parseCpu).median, summary(memoryParseCpu).median,
                cpuImport / summary(parseCpu).median, cpuImport / summary(memoryParseCpu).median);
    return 0;
}
