#include "platform/downloader.h"
#include "platform/linux/shared_library.h"

#include <QFileInfo>
#include <QSaveFile>
#include <curl/curl.h>
#include <memory>

namespace runpad {

namespace {

struct CurlFunctions {
    SharedLibrary library{"libcurl.so.4"};
    RUNPAD_LIBRARY_FUNCTION(curl_global_init);
    RUNPAD_LIBRARY_FUNCTION(curl_easy_init);
    RUNPAD_LIBRARY_FUNCTION(curl_easy_setopt);
    RUNPAD_LIBRARY_FUNCTION(curl_easy_perform);
    RUNPAD_LIBRARY_FUNCTION(curl_easy_cleanup);
};

// libcurl, opened and set up by the first download; nullptr when it cannot be
// loaded, which fails every download.
const CurlFunctions* loadCurl() {
    // Static initialisation runs once even when two threads get here at once;
    // libcurl's global set-up, which is not thread-safe, runs inside it.
    static const CurlFunctions* const functions = []() -> const CurlFunctions* {
        static const CurlFunctions loaded;
        if (!loaded.library.usable() || loaded.curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK)
            return nullptr;
        return &loaded;
    }();
    return functions;
}

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
    void operator()(CURL* handle) const { loadCurl()->curl_easy_cleanup(handle); }
};

} // namespace

Downloader::Downloader(DownloadLimits limits) : limits_(limits) {}

bool Downloader::DownloadFile(const QString& url, const QString& fileName) const {
    if (cancelled_.load())
        return false;
    const CurlFunctions* const api = loadCurl();
    if (!api)
        return false;
    const std::unique_ptr<CURL, CurlDeleter> curl(api->curl_easy_init());
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
    api->curl_easy_setopt(h, CURLOPT_URL, address.constData());
    api->curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    api->curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    api->curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L);
    api->curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    api->curl_easy_setopt(h, CURLOPT_MAXREDIRS, 5L);
    api->curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    api->curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    api->curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, long(limits_.connectTimeout.count()));
    api->curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    api->curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, long(limits_.stallTime.count()));
    api->curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, writeBody);
    api->curl_easy_setopt(h, CURLOPT_WRITEDATA, &transfer);
    api->curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, progress);
    api->curl_easy_setopt(h, CURLOPT_XFERINFODATA, &transfer);
    api->curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    if (api->curl_easy_perform(h) != CURLE_OK) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace runpad
