#include "core/launch/command_launch.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

namespace runpad {

namespace {

const QString kExe = QStringLiteral(".exe");
const QString kOpen = QStringLiteral("open");
constexpr qsizetype kMaxParameters = 1024;

// A non-null empty text: "no parameters" as opposed to none given at all.
QString emptyText() {
    return QStringLiteral("");
}

ShellStartRequest openRequest(const QString& file, const QString& exeFolder) {
    ShellStartRequest request;
    request.owner = ShellOwner::Application;
    request.verb = kOpen;
    request.file = file;
    request.parameters = emptyText();
    request.directory = exeFolder;
    request.showCommand = SW_RESTORE;
    return request;
}

bool isWordBreak(QChar ch) {
    return ch == u' ' || ch == u'\t' || ch == u'\n' || ch == u'\r';
}

// Absolute path of the executable regular file that name stands for, tried
// as given against base first, then on PATH for a bare name; empty if none.
QString findProgram(const QString& name, const QDir& base) {
    if (name.isEmpty())
        return {};
    const QFileInfo info(base, name);
    if (info.isFile() && info.isExecutable())
        return info.absoluteFilePath();
    if (!name.contains(u'/'))
        return QStandardPaths::findExecutable(name);
    return {};
}

ShellStartPlan startPlan(const QString& program, const QStringList& arguments, const QDir& base) {
    ShellStartPlan plan;
    plan.action = ShellStartPlan::Action::StartProgram;
    plan.program = program;
    plan.arguments = arguments;
    plan.workingDirectory = base.absolutePath();
    return plan;
}

ShellStartPlan openPlan(const QUrl& url) {
    ShellStartPlan plan;
    plan.action = ShellStartPlan::Action::OpenUrl;
    plan.url = url;
    return plan;
}

} // namespace

CommandKind classifyCommand(const QString& command) {
    if (command.contains(kExe))
        return CommandKind::Program;
    if (command.contains(QStringLiteral(".cpl")) || command.startsWith(u'/'))
        return CommandKind::ControlPanel;
    if (command.contains(QStringLiteral(".url")))
        return CommandKind::InternetShortcut;
    return CommandKind::Other;
}

ShellStartRequest launchRequest(const QString& command, const QString& exeFolder) {
    switch (classifyCommand(command)) {
    case CommandKind::Program: {
        const qsizetype end = command.indexOf(kExe) + kExe.size();
        ShellStartRequest request = openRequest(command.left(end), exeFolder);
        // The one character after ".exe" separates the parameters and is
        // dropped whatever it is.
        if (end + 1 < command.size())
            request.parameters = command.mid(end + 1, kMaxParameters);
        return request;
    }
    case CommandKind::ControlPanel: {
        ShellStartRequest request;
        request.owner = ShellOwner::Application;
        request.file = QStringLiteral("control.exe");
        request.parameters = command;
        request.showCommand = SW_SHOW;
        return request;
    }
    case CommandKind::InternetShortcut:
    case CommandKind::Other:
        break;
    }
    return openRequest(command, exeFolder);
}

ShellStartRequest controlPanelHelpRequest(const QString& exeFolder) {
    return openRequest(QStringLiteral("https://learn.microsoft.com/en-us/windows/win32/shell/"
                                      "executing-control-panel-items"),
                       exeFolder);
}

QString commandExtension(const QString& command) {
    const qsizetype dot = command.lastIndexOf(u'.');
    const qsizetype delimiter = qMax(command.lastIndexOf(u'\\'), command.lastIndexOf(u':'));
    return dot > delimiter ? command.mid(dot) : QString();
}

QStringList splitShellWords(const QString& text) {
    QStringList words;
    QString word;
    // Separate from word.isEmpty(), so that "" and '' give an empty word.
    bool inWord = false;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar ch = text[i];
        if (isWordBreak(ch)) {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
            continue;
        }
        inWord = true;
        if (ch == u'\\') {
            // A trailing backslash has nothing to escape and stays.
            word += i + 1 < n ? text[++i] : ch;
        } else if (ch == u'\'') {
            for (++i; i < n && text[i] != u'\''; ++i)
                word += text[i];
        } else if (ch == u'"') {
            for (++i; i < n && text[i] != u'"'; ++i) {
                const QChar next = i + 1 < n ? text[i + 1] : QChar();
                if (text[i] == u'\\' &&
                    (next == u'"' || next == u'\\' || next == u'$' || next == u'`')) {
                    ++i;
                }
                word += text[i];
            }
        } else {
            word += ch;
        }
    }
    if (inWord)
        words << word;
    return words;
}

ShellStartPlan planShellStart(const ShellStartRequest& request) {
    const QString& file = request.file;
    if (file.isEmpty())
        return {};

    // At least two scheme characters: a single letter and a colon is a
    // drive of a path written for another system, never an address.
    static const QRegularExpression addressPattern(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:."));
    if (addressPattern.match(file).hasMatch())
        return openPlan(QUrl(file));

    const QDir base(request.directory && !request.directory->isEmpty() ? *request.directory
                                                                       : QDir::currentPath());
    const QStringList parameterWords = splitShellWords(request.parameters.value_or(QString()));

    if (const QString program = findProgram(file, base); !program.isEmpty())
        return startPlan(program, parameterWords, base);

    if (const QFileInfo info(base, file); info.exists())
        return openPlan(QUrl::fromLocalFile(info.absoluteFilePath()));

    // A command line in the file text itself, as an "other" command holds it.
    const QStringList words = splitShellWords(file);
    if (!words.isEmpty()) {
        if (const QString program = findProgram(words.first(), base); !program.isEmpty())
            return startPlan(program, words.mid(1) + parameterWords, base);
    }
    return {};
}

} // namespace runpad
