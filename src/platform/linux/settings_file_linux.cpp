#include "platform/settings_file.h"

#include "core/common/app_error.h"

#include <QFile>
#include <QSaveFile>

namespace runpad {

SettingsFile::SettingsFile(const QString& path) : path_(path) {
    QFile file(path_);
    // A file that cannot be read is treated like a first start: defaults.
    if (file.open(QIODevice::ReadOnly))
        IniDocument::operator=(IniDocument::fromBytes(file.readAll()));
}

void SettingsFile::release() {
    if (!isModified())
        return;
    const QByteArray bytes = toBytes();
    const auto failure = [this] {
        return AppError(QStringLiteral("Unable to write to %1").arg(path_));
    };
    // QSaveFile writes beside the target and renames over it on commit, so
    // the old file is replaced only by a complete new one. Unbuffered, so a
    // short write (full disk, size limit) shows in the count write()
    // returns: a buffered one is flushed by commit(), which does not notice
    // it and would install a truncated file.
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw failure();
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        throw failure();
    }
    if (!file.commit())
        throw failure();
    markSaved();
}

} // namespace runpad
