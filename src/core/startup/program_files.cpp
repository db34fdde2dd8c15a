#include "core/startup/program_files.h"

#include <QDir>
#include <QFileInfo>

namespace runpad {

namespace {

ProgramFiles filesIn(const QString& folder, const QString& baseName) {
    const QString base = folder + baseName;
    return {folder, base + QStringLiteral(".ini"), base + QStringLiteral(".png")};
}

} // namespace

ProgramFiles filesBesideExecutable(const QString& executablePath) {
    const QFileInfo info(executablePath);
    return filesIn(info.absolutePath() + u'/', info.completeBaseName());
}

ProgramFiles filesInConfigFolder(const QString& configHome) {
    const QString name = QString::fromLatin1(kProgramName);
    return filesIn(QDir::cleanPath(configHome + u'/' + name) + u'/', name);
}

} // namespace runpad
