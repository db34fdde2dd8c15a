#include "core/launch/command_launch.h"

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

QStringList splitShellWords(const QString& text, const QString& home) {
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
        if (!inWord && ch == u'~' && !home.isEmpty() &&
            (i + 1 == n || text[i + 1] == u'/' || isWordBreak(text[i + 1]))) {
            inWord = true;
            word += home;
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

} // namespace runpad
