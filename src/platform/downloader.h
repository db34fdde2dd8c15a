#pragma once

#include <QByteArray>
#include <QString>
#include <chrono>
#include <mutex>
#include <set>
#include <sys/types.h>

namespace runpad {

// Bounds that keep a dead or silent server from holding a download for long.
struct DownloadLimits {
    std::chrono::milliseconds connectTimeout{3000};
    // A transfer slower than one byte per second for this long is given up.
    std::chrono::seconds stallTime{10};
};

// HTTP downloads into local files. Each download runs in a helper process
// (runpad-fetch), so the download and TLS libraries never enter this one.
// One object may be used from several threads at once.
class Downloader {
public:
    // helperPath: the runpad-fetch executable.
    explicit Downloader(QString helperPath, DownloadLimits limits = {});

    // Fetches url with an HTTP GET into fileName, replacing an earlier file of
    // that name only once the whole file has arrived: a failed download leaves
    // an older file whole and no partial file behind. True exactly when the
    // whole file was stored; an HTTP error status is a failure, and so is a
    // helper that cannot be started.
    bool DownloadFile(const QString& url, const QString& fileName) const;

    // Makes running and later downloads give up at once (used at shutdown):
    // running helpers are killed.
    void cancelAll();

private:
    QByteArray helperPath_;
    DownloadLimits limits_;
    mutable std::mutex mutex_;
    // Guarded by mutex_. A pid stays here until its process has ended but
    // before it is reaped, so a kill never reaches a reused pid.
    mutable std::set<pid_t> running_;
    bool cancelled_ = false;
};

} // namespace runpad
