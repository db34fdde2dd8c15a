#pragma once

#include "core/launch/shell_request.h"

#include <QString>
#include <QStringList>
#include <QUrl>

namespace runpad {

// What a start request comes to on a Linux desktop, which has no
// shell-execute call: a process to start, an address for the desktop's
// handler, a desktop entry to launch, or a reason why nothing can start.
struct ShellStartPlan {
    enum class Action { Nothing, StartProgram, OpenUrl, LaunchDesktopEntry, Report };

    Action action = Action::Nothing;
    // StartProgram: absolute path of the executable; LaunchDesktopEntry: the
    // absolute path of the entry file.
    QString program;
    // StartProgram: the program's arguments; LaunchDesktopEntry: the URIs of
    // the files and addresses handed to the application.
    QStringList arguments;
    QString workingDirectory;
    QUrl url;        // OpenUrl
    QString message; // Report: shown to the user instead of a start

    friend bool operator==(const ShellStartPlan&, const ShellStartPlan&) = default;
};

// The settings programs of the common desktops, tried in this order when a
// Control Panel item has no Linux counterpart.
const QStringList& desktopSettingsPrograms();

// Decides what a request comes to; reads the file system, PATH and HOME but
// starts nothing. Verb, show command and owner play no part. Relative names
// resolve against the request's directory, or the current directory when it
// has none; a leading "~" of the file and of each parameter word is the home
// folder. In order:
//  - "control.exe": parameters that begin with an existing absolute path are
//    planned as a file of that text; anything else (".cpl" items, "/name"
//    forms) starts the first desktop settings program found on PATH, or
//    reports that there is none;
//  - an address with a URL scheme of two or more letters ("C:\x" is a drive,
//    not an address) is opened;
//  - an existing file, as given or (for a name without "/") found on PATH:
//    a ".desktop" entry is launched with the parameter words as its URIs; a
//    ".url" shortcut opens its URL (nothing when it has no usable one); a
//    Windows program ("MZ") runs through wine, or is reported when wine is
//    missing; an executable text without "#!" runs with /bin/sh; any other
//    executable runs with the parameter words; anything else, folders
//    included, is opened as a file:// URL;
//  - a ".desktop" name without "/" found among the installed applications is
//    launched;
//  - when the first word of the file text names an executable, entry or
//    shortcut, the whole text is a command line: the rest of its words come
//    before the parameter words;
//  - else nothing.
ShellStartPlan planShellStart(const ShellStartRequest& request);

} // namespace runpad
