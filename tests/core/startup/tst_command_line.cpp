#include "core/startup/command_line.h"

#include <QDir>
#include <QTest>

using runpad::CommandLine;
using runpad::parseCommandLine;

Q_DECLARE_METATYPE(CommandLine::Action)

namespace {

const QString kVersion = QStringLiteral("1.2.3");

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void parses_data();
    void parses();
    void helpListsTheOptions();
    void errorsCarryTheUsage_data();
    void errorsCarryTheUsage();
};

void TestCommandLine::parses_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<CommandLine::Action>("action");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("settingsFile");

    const QString cwd = QDir::currentPath();
    using A = CommandLine::Action;
    QTest::newRow("no arguments") << QStringList{"/usr/bin/runpad"} << A::Run << QString()
                                  << QString();
    QTest::newRow("empty argument list") << QStringList{} << A::Run << QString() << QString();
    QTest::newRow("settings, relative") << QStringList{"runpad", "--settings", "t/second.ini"}
                                        << A::Run << QString() << cwd + "/t/second.ini";
    QTest::newRow("settings with =") << QStringList{"runpad", "--settings=/tmp/x/Second.ini"}
                                     << A::Run << QString() << QString("/tmp/x/Second.ini");
    QTest::newRow("settings twice, last wins")
        << QStringList{"runpad", "--settings", "/a.ini", "--settings", "/b.ini"} << A::Run
        << QString() << QString("/b.ini");
    QTest::newRow("version") << QStringList{"runpad", "--version"} << A::ShowText
                             << QString("Runpad 1.2.3\n") << QString();
    QTest::newRow("version, short")
        << QStringList{"runpad", "-v"} << A::ShowText << QString("Runpad 1.2.3\n") << QString();
}

void TestCommandLine::parses() {
    QFETCH(QStringList, arguments);
    QFETCH(CommandLine::Action, action);
    QFETCH(QString, text);
    QFETCH(QString, settingsFile);
    const CommandLine parsed = parseCommandLine(arguments, kVersion);
    QCOMPARE(parsed.action, action);
    QCOMPARE(parsed.text, text);
    QCOMPARE(parsed.settingsFile, settingsFile);
}

void TestCommandLine::helpListsTheOptions() {
    for (const QString& option : {QStringLiteral("--help"), QStringLiteral("-h")}) {
        const CommandLine parsed = parseCommandLine({"/usr/bin/runpad", option}, kVersion);
        QCOMPARE(parsed.action, CommandLine::Action::ShowText);
        QVERIFY2(parsed.text.startsWith("Usage: runpad [options]\n"), qPrintable(parsed.text));
        QVERIFY(parsed.text.contains("--settings <file>"));
        QVERIFY(parsed.text.contains("--version"));
        QVERIFY(parsed.text.contains("--help"));
    }
}

void TestCommandLine::errorsCarryTheUsage_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    QTest::newRow("unknown long option")
        << QStringList{"runpad", "--bogus"} << QString("runpad: Unknown option 'bogus'.");
    QTest::newRow("unknown short option")
        << QStringList{"runpad", "-x"} << QString("runpad: Unknown option 'x'.");
    QTest::newRow("toolkit option") << QStringList{"runpad", "-platform", "xcb"}
                                    << QString("runpad: Unknown options: p, l, a, t, f, o, r, m.");
    QTest::newRow("the toolkit's help")
        << QStringList{"runpad", "--help-all"} << QString("runpad: Unknown option 'help-all'.");
    QTest::newRow("settings without file") << QStringList{"runpad", "--settings"}
                                           << QString("runpad: Missing value after '--settings'.");
    QTest::newRow("settings with empty file")
        << QStringList{"runpad", "--settings", ""}
        << QString("runpad: The settings file name is empty.");
    QTest::newRow("a file instead of an option")
        << QStringList{"runpad", "table.ini"}
        << QString("runpad: Unexpected argument 'table.ini'.");
}

void TestCommandLine::errorsCarryTheUsage() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const CommandLine parsed = parseCommandLine(arguments, kVersion);
    QCOMPARE(parsed.action, CommandLine::Action::UsageError);
    QCOMPARE(CommandLine::kUsageErrorStatus, 2);
    const QString firstLine = parsed.text.section(u'\n', 0, 0);
    QCOMPARE(firstLine, message);
    QVERIFY2(parsed.text.contains("\nUsage: runpad [options]\n"), qPrintable(parsed.text));
    QVERIFY(parsed.settingsFile.isEmpty());
}

QTEST_APPLESS_MAIN(TestCommandLine)
#include "tst_command_line.moc"
