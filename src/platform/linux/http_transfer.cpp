#include "platform/linux/http_transfer.h"

#include <QFileInfo>
#include <QSaveFile>
#include <curl/curl.h>
#include <memory>

namespace runpad {

namespace {

size_t writeBody(char* data, size_t size, size_t count, void* user) {
    auto* file = static_cast<QSaveFile*>(user);
    const qint64 bytes = qint64(size * count);
    // A short count makes libcurl end the transfer with a write error.
    return file->write(data, bytes) == bytes ? size * count : 0;
}

struct CurlDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

} // namespace

bool transferIntoFile(const QString& url, const QString& fileName, const DownloadLimits& limits) {
    // One transfer per process: the global set-up runs once, on one thread.
    if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK)
        return false;
    const std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl)
        return false;
    // The file is written beside the target and renamed over it only when
    // the transfer is complete. Qt keeps it unnamed until then where the
    // file system allows, so a killed transfer leaves nothing behind.
    QSaveFile file(QFileInfo(fileName).absoluteFilePath());
    if (!file.open(QIODevice::WriteOnly))
        return false;
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
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, long(limits.connectTimeout.count()));
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, long(limits.stallTime.count()));
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, writeBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &file);
    if (curl_easy_perform(h) != CURLE_OK) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace runpad
