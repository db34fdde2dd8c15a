#pragma once

#include "platform/downloader.h"

#include <QString>

namespace runpad {

// The transfer itself, run inside the download helper process (fetch_main.cpp)
// so that libcurl and its TLS stack are never loaded by the program.
// Fetches url with an HTTP GET into fileName, replacing an earlier file only
// once the whole file has arrived. True exactly when the whole file was stored.
bool transferIntoFile(const QString& url, const QString& fileName, const DownloadLimits& limits);

} // namespace runpad
