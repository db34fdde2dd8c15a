// runpad-fetch URL FILE CONNECT_TIMEOUT_MS STALL_SECONDS
//
// The program's downloads run in this short-lived helper: libcurl and the TLS
// libraries it brings stay out of the long-lived program (several megabytes
// of resident memory for good once loaded), and answers from the network are
// parsed away from the process that holds the user's table. Exit status 0
// exactly when the whole file was stored.

#include "platform/linux/http_transfer.h"

#include <QByteArray>
#include <QFile>
#include <csignal>
#include <cstdio>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

constexpr int kFailed = 1;
constexpr int kUsageError = 2;

bool parseCount(const char* text, long long& value) {
    bool ok = false;
    value = QByteArray(text).toLongLong(&ok);
    return ok && value >= 0;
}

} // namespace

int main(int argc, char** argv) {
    // Dies with the program that started it. An orphan before this call is
    // adopted by init (or a subreaper); its own time limits end it then.
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() == 1)
        return kFailed;
    long long connectMs = 0;
    long long stallSeconds = 0;
    if (argc != 5 || !parseCount(argv[3], connectMs) || !parseCount(argv[4], stallSeconds)) {
        std::fputs("Usage: runpad-fetch URL FILE CONNECT_TIMEOUT_MS STALL_SECONDS\n", stderr);
        return kUsageError;
    }
    const runpad::DownloadLimits limits{std::chrono::milliseconds(connectMs),
                                        std::chrono::seconds(stallSeconds)};
    return runpad::transferIntoFile(QString::fromUtf8(argv[1]), QFile::decodeName(argv[2]), limits)
               ? 0
               : kFailed;
}
