#pragma once

#include "core/table/ini_document.h"

#include <QString>

namespace runpad {

// The settings file on disk. It is read once when the object is created and
// written back only by save(), so a load or save of the whole table costs one
// read or one write of the file.
// A missing file reads as empty (a first start). A file that exists but cannot
// be read (permissions, I/O error, a folder or a FIFO in its place) raises
// AppError: taking it for empty would let the next save write over it.
// save() replaces the file atomically where the folder allows a new file, in
// place otherwise: a failed write raises "Unable to write to <path>".
class SettingsFile : public IniDocument {
public:
    explicit SettingsFile(const QString& path);

    const QString& path() const { return path_; }

    // Writes pending changes (nothing when there are none). Throws AppError.
    void save();

private:
    QString path_;
};

} // namespace runpad
