#include "core/launch/command_launch.h"

#include <QtTest>

using runpad::CommandKind;
using runpad::ShellOwner;
using runpad::ShellStartRequest;

namespace runpad {

// Readable failure messages for QCOMPARE.
char* toString(const ShellStartRequest& request) {
    const auto text = [](const std::optional<QString>& value) {
        return value ? QStringLiteral("\"%1\"").arg(*value) : QStringLiteral("nullopt");
    };
    return QTest::toString(
        QStringLiteral("{owner %1, verb %2, file \"%3\", parameters %4, directory %5, show %6}")
            .arg(int(request.owner))
            .arg(text(request.verb), request.file, text(request.parameters),
                 text(request.directory))
            .arg(request.showCommand));
}

} // namespace runpad

namespace {

const QString kExeFolder = QStringLiteral("/opt/runpad/");

ShellStartRequest openRequest(const QString& file, const QString& parameters) {
    ShellStartRequest request;
    request.owner = ShellOwner::Application;
    request.verb = QStringLiteral("open");
    request.file = file;
    request.parameters = parameters;
    request.directory = kExeFolder;
    request.showCommand = runpad::SW_RESTORE;
    return request;
}

ShellStartRequest controlPanel(const QString& parameters) {
    ShellStartRequest request;
    request.owner = ShellOwner::Application;
    request.verb = std::nullopt;
    request.file = QStringLiteral("control.exe");
    request.parameters = parameters;
    request.directory = std::nullopt;
    request.showCommand = runpad::SW_SHOW;
    return request;
}

} // namespace

class TestCommandLaunch : public QObject {
    Q_OBJECT

private slots:
    void launchRequest_data();
    void launchRequest();
    void controlPanelHelpRequest();
    void splitShellWords_data();
    void splitShellWords();
    void splitShellWordsWithHome_data();
    void splitShellWordsWithHome();
    void commandExtension_data();
    void commandExtension();
};

void TestCommandLaunch::launchRequest_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<CommandKind>("kind");
    QTest::addColumn<ShellStartRequest>("expected");

    const QString e;
    const QString longTail(2000, u'p');

    QTest::newRow("program with parameters")
        << "tool.exe -x 5" << CommandKind::Program << openRequest("tool.exe", "-x 5");
    QTest::newRow("program alone has empty parameters")
        << "powershell.exe" << CommandKind::Program << openRequest("powershell.exe", e);
    QTest::newRow("program with only the separator")
        << "tool.exe " << CommandKind::Program << openRequest("tool.exe", e);
    QTest::newRow("any character after .exe separates")
        << "tool.exe+a b" << CommandKind::Program << openRequest("tool.exe", "a b");
    QTest::newRow("only one separator character is dropped")
        << "tool.exe  -x " << CommandKind::Program << openRequest("tool.exe", " -x ");
    QTest::newRow(".exe inside a longer name")
        << "x.exe.config" << CommandKind::Program << openRequest("x.exe", "config");
    QTest::newRow("first .exe decides")
        << "a.exe b.exe c" << CommandKind::Program << openRequest("a.exe", "b.exe c");
    QTest::newRow(".exe wins over .cpl")
        << "rundll.exe shell.cpl" << CommandKind::Program << openRequest("rundll.exe", "shell.cpl");
    QTest::newRow(".exe wins over leading slash")
        << "/x.exe" << CommandKind::Program << openRequest("/x.exe", e);
    QTest::newRow("parameters cut to 1024 characters")
        << "tool.exe " + longTail << CommandKind::Program
        << openRequest("tool.exe", longTail.left(1024));

    QTest::newRow("control panel applet")
        << "applet.cpl" << CommandKind::ControlPanel << controlPanel("applet.cpl");
    QTest::newRow("control panel canonical name")
        << "/name Item" << CommandKind::ControlPanel << controlPanel("/name Item");
    QTest::newRow(".cpl wins over .url")
        << "applet.cpl.url" << CommandKind::ControlPanel << controlPanel("applet.cpl.url");

    QTest::newRow("internet shortcut")
        << "site.url" << CommandKind::InternetShortcut << openRequest("site.url", e);

    QTest::newRow("upper-case .EXE is not a program")
        << "TOOL.EXE -x" << CommandKind::Other << openRequest("TOOL.EXE -x", e);
    QTest::newRow("plain word") << "cmd" << CommandKind::Other << openRequest("cmd", e);
    QTest::newRow("slash after a leading blank")
        << " /name" << CommandKind::Other << openRequest(" /name", e);
    QTest::newRow("address") << "https://example.org" << CommandKind::Other
                             << openRequest("https://example.org", e);
    QTest::newRow("empty command") << "" << CommandKind::Other << openRequest("", e);
}

void TestCommandLaunch::launchRequest() {
    QFETCH(QString, command);
    QFETCH(CommandKind, kind);
    QFETCH(ShellStartRequest, expected);

    QCOMPARE(runpad::classifyCommand(command), kind);
    QCOMPARE(runpad::launchRequest(command, kExeFolder), expected);
}

void TestCommandLaunch::controlPanelHelpRequest() {
    QCOMPARE(runpad::controlPanelHelpRequest(kExeFolder),
             openRequest("https://learn.microsoft.com/en-us/windows/win32/shell/"
                         "executing-control-panel-items",
                         ""));
}

void TestCommandLaunch::splitShellWords_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("words");

    QTest::newRow("empty") << "" << QStringList();
    QTest::newRow("only blanks") << " \t \n" << QStringList();
    QTest::newRow("blanks, tabs and line breaks separate")
        << "  a b\t\tc\nd  " << QStringList{"a", "b", "c", "d"};
    QTest::newRow("double and single quotes")
        << R"(one "two words" 'three')" << QStringList{"one", "two words", "three"};
    QTest::newRow("quoted parts join their neighbours")
        << R"(a"b c"'d e'f)" << QStringList{"ab cd ef"};
    QTest::newRow("empty quotes give empty words") << R"("" '' x)" << QStringList{"", "", "x"};
    QTest::newRow("each quote kind is literal inside the other")
        << R"("it's" 'say "hi"')" << QStringList{"it's", R"(say "hi")"};
    QTest::newRow("backslash escapes outside quotes")
        << R"(a\ b \"c\' d\\)" << QStringList{"a b", R"("c')", R"(d\)"};
    QTest::newRow("backslash inside double quotes")
        << R"("q\"d \\ \$ \` \n")" << QStringList{R"(q"d \ $ ` \n)"};
    QTest::newRow("backslash literal inside single quotes")
        << R"('a\b\')" << QStringList{R"(a\b\)"};
    QTest::newRow("drive path in double quotes keeps its backslashes")
        << R"("C:\tools\x.exe")" << QStringList{R"(C:\tools\x.exe)"};
    QTest::newRow("nothing is expanded")
        << "$HOME ~ *.txt `id` $(id) a;b c|d"
        << QStringList{"$HOME", "~", "*.txt", "`id`", "$(id)", "a;b", "c|d"};
    QTest::newRow("unterminated double quote runs to the end")
        << R"(x "open end)" << QStringList{"x", "open end"};
    QTest::newRow("unterminated single quote runs to the end")
        << "x 'open end" << QStringList{"x", "open end"};
    QTest::newRow("trailing backslash stays") << R"(a\)" << QStringList{R"(a\)"};
}

void TestCommandLaunch::splitShellWords() {
    QFETCH(QString, text);
    QFETCH(QStringList, words);
    QCOMPARE(runpad::splitShellWords(text), words);
}

void TestCommandLaunch::splitShellWordsWithHome_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("words");

    QTest::newRow("tilde alone") << "~" << QStringList{"/home/me"};
    QTest::newRow("tilde and slash")
        << "~/bin/tool ~/a" << QStringList{"/home/me/bin/tool", "/home/me/a"};
    QTest::newRow("tilde before a blank") << "~ x" << QStringList{"/home/me", "x"};
    QTest::newRow("tilde then a quoted part")
        << R"(~/"my files")" << QStringList{"/home/me/my files"};
    QTest::newRow("quoted tilde stays") << R"('~' "~/a" \~/b)" << QStringList{"~", "~/a", "~/b"};
    QTest::newRow("other user's home is not looked up") << "~root/x" << QStringList{"~root/x"};
    QTest::newRow("tilde inside a word stays") << "a~/b --x=~/c" << QStringList{"a~/b", "--x=~/c"};
    QTest::newRow("nothing else is expanded") << "$HOME/x *.txt" << QStringList{"$HOME/x", "*.txt"};
}

void TestCommandLaunch::splitShellWordsWithHome() {
    QFETCH(QString, text);
    QFETCH(QStringList, words);
    QCOMPARE(runpad::splitShellWords(text, QStringLiteral("/home/me")), words);
}

void TestCommandLaunch::commandExtension_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("extension");
    QTest::newRow("shortcut file") << "site.url"
                                   << ".url";
    QTest::newRow("letter case kept") << "SITE.URL"
                                      << ".URL";
    QTest::newRow("last point counts") << "a.url.txt"
                                       << ".txt";
    QTest::newRow("point before the last backslash") << "a.url\\b"
                                                     << "";
    QTest::newRow("point before a colon") << "x.y:z"
                                          << "";
    QTest::newRow("point after backslash and colon") << "C:\\dir\\link.url"
                                                     << ".url";
    QTest::newRow("no point") << "cmd"
                              << "";
}

void TestCommandLaunch::commandExtension() {
    QFETCH(QString, command);
    QFETCH(QString, extension);
    QCOMPARE(runpad::commandExtension(command), extension);
}

QTEST_GUILESS_MAIN(TestCommandLaunch)
#include "tst_command_launch.moc"
