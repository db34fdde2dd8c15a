#include "platform/app_folders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace runpad {

namespace {

bool isInstalledCopy(const QString& folder) {
    return QFileInfo::exists(folder + QStringLiteral("../share/applications/") +
                             QStringLiteral(RUNPAD_APP_ID ".desktop"));
}

bool isWritableFolder(const QString& folder) {
    return ::access(QFile::encodeName(folder).constData(), W_OK) == 0;
}

} // namespace

ProgramFiles programFiles(const QString& executablePath, const QString& configHome) {
    const ProgramFiles beside = filesBesideExecutable(executablePath);
    if (isWritableFolder(beside.folder) && !isInstalledCopy(beside.folder))
        return beside;
    const ProgramFiles installed = filesInConfigFolder(configHome);
    QDir().mkpath(installed.folder);
    return installed;
}

QString runningExecutablePath(const QString& argv0) {
    const QString running = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    if (!running.isEmpty())
        return running;
    return QFileInfo(argv0).absoluteFilePath();
}

QString userConfigHome() {
    const QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (QDir::isAbsolutePath(configHome))
        return configHome;
    return QDir::homePath() + QStringLiteral("/.config");
}

} // namespace runpad
