#pragma once

#include "core/table/ini_document.h"

#include <QString>

namespace runpad {

// The settings file on disk. It is read once when the object is created (a
// missing file reads as empty) and written back only by release(), so a load
// or save of the whole table costs one read or one write of the file.
// release() replaces the file atomically: a failed or interrupted write
// leaves the previous file whole, and raises "Unable to write to <path>".
class SettingsFile : public IniDocument {
public:
    explicit SettingsFile(const QString& path);

    const QString& path() const { return path_; }

    // Writes pending changes (nothing when there are none). Throws AppError.
    void release();

private:
    QString path_;
};

} // namespace runpad
