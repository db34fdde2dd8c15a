#include "platform/settings_file.h"

#include "core/common/app_error.h"
#include "core/common/regular_file.h"

#include <QFile>
#include <QSaveFile>

namespace runpad {

namespace {
// Far beyond any table a person keeps; a larger file is not read into memory.
constexpr qint64 kMaxSettingsFileBytes = qint64(1) << 30;
} // namespace

SettingsFile::SettingsFile(const QString& path) : path_(path) {
    if (const auto bytes = readRegularFile(path_, kMaxSettingsFileBytes))
        IniDocument::operator=(IniDocument::fromBytes(*bytes));
}

void SettingsFile::save() {
    if (!isModified())
        return;
    const QByteArray bytes = toBytes();
    const auto failure = [this] {
        return AppError(QStringLiteral("Unable to write to %1").arg(path_));
    };
    // QSaveFile writes beside the target and renames over it on commit, so
    // the old file is replaced only by a complete new one. Where the folder
    // forbids new files but the file itself may be written, it writes in
    // place rather than not at all. Unbuffered, so a short write (full disk,
    // size limit) shows in the count write() returns: a buffered one is
    // flushed by commit(), which does not notice it and would install a
    // truncated file.
    QSaveFile file(path_);
    file.setDirectWriteFallback(true);
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
