#include "platform/downloader.h"

#include <QFile>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace runpad {

namespace {

// posix_spawn's attributes and file actions, released on every path.
class SpawnSetup {
public:
    SpawnSetup() {
        ::posix_spawnattr_init(&attributes);
        ::posix_spawn_file_actions_init(&actions);
        // The helper starts with no blocked signals and default handlers,
        // whatever this program has set up for itself.
        sigset_t none;
        sigemptyset(&none);
        sigset_t all;
        sigfillset(&all);
        ::posix_spawnattr_setsigmask(&attributes, &none);
        ::posix_spawnattr_setsigdefault(&attributes, &all);
        ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        // No input, and none of this program's other descriptors.
        ::posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        ::posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    }
    ~SpawnSetup() {
        ::posix_spawn_file_actions_destroy(&actions);
        ::posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    posix_spawnattr_t attributes;
    posix_spawn_file_actions_t actions;
};

} // namespace

Downloader::Downloader(QString helperPath, DownloadLimits limits)
    : helperPath_(QFile::encodeName(helperPath)), limits_(limits) {}

bool Downloader::DownloadFile(const QString& url, const QString& fileName) const {
    QByteArray address = url.toUtf8();
    QByteArray file = QFile::encodeName(fileName);
    QByteArray connectMs = QByteArray::number(qint64(limits_.connectTimeout.count()));
    QByteArray stallSeconds = QByteArray::number(qint64(limits_.stallTime.count()));
    QByteArray helper = helperPath_;
    char* const argv[] = {helper.data(),    address.data(),      file.data(),
                          connectMs.data(), stallSeconds.data(), nullptr};
    const SpawnSetup setup;
    pid_t pid = 0;
    {
        // Spawned under the lock, so cancelAll either comes first (nothing is
        // started) or finds the pid.
        const std::lock_guard lock(mutex_);
        if (cancelled_ || ::posix_spawn(&pid, helper.constData(), &setup.actions, &setup.attributes,
                                        argv, environ) != 0)
            return false;
        running_.insert(pid);
    }
    // Waits for the end without reaping: until the pid leaves running_ under
    // the lock, no other process can have it, so cancelAll cannot kill a
    // stranger. (The helper's parent-death signal follows this thread, which
    // stays here until the helper has ended.)
    siginfo_t info{};
    int waited;
    do {
        waited = ::waitid(P_PID, id_t(pid), &info, WEXITED | WNOWAIT);
    } while (waited != 0 && errno == EINTR);
    {
        const std::lock_guard lock(mutex_);
        running_.erase(pid);
    }
    int status = 0;
    pid_t reaped;
    do {
        reaped = ::waitpid(pid, &status, 0);
    } while (reaped < 0 && errno == EINTR);
    return waited == 0 && reaped == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void Downloader::cancelAll() {
    const std::lock_guard lock(mutex_);
    cancelled_ = true;
    for (const pid_t pid : running_)
        ::kill(pid, SIGKILL);
}

} // namespace runpad
