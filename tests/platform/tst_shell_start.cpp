#include "platform/linux/shell_plan.h"
#include "platform/shell_start.h"

#include <QDesktopServices>
#include <QtTest>

#include <sys/stat.h>

using runpad::ShellStartPlan;
using runpad::ShellStartRequest;

namespace runpad {

// Readable failure messages for QCOMPARE.
char* toString(const ShellStartPlan& plan) {
    switch (plan.action) {
    case ShellStartPlan::Action::Nothing:
        return qstrdup("nothing");
    case ShellStartPlan::Action::OpenUrl:
        return QTest::toString(QStringLiteral("open <%1>").arg(plan.url.toString()));
    case ShellStartPlan::Action::StartProgram:
        return QTest::toString(QStringLiteral("start \"%1\" [%2] in \"%3\"")
                                   .arg(plan.program, plan.arguments.join(QStringLiteral("|")),
                                        plan.workingDirectory));
    case ShellStartPlan::Action::LaunchDesktopEntry:
        return QTest::toString(QStringLiteral("launch \"%1\" [%2]")
                                   .arg(plan.program, plan.arguments.join(QStringLiteral("|"))));
    case ShellStartPlan::Action::Report:
        return QTest::toString(QStringLiteral("report \"%1\"").arg(plan.message));
    }
    return nullptr;
}

} // namespace runpad

namespace {

ShellStartRequest request(const QString& file, std::optional<QString> parameters = std::nullopt,
                          std::optional<QString> directory = std::nullopt) {
    ShellStartRequest result;
    result.verb = QStringLiteral("open");
    result.file = file;
    result.parameters = std::move(parameters);
    result.directory = std::move(directory);
    return result;
}

ShellStartPlan started(const QString& program, const QStringList& arguments,
                       const QString& workingDirectory) {
    ShellStartPlan plan;
    plan.action = ShellStartPlan::Action::StartProgram;
    plan.program = program;
    plan.arguments = arguments;
    plan.workingDirectory = workingDirectory;
    return plan;
}

ShellStartPlan opened(const QUrl& url) {
    ShellStartPlan plan;
    plan.action = ShellStartPlan::Action::OpenUrl;
    plan.url = url;
    return plan;
}

// Creates a file; an executable one is never run, it only has to look like a
// program (here a script with an interpreter line) to a lookup.
bool makeFile(const QString& path, bool executable) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(executable ? "#!/bin/sh\nexit 0\n" : "not a program\n") < 0)
        return false;
    file.close();
    QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner;
    if (executable)
        permissions |= QFile::ExeOwner;
    return file.setPermissions(permissions);
}

// What arg_recorder wrote about how it was started.
struct Recording {
    QString workingDirectory;
    QStringList arguments;
    QStringList openFiles;
};

Recording readRecording(const QString& path) {
    Recording recording;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return recording;
    const QStringList lines = QString::fromLocal8Bit(file.readAll()).split(u'\n');
    for (const QString& line : lines) {
        if (line.startsWith(QLatin1String("cwd=")))
            recording.workingDirectory = line.mid(4);
        else if (line.startsWith(QLatin1String("arg=")))
            recording.arguments << line.mid(4);
        else if (line.startsWith(QLatin1String("fd=")))
            recording.openFiles << line.mid(3);
    }
    return recording;
}

} // namespace

// Stands in for the desktop's handler, so nothing is really opened.
class UrlRecorder : public QObject {
    Q_OBJECT

public:
    QList<QUrl> urls;
    Q_INVOKABLE void open(const QUrl& url) { urls << url; }
};

class TestShellStart : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void plan_data();
    void plan();
    void opensWithDesktopHandler_data();
    void opensWithDesktopHandler();
    void startsProgram_data();
    void startsProgram();

private:
    // Lookups see programs in bin_ (put on PATH), beside the request's
    // directory work_, and in the current directory cwd_.
    QTemporaryDir root_;
    QString bin_;
    QString work_;
    QString cwd_;
    QByteArray savedPath_;
    QString savedCurrent_;
    UrlRecorder recorder_;
    const QStringList schemes_{QStringLiteral("https"), QStringLiteral("mailto"),
                               QStringLiteral("file"), QStringLiteral("ftp")};
};

void TestShellStart::initTestCase() {
    QVERIFY(root_.isValid());
    const QDir root(root_.path());
    for (const char* folder : {"bin", "work/sub", "cwd"})
        QVERIFY(root.mkpath(QLatin1String(folder)));
    bin_ = root.filePath(QStringLiteral("bin"));
    work_ = root.filePath(QStringLiteral("work"));

    const QList<std::pair<const char*, bool>> files{
        {"bin/fakeprog", true},   {"bin/shadowed", true},    {"bin/plain", false},
        {"work/tool", true},      {"work/shadowed", true},   {"work/my tool", true},
        {"work/sub/inner", true}, {"work/notes.txt", false}, {"work/script.sh", false},
        {"cwd/here", true},       {"cwd/letter.txt", false}};
    for (const auto& [name, executable] : files)
        QVERIFY2(makeFile(root.filePath(QLatin1String(name)), executable), name);

    QVERIFY(::mkfifo(QFile::encodeName(root.filePath(QStringLiteral("work/pipe.url"))).constData(),
                     0600) == 0);
    {
        QFile mz(root.filePath(QStringLiteral("work/mz.dat")));
        QVERIFY(mz.open(QIODevice::WriteOnly));
        QVERIFY(mz.write("MZ\x90", 3) == 3);
    }

    savedPath_ = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin_) + ':' + savedPath_);
    savedCurrent_ = QDir::currentPath();
    QVERIFY(QDir::setCurrent(root.filePath(QStringLiteral("cwd"))));
    cwd_ = QDir::currentPath();

    for (const QString& scheme : schemes_)
        QDesktopServices::setUrlHandler(scheme, &recorder_, "open");
}

void TestShellStart::cleanupTestCase() {
    for (const QString& scheme : schemes_)
        QDesktopServices::unsetUrlHandler(scheme);
    QDir::setCurrent(savedCurrent_);
    qputenv("PATH", savedPath_);
}

void TestShellStart::init() {
    recorder_.urls.clear();
}

void TestShellStart::plan_data() {
    QTest::addColumn<ShellStartRequest>("request");
    QTest::addColumn<ShellStartPlan>("expected");

    const ShellStartPlan nothing;
    const QString tool = work_ + QStringLiteral("/tool");
    const QString fakeprog = bin_ + QStringLiteral("/fakeprog");
    const auto fileUrl = [](const QString& path) { return QUrl::fromLocalFile(path); };

    QTest::newRow("https address")
        << request("https://example.org/a?b=c d") << opened(QUrl("https://example.org/a?b=c d"));
    QTest::newRow("mailto address")
        << request("mailto:someone@example.org") << opened(QUrl("mailto:someone@example.org"));
    QTest::newRow("address ignores directory and parameters")
        << request("ftp://example.org/f", "x", work_) << opened(QUrl("ftp://example.org/f"));
    QTest::newRow("scheme with nothing after is no address") << request("http:") << nothing;
    QTest::newRow("drive path is no address") << request("C:\\tools\\x.exe") << nothing;
    QTest::newRow("drive path with slashes is no address") << request("C:/tools/x.exe") << nothing;

    QTest::newRow("absolute executable") << request(tool) << started(tool, {}, cwd_);
    QTest::newRow("absolute executable, directory as working directory")
        << request(tool, "", work_ + "/sub") << started(tool, {}, work_ + "/sub");
    QTest::newRow("parameters split with quotes")
        << request(tool, R"(one "two words" 'three')")
        << started(tool, {"one", "two words", "three"}, cwd_);
    QTest::newRow("parameters are not expanded")
        << request(tool, "$HOME *.txt a;b") << started(tool, {"$HOME", "*.txt", "a;b"}, cwd_);
    QTest::newRow("bare name on PATH") << request("fakeprog") << started(fakeprog, {}, cwd_);
    QTest::newRow("bare name on PATH keeps the directory as working directory")
        << request("fakeprog", "-v", work_) << started(fakeprog, {"-v"}, work_);
    QTest::newRow("name relative to the directory")
        << request("tool", "a", work_) << started(tool, {"a"}, work_);
    QTest::newRow("path relative to the directory")
        << request("sub/inner", std::nullopt, work_) << started(work_ + "/sub/inner", {}, work_);
    QTest::newRow("dot path relative to the directory")
        << request("./tool", std::nullopt, work_) << started(tool, {}, work_);
    QTest::newRow("name relative to the current directory")
        << request("here") << started(cwd_ + "/here", {}, cwd_);
    QTest::newRow("empty directory means the current directory")
        << request("here", "", "") << started(cwd_ + "/here", {}, cwd_);
    QTest::newRow("directory copy wins over PATH")
        << request("shadowed", std::nullopt, work_) << started(work_ + "/shadowed", {}, work_);
    QTest::newRow("PATH used when the directory has none")
        << request("shadowed") << started(bin_ + "/shadowed", {}, cwd_);
    QTest::newRow("path with a slash is not looked up on PATH") << request("x/fakeprog") << nothing;
    QTest::newRow("non-executable file on PATH is no program") << request("plain") << nothing;
    QTest::newRow("executable with a blank in its name")
        << request("my tool", "x", work_) << started(work_ + "/my tool", {"x"}, work_);
    {
        ShellStartRequest other = request(tool, "a");
        other.owner = runpad::ShellOwner::AboutDialog;
        other.verb = QStringLiteral("runas");
        other.showCommand = runpad::SW_SHOW;
        QTest::newRow("verb, show command and owner play no part")
            << other << started(tool, {"a"}, cwd_);
    }

    QTest::newRow("document relative to the directory")
        << request("notes.txt", "ignored", work_) << opened(fileUrl(work_ + "/notes.txt"));
    QTest::newRow("document relative to the current directory")
        << request("letter.txt") << opened(fileUrl(cwd_ + "/letter.txt"));
    QTest::newRow("absolute document")
        << request(work_ + "/notes.txt") << opened(fileUrl(work_ + "/notes.txt"));
    QTest::newRow("non-executable script is a document")
        << request("script.sh", std::nullopt, work_) << opened(fileUrl(work_ + "/script.sh"));
    QTest::newRow("shortcut that is a FIFO is not read")
        << request("pipe.url", std::nullopt, work_) << opened(fileUrl(work_ + "/pipe.url"));
    QTest::newRow("Windows program data without execute bit or .exe name is a document")
        << request("mz.dat", std::nullopt, work_) << opened(fileUrl(work_ + "/mz.dat"));
    QTest::newRow("folder relative to the directory")
        << request("sub", std::nullopt, work_) << opened(fileUrl(work_ + "/sub"));
    QTest::newRow("absolute folder") << request(work_) << opened(fileUrl(work_));

    QTest::newRow("command line with first word on PATH")
        << request("fakeprog -c 'exit 0'", "more words")
        << started(fakeprog, {"-c", "exit 0", "more", "words"}, cwd_);
    QTest::newRow("command line with first word in the directory")
        << request("tool photo.png", std::nullopt, work_) << started(tool, {"photo.png"}, work_);
    QTest::newRow("command line with quoted first word")
        << request(R"("my tool" "a b")", std::nullopt, work_)
        << started(work_ + "/my tool", {"a b"}, work_);
    QTest::newRow("command line whose first word is a document")
        << request("notes.txt more", std::nullopt, work_) << nothing;
    QTest::newRow("command line with unknown first word") << request("missing-7f3a arg") << nothing;

    QTest::newRow("nonexistent name") << request("missing-7f3a", "x", work_) << nothing;
    QTest::newRow("empty file") << request("", "x", work_) << nothing;
    QTest::newRow("blank file") << request("  ", "x", work_) << nothing;
}

void TestShellStart::plan() {
    QFETCH(ShellStartRequest, request);
    QFETCH(ShellStartPlan, expected);
    QCOMPARE(runpad::planShellStart(request), expected);
}

void TestShellStart::opensWithDesktopHandler_data() {
    QTest::addColumn<ShellStartRequest>("request");
    QTest::addColumn<QList<QUrl>>("urls");

    QTest::newRow("address") << request("https://example.org/")
                             << QList<QUrl>{QUrl("https://example.org/")};
    QTest::newRow("mail address") << request("mailto:someone@example.org")
                                  << QList<QUrl>{QUrl("mailto:someone@example.org")};
    QTest::newRow("document") << request("notes.txt", std::nullopt, work_)
                              << QList<QUrl>{QUrl::fromLocalFile(work_ + "/notes.txt")};
    QTest::newRow("folder") << request(work_) << QList<QUrl>{QUrl::fromLocalFile(work_)};
    QTest::newRow("drive path opens nothing") << request("C:\\x\\y.txt") << QList<QUrl>();
    QTest::newRow("nonexistent name opens nothing")
        << request("missing-7f3a", std::nullopt, work_) << QList<QUrl>();
}

void TestShellStart::opensWithDesktopHandler() {
    QFETCH(ShellStartRequest, request);
    QFETCH(QList<QUrl>, urls);
    runpad::DesktopShellStarter().shellExecute(request);
    QCOMPARE(recorder_.urls, urls);
}

void TestShellStart::startsProgram_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("parameters");
    QTest::addColumn<QStringList>("arguments");

    const QString recorder = QStringLiteral(ARG_RECORDER);
    QTest::newRow("program with quoted parameters")
        << recorder << R"(one "two words" 'three')" << QStringList{"one", "two words", "three"};
    QTest::newRow("command line in the file text") << "'" + recorder + "' first"
                                                   << "second" << QStringList{"first", "second"};
}

void TestShellStart::startsProgram() {
    QFETCH(QString, file);
    QFETCH(QString, parameters);
    QFETCH(QStringList, arguments);

    QTemporaryDir directory;
    QVERIFY(directory.isValid());
    // Opened by us while the program starts; it must not reach the program.
    QFile ours(directory.filePath(QStringLiteral("ours.txt")));
    QVERIFY(ours.open(QIODevice::WriteOnly));

    runpad::DesktopShellStarter().shellExecute(request(file, parameters, directory.path()));

    const QString recorded = directory.filePath(QStringLiteral("recorded.txt"));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(recorded), 10000);
    const Recording recording = readRecording(recorded);
    QCOMPARE(recording.arguments, arguments);
    QCOMPARE(QDir(recording.workingDirectory).canonicalPath(),
             QDir(directory.path()).canonicalPath());
    QVERIFY2(!recording.openFiles.contains(QFileInfo(ours).canonicalFilePath()),
             qPrintable(recording.openFiles.join(u' ')));
    QVERIFY(recorder_.urls.isEmpty());
}

QTEST_GUILESS_MAIN(TestShellStart)
#include "tst_shell_start.moc"
