// Program entry: the only place where the program's objects are wired together.

#include "core/about/update_session.h"
#include "core/appearance/style_registry.h"
#include "platform/clock.h"
#include "platform/downloader.h"
#include "platform/gamepad_input.h"
#include "platform/huge_page_memory.h"
#include "platform/icon_extractor.h"
#include "platform/metafile_renderer.h"
#include "platform/shell_start.h"
#include "ui/about_box.h"
#include "ui/error_display.h"
#include "ui/main_form.h"
#include "ui/style_manager.h"

#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onTerminate(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
}

// A termination request (logout, kill) closes the main window the ordinary
// way, so the closing sequence saves what it would save for the close box.
void closeOnTerminate(QWidget& window) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        char byte = 0;
        [[maybe_unused]] const auto got = ::read(signalPipe[0], &byte, 1);
        window.close();
    });
    struct sigaction action {};
    action.sa_handler = onTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

} // namespace

int main(int argc, char** argv) {
    runpad::RunpadApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Runpad"));
    QApplication::setWindowIcon(runpad::runpadProgramIcon());

    runpad::MessageBoxPrompts prompts;
    runpad::ErrorReporter errors(prompts);
    app.setErrorReporter(&errors);
    runpad::SystemClock clock;
    // The window's faces are Windows fonts; these packaged faces stand in for
    // them (a humanist sans and a programmer's monospace of the same kind).
    QFont::insertSubstitutions(QStringLiteral("Segoe UI"),
                               {QStringLiteral("Open Sans"), QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("Consolas"),
                               {QStringLiteral("Inconsolata"), QStringLiteral("DejaVu Sans Mono")});
    const runpad::StyleRegistry styleRegistry;
    runpad::StyleManager styles(styleRegistry, app);

    runpad::DesktopShellStarter shell;
    const runpad::IconExtractor icons;
    const runpad::SvgMetafileRenderer metafiles;
    const runpad::HugePageMemory pictureMemory;

    // The update host: built in, or named by RUNPAD_UPDATE_HOST for this run.
    QString updateHost = qEnvironmentVariable("RUNPAD_UPDATE_HOST");
    if (updateHost.isEmpty())
        updateHost = QStringLiteral(RUNPAD_UPDATE_HOST);
    runpad::Downloader downloader;
    runpad::UpdateSession updates(
        updateHost,
        [&downloader](const QString& url, const QString& file) {
            return downloader.DownloadFile(url, file);
        },
        [&downloader] { downloader.cancelAll(); });
    const QString executablePath = QCoreApplication::applicationFilePath();
    const runpad::AboutDependencies about{executablePath, updates, shell, prompts, errors};

    runpad::TForm1 form({executablePath, clock, prompts, errors, styles, shell, icons, &metafiles,
                         [] { return std::make_unique<runpad::TGamepadInput>(); }, &pictureMemory,
                         &about});
    closeOnTerminate(form);
    // The hidden About dialog of program start; its update check runs on a
    // worker thread, so the main window shows at once.
    runpad::TAboutBox startupAbout(about, runpad::TAboutBox::CheckMode::Background, &form);
    form.show();
    return QApplication::exec();
}
