#pragma once

#include <QString>

namespace runpad {

// The program's name: it names the per-user folder of an installed copy and
// the files in it, whatever the executable is called.
inline constexpr char kProgramName[] = "Runpad";

// Where the program keeps the files it writes for itself: the settings file,
// the startup picture, and the update index and update download.
struct ProgramFiles {
    QString folder; // with a trailing '/'
    QString settingsFile;
    QString startupPicture;
};

// The files beside the executable, named after it: Tool.ini and Tool.png for
// Tool or Tool.exe.
ProgramFiles filesBesideExecutable(const QString& executablePath);

// The files of an installed copy: Runpad.ini and Runpad.png in
// configHome/Runpad/.
ProgramFiles filesInConfigFolder(const QString& configHome);

} // namespace runpad
