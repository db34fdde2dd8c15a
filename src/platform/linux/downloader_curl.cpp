#include "platform/downloader.h"

#include <QFileInfo>
#include <QSaveFile>
#include <curl/curl.h>
#include <memory>
#include <mutex>

namespace runpad {

namespace {

struct Transfer {
    QSaveFile* file;
    const std::atomic<bool>* cancelled;
};

size_t writeBody(char* data, size_t size, size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const qint64 bytes = qint64(size * count);
    // A short count makes libcurl end the transfer with a write error.
    return transfer->file->write(data, bytes) == bytes ? size * count : 0;
}

int progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<Transfer*>(user)->cancelled->load() ? 1 : 0;
}

struct CurlDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

} // namespace

Downloader::Downloader(DownloadLimits limits) : limits_(limits) {
    // Global set-up is not thread-safe: it happens once, before any transfer.
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool Downloader::DownloadFile(const QString& url, const QString& fileName) const {
    if (cancelled_.load())
        return false;
    const std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl)
        return false;
    // The file is written beside the target and renamed over it only when
    // the transfer is complete.
    QSaveFile file(QFileInfo(fileName).absoluteFilePath());
    if (!file.open(QIODevice::WriteOnly))
        return false;
    Transfer transfer{&file, &cancelled_};
    const QByteArray address = url.toUtf8();
    CURL* h = curl.get();
    curl_easy_setopt(h, CURLOPT_URL, address.constData());
    curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, long(limits_.connectTimeout.count()));
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, long(limits_.stallTime.count()));
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, writeBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, progress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    if (curl_easy_perform(h) != CURLE_OK) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace runpad
