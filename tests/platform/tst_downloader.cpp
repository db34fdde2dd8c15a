#include "local_http_server.h"
#include "platform/downloader.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace runpad;
using runpad::testing::LocalHttpServer;
Q_DECLARE_METATYPE(LocalHttpServer::Reply)

namespace {
QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
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
            DownloadLimits{std::chrono::milliseconds(3000), std::chrono::seconds(1)});
        const QString url = QStringLiteral("http://%1/folder/update.bin").arg(server.host());
        QCOMPARE(downloader.DownloadFile(url, target), stored);
        QCOMPARE(readAll(target), stored ? reply.body : QByteArray("older file"));
        QCOMPARE(server.requests(), QList<QByteArray>{"/folder/update.bin"});
    }

    void refusedConnectionFails() {
        const Downloader downloader;
        const QString url =
            QStringLiteral("http://127.0.0.1:%1/x").arg(LocalHttpServer::closedPort());
        QVERIFY(!downloader.DownloadFile(url, target));
        QCOMPARE(readAll(target), QByteArray("older file"));
    }

    void cancelledDownloaderFetchesNothing() {
        LocalHttpServer server;
        server.setDefaultReply({200, "new"});
        Downloader downloader;
        downloader.cancelAll();
        QVERIFY(!downloader.DownloadFile(QStringLiteral("http://%1/x").arg(server.host()), target));
        QVERIFY(server.requests().isEmpty());
    }

    void onlyHttpAddressesAreFetched() {
        const QString source = dir.filePath(QStringLiteral("secret"));
        QFile f(source);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("secret");
        f.close();
        const Downloader downloader;
        QVERIFY(!downloader.DownloadFile(QStringLiteral("file://") + source, target));
        QCOMPARE(readAll(target), QByteArray("older file"));
        QFile::remove(source);
    }

    void missingTargetFolderFails() {
        LocalHttpServer server;
        server.setDefaultReply({200, "new"});
        const Downloader downloader;
        QVERIFY(!downloader.DownloadFile(QStringLiteral("http://%1/x").arg(server.host()),
                                         dir.filePath(QStringLiteral("no/such/folder/file"))));
    }

private:
    QTemporaryDir dir;
    QString target;
};

QTEST_GUILESS_MAIN(TestDownloader)
#include "tst_downloader.moc"
