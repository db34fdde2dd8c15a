#pragma once

#include "core/launch/shell_request.h"

#include <QString>
#include <QStringList>
#include <QUrl>

namespace runpad {

// What a table command stands for, judged from its text alone.
enum class CommandKind { Program, ControlPanel, InternetShortcut, Other };

// The first of these that holds decides (all case-sensitive): the text
// contains ".exe"; contains ".cpl" or starts with "/"; contains ".url";
// anything else.
CommandKind classifyCommand(const QString& command);

// The start request for a table command.
// exeFolder: the folder of the running executable, ending with "/".
ShellStartRequest launchRequest(const QString& command, const QString& exeFolder);

// The start request that opens the help page on Control Panel items.
ShellStartRequest controlPanelHelpRequest(const QString& exeFolder);

// The extension of a command text: from its last point, when that point comes
// after the last backslash and the last colon; empty otherwise.
QString commandExtension(const QString& command);

// Splits a command line into words the way a POSIX shell does, without any
// expansion: blanks separate words; '...' keeps everything literally; "..."
// keeps everything but a backslash before " \ $ ` (which yields that
// character); outside quotes a backslash makes the next character literal.
// An unterminated quote runs to the end of the text.
QStringList splitShellWords(const QString& text);

// How a start request is carried out with a process starter and the
// desktop's URL handler alone, as on a desktop without a shell-execute call.
struct ShellStartPlan {
    enum class Action { Nothing, StartProgram, OpenUrl };

    Action action = Action::Nothing;
    QString program; // StartProgram: absolute path of the executable
    QStringList arguments;
    QString workingDirectory;
    QUrl url; // OpenUrl

    friend bool operator==(const ShellStartPlan&, const ShellStartPlan&) = default;
};

// Decides what a request comes to; reads the file system and PATH but starts
// nothing. Verb, show command and owner play no part. Relative names resolve
// against the request's directory, or the current directory when it has none.
// In order:
//  - an address with a URL scheme of two or more letters ("C:\x" is a drive,
//    not an address) is opened;
//  - an executable regular file, as given or (for a name without "/") found
//    on PATH, is started with the parameters split into words;
//  - any other existing file or folder is opened as a file:// URL;
//  - when the first word of the file text names an executable, the whole
//    text is started as a command line, the parameters' words appended;
//  - else nothing.
ShellStartPlan planShellStart(const ShellStartRequest& request);

} // namespace runpad
