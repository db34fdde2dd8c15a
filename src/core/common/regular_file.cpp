#include "core/common/regular_file.h"

#include "core/common/app_error.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace runpad {

namespace {

AppError openError(const QString& path, const QString& reason) {
    return AppError(QStringLiteral("Cannot open file \"%1\". %2").arg(path, reason));
}

QString systemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

bool openRegularFile(const QString& path, QFile& file) {
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        // ENOTDIR: a parent is a file, so nothing can exist at the path.
        if (error == ENOENT || error == ENOTDIR)
            return false;
        throw openError(path, systemReason(error));
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        const int error = errno;
        ::close(fd);
        throw openError(path, systemReason(error));
    }
    if (!S_ISREG(status.st_mode)) {
        ::close(fd);
        throw openError(path, QStringLiteral("Not a regular file"));
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw openError(path, file.errorString());
    }
    return true;
}

std::optional<QByteArray> readRegularFile(const QString& path, qint64 maxBytes) {
    QFile file;
    if (!openRegularFile(path, file))
        return std::nullopt;
    const auto tooLarge = [&] {
        return AppError(QStringLiteral("The file \"%1\" is too large (more than %2 bytes)")
                            .arg(path)
                            .arg(maxBytes));
    };
    const qint64 size = file.size();
    if (size > maxBytes)
        throw tooLarge();
    // The buffer follows the file, not the limit: a read of the limit's size
    // would first ask for that much memory (gigabytes for a picture) at
    // every read. One byte past the size shows a file that grew since; it is
    // read on in pieces up to one byte past the limit, so that it is still
    // refused, not read without end.
    QByteArray data = file.read(size + 1);
    if (data.size() > size) {
        constexpr qint64 kPieceBytes = qint64(1) << 20;
        while (data.size() <= maxBytes && file.error() == QFileDevice::NoError) {
            const QByteArray more = file.read(std::min(kPieceBytes, maxBytes + 1 - data.size()));
            if (more.isEmpty())
                break;
            data.append(more);
        }
    }
    if (file.error() != QFileDevice::NoError)
        throw AppError(QStringLiteral("Cannot read file \"%1\". %2").arg(path, file.errorString()));
    if (data.size() > maxBytes)
        throw tooLarge();
    return data;
}

} // namespace runpad
