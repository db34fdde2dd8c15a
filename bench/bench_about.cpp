// Times program start (main window with a 10,000-row table plus the hidden
// About dialog of start-up) and the About command, with an update host that
// refuses connections and with one that accepts and never answers. Start-up
// must not wait on the host at all; the About command waits at most one
// stall limit. Prints one line per case.

#include "../tests/platform/local_http_server.h"
#include "../tests/ui/form_fixture.h"
#include "core/about/update_session.h"
#include "core/table/grid_model.h"
#include "core/table/table_persistence.h"
#include "platform/downloader.h"
#include "platform/settings_file.h"
#include "ui/about_box.h"

#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>

using namespace runpad;
using namespace runpad::testing;

namespace {

void writeTable(const QString& ini, int commands) {
    GridModel grid;
    grid.setColCount(5);
    grid.setRowCount(commands + 2);
    grid.setCell(2, 0, QStringLiteral("command"));
    for (int r = 1; r <= commands; ++r) {
        grid.setCell(0, r, QString::number(r));
        grid.setCell(1, r, QStringLiteral("Function %1").arg(r));
        grid.setCell(2, r, QStringLiteral("/usr/bin/program%1 --option value%1").arg(r));
        grid.setCell(3, r, QStringLiteral("Starts program number %1").arg(r));
    }
    SettingsFile settings(ini);
    saveTable(grid, settings);
    settings.save();
}

struct Case {
    const char* name;
    QString host;
};

void run(const Case& c, FormFixture& fx) {
    // The program's limits: 3 s connect, 10 s stall.
    Downloader downloader(QStringLiteral(RUNPAD_FETCH));
    UpdateSession session(
        c.host,
        [&](const QString& url, const QString& file) { return downloader.DownloadFile(url, file); },
        [&] { downloader.cancelAll(); });
    const AboutDependencies about{fx.exe(), session, fx.shell, fx.prompts, fx.errors};

    QElapsedTimer timer;
    timer.start();
    TForm1 form(FormDependencies{fx.exe(),
                                 fx.clock,
                                 fx.prompts,
                                 fx.errors,
                                 fx.styles,
                                 fx.shell,
                                 fx.icons,
                                 nullptr,
                                 {},
                                 nullptr,
                                 &about});
    TAboutBox startup(about, TAboutBox::CheckMode::Background, &form);
    form.show();
    QCoreApplication::processEvents();
    const double shown = timer.nsecsElapsed() / 1e6;

    timer.restart();
    QTimer::singleShot(0, [] {
        if (QWidget* box = QApplication::activeModalWidget())
            box->close();
    });
    form.About1Click();
    const double aboutOpened = timer.nsecsElapsed() / 1e6;
    std::printf("%-34s start to shown window %8.1f ms   About command %8.1f ms   rows %d\n", c.name,
                shown, aboutOpened, form.grid().rowCount());
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    FormFixture fx;
    writeTable(fx.ini(), 10000);
    LocalHttpServer silent;
    silent.setDefaultReply({200, {}, true});
    const Case cases[] = {
        {"host refusing connections",
         QStringLiteral("127.0.0.1:%1").arg(LocalHttpServer::closedPort())},
        {"host accepting, never answering", silent.host()},
    };
    for (const Case& c : cases)
        run(c, fx);
    return 0;
}
