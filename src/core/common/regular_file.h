#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

class QFile;

namespace runpad {

// Every file the user or the table names is opened through here. Only regular
// files are opened, and never in a way that can block: a FIFO would wait for a
// writer for good, and a device could be read forever.

// Opens `path` read-only into `file`. Returns false when the file does not
// exist; throws AppError ("Cannot open file "<path>". <reason>") when it exists
// but cannot be opened or is not a regular file.
bool openRegularFile(const QString& path, QFile& file);

// Reads the whole of a regular file of at most `maxBytes` bytes. Returns
// nothing when the file does not exist; throws AppError when it exists but
// cannot be read whole (permissions, I/O error, not a regular file, too large).
std::optional<QByteArray> readRegularFile(const QString& path, qint64 maxBytes);

} // namespace runpad
