#pragma once

#include <QString>
#include <QStringList>

namespace runpad {

// What the command line asks for. It is read before the window system is
// touched, so --help and --version work without a display.
struct CommandLine {
    enum class Action {
        Run,        // start the window
        ShowText,   // print `text` to standard output and exit 0
        UsageError, // print `text` to standard error and exit kUsageErrorStatus
    };
    static constexpr int kUsageErrorStatus = 2;

    Action action = Action::Run;
    QString text;
    QString settingsFile; // absolute path given by --settings, empty otherwise
};

// arguments as the process got them, program name first. version is the
// version text --version prints after the program's name.
CommandLine parseCommandLine(const QStringList& arguments, const QString& version);

} // namespace runpad
