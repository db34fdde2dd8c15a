#pragma once

#include "core/launch/shell_request.h"

#include <QString>
#include <QStringList>

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
// An unterminated quote runs to the end of the text. When home is given, a
// word that starts with an unquoted "~" followed by "/" or nothing has that
// "~" replaced by home, as a shell does; nothing else is expanded.
QStringList splitShellWords(const QString& text, const QString& home = {});

} // namespace runpad
