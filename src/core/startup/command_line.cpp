#include "core/startup/command_line.h"

#include "core/startup/program_files.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace runpad {

CommandLine parseCommandLine(const QStringList& arguments, const QString& version) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A command pad: a table of commands to start by double click, Enter or a "
                       "game controller's button."));
    // Not addHelpOption(): it also offers --help-all for the toolkit's own
    // options, which this program does not take.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays this help."));
    parser.addOption(help);
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption settings(QStringLiteral("settings"),
                                      QStringLiteral("Use <file> as the settings file (the table, "
                                                     "style and window placement)."),
                                      QStringLiteral("file"));
    parser.addOption(settings);

    // Without an application object the parser cannot know the program's name.
    const QString program = arguments.isEmpty() ? QString::fromLatin1(kProgramName).toLower()
                                                : QFileInfo(arguments.first()).fileName();
    QString usage = parser.helpText();
    const qsizetype firstLineEnd = usage.indexOf(u'\n');
    usage.replace(0, firstLineEnd, QStringLiteral("Usage: %1 [options]").arg(program));

    CommandLine result;
    if (!parser.parse(arguments.isEmpty() ? QStringList{program} : arguments)) {
        result.action = CommandLine::Action::UsageError;
        result.text = QStringLiteral("%1: %2\n\n%3").arg(program, parser.errorText(), usage);
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.action = CommandLine::Action::UsageError;
        result.text = QStringLiteral("%1: Unexpected argument '%2'.\n\n%3")
                          .arg(program, parser.positionalArguments().first(), usage);
        return result;
    }
    if (parser.isSet(help)) {
        result.action = CommandLine::Action::ShowText;
        result.text = usage;
        return result;
    }
    if (parser.isSet(versionOption)) {
        result.action = CommandLine::Action::ShowText;
        result.text = QStringLiteral("%1 %2\n").arg(QString::fromLatin1(kProgramName), version);
        return result;
    }
    if (parser.isSet(settings)) {
        const QString file = parser.value(settings);
        if (file.isEmpty()) {
            result.action = CommandLine::Action::UsageError;
            result.text =
                QStringLiteral("%1: The settings file name is empty.\n\n%2").arg(program, usage);
            return result;
        }
        result.settingsFile = QFileInfo(file).absoluteFilePath();
    }
    return result;
}

} // namespace runpad
