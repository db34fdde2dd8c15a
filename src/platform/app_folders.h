#pragma once

#include "core/startup/program_files.h"

#include <QString>

namespace runpad {

// Where this copy of the program keeps its files. A portable copy, one whose
// folder the user may write to, keeps them beside the executable. An
// installed copy, whose folder is read-only to the user or which has its
// desktop entry in ../share/applications (root may write anywhere, but must
// not fill /usr/bin), keeps them in configHome/Runpad/, created here when
// missing; a folder that cannot be created shows as the error of the first
// save.
ProgramFiles programFiles(const QString& executablePath, const QString& configHome);

// The program file the system started, found without the application object
// (so that files beside it can be read while the toolkit starts); argv0
// serves only where the system does not tell.
QString runningExecutablePath(const QString& argv0);

// $XDG_CONFIG_HOME when it names an absolute path, otherwise ~/.config.
QString userConfigHome();

} // namespace runpad
