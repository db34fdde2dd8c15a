#include "local_http_server.h"
#include "platform/downloader.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <thread>
#include <unistd.h>

using namespace runpad;
using runpad::testing::LocalHttpServer;
Q_DECLARE_METATYPE(LocalHttpServer::Reply)

namespace {
const QString kHelper = QStringLiteral(RUNPAD_FETCH);

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// The pids of this process's children that run the given program.
QList<pid_t> childrenRunning(const QByteArray& programName) {
    QList<pid_t> found;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        bool numeric = false;
        const pid_t pid = entry.toInt(&numeric);
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!numeric || !stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (comm) state ppid ...": the name may hold spaces, so split at
        // the last parenthesis.
        const QByteArray line = stat.readAll();
        const qsizetype open = line.indexOf('(');
        const qsizetype close = line.lastIndexOf(')');
        if (open < 0 || close < open)
            continue;
        const QList<QByteArray> rest = line.mid(close + 2).split(' ');
        if (line.mid(open + 1, close - open - 1) == programName && rest.size() > 1 &&
            rest[1].toInt() == ::getpid())
            found.append(pid);
    }
    return found;
}

bool processExists(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno != ESRCH;
}
} // namespace

class TestDownloader : public QObject {
    Q_OBJECT
private slots:
    void init() {
        QVERIFY(dir.isValid());
        target = dir.filePath(QStringLiteral("update.bin"));
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("older file");
    }
    void cleanup() {
        // Nothing but the target may be left in the folder: no partial file.
        const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(left, QStringList{QStringLiteral("update.bin")});
        QDir(dir.path()).removeRecursively();
        QDir().mkpath(dir.path());
    }

    void download_data() {
        QTest::addColumn<LocalHttpServer::Reply>("reply");
        QTest::addColumn<bool>("stored");

        const QByteArray body(70000, 'x'); // several chunks
        QTest::newRow("whole file stored") << LocalHttpServer::Reply{200, body} << true;
        QTest::newRow("empty file stored") << LocalHttpServer::Reply{200, {}} << true;
        QTest::newRow("404 keeps the older file") << LocalHttpServer::Reply{404, "gone"} << false;
        QTest::newRow("500 keeps the older file") << LocalHttpServer::Reply{500, "fail"} << false;
        QTest::newRow("connection closed before the end keeps the older file")
            << LocalHttpServer::Reply{200, "short", false, 1000} << false;
        QTest::newRow("silent server gives up and keeps the older file")
            << LocalHttpServer::Reply{200, {}, true} << false;
    }
    void download() {
        QFETCH(LocalHttpServer::Reply, reply);
        QFETCH(bool, stored);
        LocalHttpServer server;
        server.setReply("/folder/update.bin", reply);
        const Downloader downloader(
            kHelper, DownloadLimits{std::chrono::milliseconds(3000), std::chrono::seconds(1)});
        const QString url = QStringLiteral("http://%1/folder/update.bin").arg(server.host());
        QCOMPARE(downloader.DownloadFile(url, target), stored);
        QCOMPARE(readAll(target), stored ? reply.body : QByteArray("older file"));
        QCOMPARE(server.requests(), QList<QByteArray>{"/folder/update.bin"});
    }

    void refusedConnectionFails() {
        const Downloader downloader(kHelper);
        const QString url =
            QStringLiteral("http://127.0.0.1:%1/x").arg(LocalHttpServer::closedPort());
        QVERIFY(!downloader.DownloadFile(url, target));
        QCOMPARE(readAll(target), QByteArray("older file"));
    }

    void cancelledDownloaderFetchesNothing() {
        LocalHttpServer server;
        server.setDefaultReply({200, "new"});
        Downloader downloader(kHelper);
        downloader.cancelAll();
        QVERIFY(!downloader.DownloadFile(QStringLiteral("http://%1/x").arg(server.host()), target));
        QVERIFY(server.requests().isEmpty());
    }

    void missingHelperFails() {
        LocalHttpServer server;
        server.setDefaultReply({200, "new"});
        const Downloader downloader(dir.filePath(QStringLiteral("no-such-helper")));
        QVERIFY(!downloader.DownloadFile(QStringLiteral("http://%1/x").arg(server.host()), target));
        QCOMPARE(readAll(target), QByteArray("older file"));
        QVERIFY(server.requests().isEmpty());
    }

    // A server that never answers would hold the download for the whole
    // stall limit; cancelAll ends it at once and leaves no helper behind.
    void cancelAllEndsARunningDownload() {
        LocalHttpServer server;
        server.setDefaultReply({200, {}, true});
        Downloader downloader(
            kHelper, DownloadLimits{std::chrono::milliseconds(3000), std::chrono::seconds(20)});
        std::atomic<bool> finished{false};
        bool stored = true;
        // Joined on every path: a failed check below still waits for the
        // stall limit rather than ending the test program.
        std::jthread download([&] {
            stored =
                downloader.DownloadFile(QStringLiteral("http://%1/x").arg(server.host()), target);
            finished = true;
        });
        QTRY_COMPARE(server.requests().size(), 1);
        const QList<pid_t> helpers = childrenRunning("runpad-fetch");
        QCOMPARE(helpers.size(), 1);
        downloader.cancelAll();
        // Well within the stall limit, which would end it otherwise.
        QTRY_VERIFY_WITH_TIMEOUT(finished.load(), 10000);
        download.join();
        QVERIFY(!stored);
        QVERIFY(!processExists(helpers.first()));
        QCOMPARE(readAll(target), QByteArray("older file"));
        // Later downloads give up too.
        QVERIFY(!downloader.DownloadFile(QStringLiteral("http://%1/x").arg(server.host()), target));
        QCOMPARE(server.requests().size(), 1);
    }

    void onlyHttpAddressesAreFetched() {
        const QString source = dir.filePath(QStringLiteral("secret"));
        QFile f(source);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("secret");
        f.close();
        const Downloader downloader(kHelper);
        QVERIFY(!downloader.DownloadFile(QStringLiteral("file://") + source, target));
        QCOMPARE(readAll(target), QByteArray("older file"));
        QFile::remove(source);
    }

    void missingTargetFolderFails() {
        LocalHttpServer server;
        server.setDefaultReply({200, "new"});
        const Downloader downloader(kHelper);
        QVERIFY(!downloader.DownloadFile(QStringLiteral("http://%1/x").arg(server.host()),
                                         dir.filePath(QStringLiteral("no/such/folder/file"))));
    }

private:
    QTemporaryDir dir;
    QString target;
};

QTEST_GUILESS_MAIN(TestDownloader)
#include "tst_downloader.moc"
