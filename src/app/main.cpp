// Program entry: the only place where the program's objects are wired together.

#include "core/about/update_session.h"
#include "core/appearance/style_registry.h"
#include "core/startup/command_line.h"
#include "platform/app_folders.h"
#include "platform/clock.h"
#include "platform/downloader.h"
#include "platform/font_warm_up.h"
#include "platform/gamepad_input.h"
#include "platform/icon_extractor.h"
#include "platform/metafile_renderer.h"
#include "platform/resident_picture_memory.h"
#include "platform/shell_start.h"
#include "ui/about_box.h"
#include "ui/error_display.h"
#include "ui/main_form.h"
#include "ui/startup_table_read.h"
#include "ui/style_manager.h"

#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <malloc.h>
#include <memory>
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
        // An open modal dialog (About, a question) would keep the program
        // running after the main window has closed: dismiss it first, as its
        // close box would.
        for (int open = 0; open < 8; ++open) {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || modal == &window || !modal->close())
                break;
        }
        window.close();
    });
    struct sigaction action {};
    action.sa_handler = onTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

// The download helper: beside the program in the build tree, else where the
// installation puts it relative to the program.
QString downloadHelperPath(const QString& executablePath) {
    const QDir programFolder(QFileInfo(executablePath).absolutePath());
    const QString beside = programFolder.filePath(QStringLiteral("runpad-fetch"));
    if (QFileInfo(beside).isExecutable())
        return beside;
    return QDir::cleanPath(programFolder.filePath(QStringLiteral(RUNPAD_FETCH_FROM_BINDIR)));
}

} // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const runpad::CommandLine commandLine =
        runpad::parseCommandLine(arguments, QStringLiteral(RUNPAD_VERSION));
    if (commandLine.action != runpad::CommandLine::Action::Run) {
        const bool failed = commandLine.action == runpad::CommandLine::Action::UsageError;
        std::fputs(commandLine.text.toLocal8Bit().constData(), failed ? stderr : stdout);
        return failed ? runpad::CommandLine::kUsageErrorStatus : 0;
    }

    const QString executablePath = runpad::runningExecutablePath(arguments.value(0));
    runpad::ProgramFiles files = runpad::programFiles(executablePath, runpad::userConfigHome());
    if (!commandLine.settingsFile.isEmpty())
        files.settingsFile = commandLine.settingsFile;
    // The settings and the table are read, and the font configuration too,
    // while the toolkit connects to the display and the window is built.
    runpad::StartupTableRead startupRead(files.settingsFile);
    runpad::FontWarmUp fontWarmUp;
    // Qt's own options are not offered: the toolkit sees the program name only.
    int toolkitArgc = 1;
    runpad::RunpadApplication app(toolkitArgc, argv);
    fontWarmUp.applicationReady();
    QApplication::setApplicationName(QString::fromLatin1(runpad::kProgramName));
    QApplication::setApplicationVersion(QStringLiteral(RUNPAD_VERSION));
    // Lets the desktop match the window to the installed entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(RUNPAD_APP_ID));
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
    // The table's columns are fitted on the reading thread while the window is built.
    startupRead.fitColumns(runpad::TForm1::commandRowFont());
    const runpad::StyleRegistry styleRegistry;
    runpad::StyleManager styles(styleRegistry, app);

    runpad::DesktopShellStarter shell;
    const runpad::IconExtractor icons;
    const runpad::SvgMetafileRenderer metafiles;
    const runpad::ResidentPictureMemory pictureMemory;

    // The update host: built in, or named by RUNPAD_UPDATE_HOST for this run.
    QString updateHost = qEnvironmentVariable("RUNPAD_UPDATE_HOST");
    if (updateHost.isEmpty())
        updateHost = QStringLiteral(RUNPAD_UPDATE_HOST);
    runpad::Downloader downloader(downloadHelperPath(executablePath));
    runpad::UpdateSession updates(
        updateHost,
        [&downloader](const QString& url, const QString& file) {
            return downloader.DownloadFile(url, file);
        },
        [&downloader] { downloader.cancelAll(); });
    const runpad::AboutDependencies about{executablePath, updates, shell,
                                          prompts,        errors,  files.folder};

    runpad::TForm1 form({executablePath, clock, prompts, errors, styles, shell, icons, &metafiles,
                         [] { return std::make_unique<runpad::TGamepadInput>(); }, &pictureMemory,
                         &about, &files, &startupRead});
    fontWarmUp.finish();
    startupRead.finish();
    closeOnTerminate(form);
    // The hidden About dialog of program start. Its update check runs on a
    // worker thread, started once the window shows: its download helper
    // process starts then, not before the first sight of the window.
    std::unique_ptr<runpad::TAboutBox> startupAbout;
    form.whenShown([&] {
        startupAbout = std::make_unique<runpad::TAboutBox>(
            about, runpad::TAboutBox::CheckMode::Background, &form);
    });
    // Reading a large table leaves its parsing buffers free but still mapped;
    // hand them back before the window settles into its long life.
    malloc_trim(0);
    form.show();
    return QApplication::exec();
}
