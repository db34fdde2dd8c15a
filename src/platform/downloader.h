#pragma once

#include <QString>
#include <atomic>
#include <chrono>

namespace runpad {

// Bounds that keep a dead or silent server from holding a download for long.
struct DownloadLimits {
    std::chrono::milliseconds connectTimeout{3000};
    // A transfer slower than one byte per second for this long is given up.
    std::chrono::seconds stallTime{10};
};

// HTTP downloads into local files. One object may be used from several
// threads at once.
class Downloader {
public:
    explicit Downloader(DownloadLimits limits = {});

    // Fetches url with an HTTP GET into fileName, replacing an earlier file of
    // that name only once the whole file has arrived: a failed download leaves
    // an older file whole and no partial file behind. True exactly when the
    // whole file was stored; an HTTP error status is a failure.
    bool DownloadFile(const QString& url, const QString& fileName) const;

    // Makes running and later downloads give up at once (used at shutdown).
    void cancelAll() { cancelled_.store(true); }

private:
    DownloadLimits limits_;
    mutable std::atomic<bool> cancelled_{false};
};

} // namespace runpad
