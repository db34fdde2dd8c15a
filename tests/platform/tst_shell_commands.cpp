// Table commands carried all the way to this desktop: programs really start
// (arg_recorder records how), the desktop's handlers are observed.

#include "core/launch/command_launch.h"
#include "platform/shell_start.h"

#include <QtTest>

using runpad::DesktopHandler;
using runpad::ProcessStarter;

namespace {

// What arg_recorder wrote about how it was started: the working directory,
// then the arguments.
QStringList readRecording(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QString directory;
    QStringList arguments;
    for (const QString& line : QString::fromLocal8Bit(file.readAll()).split(u'\n')) {
        if (line.startsWith(QLatin1String("cwd=")))
            directory = line.mid(4);
        else if (line.startsWith(QLatin1String("arg=")))
            arguments << line.mid(4);
    }
    return QStringList{QDir(directory).canonicalPath()} + arguments;
}

bool writeFile(const QString& path, const QByteArray& bytes, bool executable) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return false;
    file.close();
    QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner;
    if (executable)
        permissions |= QFile::ExeOwner;
    return file.setPermissions(permissions);
}

bool copyExecutable(const QString& from, const QString& to) {
    return QFile::copy(from, to) &&
           QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// Passes starts on to the real starter and keeps a note of them, so a start
// that should not happen shows at once.
class NotingProcessStarter : public ProcessStarter {
public:
    QStringList programs;
    void startDetached(const QString& program, const QStringList& arguments,
                       const QString& workingDirectory) override {
        programs << program;
        real_.startDetached(program, arguments, workingDirectory);
    }

private:
    runpad::SystemProcessStarter real_;
};

class RecordingDesktop : public DesktopHandler {
public:
    QList<QUrl> opened;
    QList<QStringList> launched;
    void openUrl(const QUrl& url) override { opened << url; }
    std::optional<QString> launchDesktopEntry(const QString& entryFile,
                                              const QStringList& uris) override {
        launched << QStringList{entryFile} + uris;
        return std::nullopt;
    }
};

} // namespace

class TestShellCommands : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void command_data();
    void command();
    void desktopEntryStartsApplication();
    void brokenDesktopEntryIsReported();

private:
    QString path(const QString& relative) const { return QDir(root_.path()).filePath(relative); }

    // root/home is HOME; root/exe is the executable's folder, where the table's
    // relative names live; root/cwd is the current directory.
    QTemporaryDir root_;
    QString home_;
    QString exe_;
    QString cwd_;
    QByteArray savedPath_;
    QByteArray savedHome_;
    QByteArray savedDataHome_;
    QString savedCurrent_;
};

void TestShellCommands::initTestCase() {
    QVERIFY(root_.isValid());
    const QDir root(root_.path());
    for (const char* folder : {"home/bin", "exe", "cwd", "wine", "settings", "plain"})
        QVERIFY(root.mkpath(QLatin1String(folder)));
    home_ = path("home");
    exe_ = path("exe");
    const QString recorder = QStringLiteral(ARG_RECORDER);

    QVERIFY(copyExecutable(recorder, path("home/bin/tool")));
    QVERIFY(copyExecutable(recorder, path("exe/linux.exe")));
    QVERIFY(writeFile(path("exe/prog.exe"), QByteArray("MZ\x90\0\3\0\0\0", 8) + "rest", false));
    // Runs only through /bin/sh: there is no "#!" line.
    QVERIFY(writeFile(path("exe/bare"), "exec '" + recorder.toLocal8Bit() + "' \"$@\" from-sh\n",
                      true));
    const QByteArray forward = "#!/bin/sh\nexec '" + recorder.toLocal8Bit() + "' \"$@\"\n";
    QVERIFY(writeFile(path("wine/wine"), forward, true));
    QVERIFY(writeFile(path("settings/xfce4-settings-manager"), forward, true));
    QVERIFY(writeFile(path("exe/app.desktop"),
                      "[Desktop Entry]\nType=Application\nName=App\nExec=true %U\n", false));
    QVERIFY(writeFile(path("exe/site.url"),
                      "[InternetShortcut]\r\nURL=https://example.org/site\r\nIconFile=\r\n",
                      false));
    QVERIFY(writeFile(path("exe/empty.url"), "[InternetShortcut]\nIconFile=x.ico\n", false));
    QVERIFY(writeFile(path("exe/notes.txt"), "notes\n", false));
    QVERIFY(writeFile(path("exe/SITE.URL"), "[InternetShortcut]\nURL=https://example.org/site\n",
                      false));
    QVERIFY(root.mkpath(QStringLiteral("data/applications")));
    QVERIFY(writeFile(path("data/applications/runpad-test-7f3a.desktop"),
                      "[Desktop Entry]\nType=Application\nName=T\nExec=true\n", false));

    savedPath_ = qgetenv("PATH");
    savedHome_ = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(home_));
    savedDataHome_ = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(path("data")));
    savedCurrent_ = QDir::currentPath();
    QVERIFY(QDir::setCurrent(path("cwd")));
    cwd_ = QDir::currentPath();
}

void TestShellCommands::cleanupTestCase() {
    QDir::setCurrent(savedCurrent_);
    qputenv("PATH", savedPath_);
    qputenv("HOME", savedHome_);
    if (savedDataHome_.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", savedDataHome_);
}

void TestShellCommands::init() {
    for (const QString& folder : {exe_, cwd_})
        QFile::remove(QDir(folder).filePath(QStringLiteral("recorded.txt")));
}

// outcome and details:
//   "records"  - arg_recorder ran: [working directory, arguments...]
//   "creates"  - a program ran that created [file]
//   "opens"    - the desktop's handler got [address]
//   "launches" - the desktop's launcher got [entry file, URIs...]
//   "reports"  - nothing started, the status line gets [text]
//   "nothing"  - nothing started and nothing to say
void TestShellCommands::command_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("pathFolders"); // PATH, relative to the root
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<QStringList>("details");

    const QString recorder = QStringLiteral(ARG_RECORDER);
    const QString touched = path("touched");
    const QString noWine =
        QStringLiteral("Cannot start \"prog.exe\": Windows programs need Wine, which is not "
                       "installed");
    const QString fileUri = QUrl::fromLocalFile(exe_ + "/notes.txt").toString();

    QTest::newRow("absolute program with arguments") << "/usr/bin/touch " + touched << "plain"
                                                     << "creates" << QStringList{touched};
    QTest::newRow("absolute program records arguments, current directory")
        << recorder + " a 'b c'"
        << "plain"
        << "records" << QStringList{cwd_, "a", "b c"};
    QTest::newRow("program under the home folder")
        << "~/bin/tool arg ~/x '~/y'"
        << "plain"
        << "records" << QStringList{exe_, "arg", home_ + "/x", "~/y"};
    QTest::newRow("home folder by its absolute path")
        << home_ << "plain"
        << "opens" << QStringList{QUrl::fromLocalFile(home_).toString()};
    QTest::newRow("absolute document") << exe_ + "/notes.txt"
                                       << "plain"
                                       << "opens" << QStringList{fileUri};
    QTest::newRow("desktop entry with files and addresses")
        << "app.desktop notes.txt https://example.org/"
        << "plain"
        << "launches" << QStringList{exe_ + "/app.desktop", fileUri, "https://example.org/"};
    QTest::newRow("internet shortcut opens its address")
        << "site.url"
        << "plain"
        << "opens" << QStringList{"https://example.org/site"};
    QTest::newRow("internet shortcut named in capitals")
        << "SITE.URL"
        << "plain"
        << "opens" << QStringList{"https://example.org/site"};
    QTest::newRow("installed desktop entry by its name")
        << "runpad-test-7f3a.desktop"
        << "plain"
        << "launches" << QStringList{path("data/applications/runpad-test-7f3a.desktop")};
    QTest::newRow("internet shortcut without address") << "empty.url"
                                                       << "plain"
                                                       << "nothing" << QStringList{};
    QTest::newRow("Windows program with wine")
        << "prog.exe -x"
        << "wine"
        << "records" << QStringList{exe_, exe_ + "/prog.exe", "-x"};
    QTest::newRow("Windows program without wine") << "prog.exe -x"
                                                  << "plain"
                                                  << "reports" << QStringList{noWine};
    QTest::newRow("Linux program named .exe runs directly") << "linux.exe -x"
                                                            << "wine"
                                                            << "records" << QStringList{exe_, "-x"};
    QTest::newRow("script without interpreter line")
        << "bare one"
        << "plain"
        << "records" << QStringList{exe_, "one", "from-sh"};
    QTest::newRow("Control Panel item with a settings program") << "applet.cpl"
                                                                << "settings"
                                                                << "records" << QStringList{cwd_};
    QTest::newRow("Control Panel item without a settings program")
        << "applet.cpl"
        << "plain"
        << "reports"
        << QStringList{"Cannot open \"applet.cpl\": no desktop settings program was found"};
    QTest::newRow("Control Panel name form") << "/name Microsoft.Mouse"
                                             << "settings"
                                             << "records" << QStringList{cwd_};
    QTest::newRow("missing program") << "missing-7f3a.exe"
                                     << "wine"
                                     << "nothing" << QStringList{};
}

void TestShellCommands::command() {
    QFETCH(QString, command);
    QFETCH(QString, pathFolders);
    QFETCH(QString, outcome);
    QFETCH(QStringList, details);

    qputenv("PATH", QFile::encodeName(path(pathFolders)));
    NotingProcessStarter processes;
    RecordingDesktop desktop;
    runpad::DesktopShellStarter shell(processes, desktop);
    const std::optional<QString> status =
        shell.shellExecute(runpad::launchRequest(command, exe_ + u'/'));

    QCOMPARE(status.value_or(QString()), outcome == "reports" ? details.value(0) : QString());
    QList<QUrl> opened;
    if (outcome == "opens")
        opened << QUrl(details.value(0));
    QCOMPARE(desktop.opened, opened);
    QCOMPARE(desktop.launched,
             outcome == "launches" ? QList<QStringList>{details} : QList<QStringList>{});

    const bool starts = outcome == "records" || outcome == "creates";
    QCOMPARE(processes.programs.size(), starts ? 1 : 0);
    if (outcome == "creates") {
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(details.value(0)), 10000);
    } else if (outcome == "records") {
        const QString recorded = QDir(details.value(0)).filePath(QStringLiteral("recorded.txt"));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(recorded), 10000);
        QStringList expected = details;
        expected[0] = QDir(expected[0]).canonicalPath();
        QCOMPARE(readRecording(recorded), expected);
    }
}

void TestShellCommands::desktopEntryStartsApplication() {
    QTemporaryDir work;
    QVERIFY(work.isValid());
    const QString entry = work.filePath(QStringLiteral("recorder.desktop"));
    QVERIFY(writeFile(entry,
                      "[Desktop Entry]\nType=Application\nName=Recorder\nExec=" ARG_RECORDER
                      " --uris %U\nPath=" +
                          work.path().toLocal8Bit() + "\n",
                      false));
    const QStringList uris{"https://example.org/a",
                           QString::fromLatin1(QUrl::fromLocalFile("/tmp/b c").toEncoded())};

    runpad::SystemDesktopHandler desktop;
    QCOMPARE(desktop.launchDesktopEntry(entry, uris), std::nullopt);

    const QString recorded = work.filePath(QStringLiteral("recorded.txt"));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(recorded), 10000);
    // Addresses arrive as they are, local files as paths, as %U asks.
    QCOMPARE(readRecording(recorded), QStringList{work.path()} << "--uris"
                                                               << "https://example.org/a"
                                                               << "/tmp/b c");
}

void TestShellCommands::brokenDesktopEntryIsReported() {
    QTemporaryDir work;
    QVERIFY(work.isValid());
    const QString entry = work.filePath(QStringLiteral("broken.desktop"));
    QVERIFY(writeFile(entry, "[Desktop Entry]\nType=Link\nURL=https://example.org/\n", false));

    runpad::SystemDesktopHandler desktop;
    const std::optional<QString> status = desktop.launchDesktopEntry(entry, {});
    QVERIFY(status);
    QVERIFY2(status->startsWith("Cannot start \"" + entry + "\": "), qPrintable(*status));
}

QTEST_GUILESS_MAIN(TestShellCommands)
#include "tst_shell_commands.moc"
