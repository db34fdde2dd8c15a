#include "core/common/app_error.h"
#include "core/common/regular_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace runpad;

class TestRegularFile : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY(dir_.isValid()); }

    void readsRegularFileWhole() {
        const QString path = dir_.filePath(QStringLiteral("plain.txt"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Table]\n1-1=a\n");
        file.close();
        const auto data = readRegularFile(path, 1024);
        QVERIFY(data.has_value());
        QCOMPARE(*data, QByteArray("[Table]\n1-1=a\n"));
    }

    // The memory a read asks for follows the file: a limit far beyond any
    // memory still reads a small file.
    void generousLimitCostsNothing() {
        const QString path = dir_.filePath(QStringLiteral("small.txt"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("small");
        file.close();
        const auto data = readRegularFile(path, qint64(1) << 50);
        QVERIFY(data.has_value());
        QCOMPARE(*data, QByteArray("small"));
    }

    void missingFileIsNoFile_data() {
        QTest::addColumn<QString>("relativePath");
        QTest::newRow("no such file") << "absent.ini";
        QTest::newRow("no such folder") << "nofolder/absent.ini";
        QTest::newRow("parent is a file") << "tst_file/absent.ini";
    }
    void missingFileIsNoFile() {
        QFETCH(QString, relativePath);
        QFile parent(dir_.filePath(QStringLiteral("tst_file")));
        QVERIFY(parent.open(QIODevice::WriteOnly));
        parent.close();
        QVERIFY(!readRegularFile(dir_.filePath(relativePath), 1024).has_value());
    }

    void refusesWhatCannotBeRead_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("folder in the file's place") << "folder"
                                                    << "Not a regular file";
        QTest::newRow("FIFO without a writer, never waited on") << "fifo"
                                                                << "Not a regular file";
        QTest::newRow("larger than the limit") << "large"
                                               << "too large";
    }
    void refusesWhatCannotBeRead() {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        const QString path = dir_.filePath(kind);
        if (kind == u"folder") {
            QVERIFY(QDir(dir_.path()).mkdir(kind));
        } else if (kind == u"fifo") {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(2048, 'x'));
        }
        try {
            readRegularFile(path, 1024);
            QFAIL("no error");
        } catch (const AppError& error) {
            QVERIFY2(error.message().contains(path), qPrintable(error.message()));
            QVERIFY2(error.message().contains(reason), qPrintable(error.message()));
        }
    }

    void unreadableForUserIsAnError() {
        if (::geteuid() == 0)
            QSKIP("permission bits do not stop root from reading");
        const QString path = dir_.filePath(QStringLiteral("Runpad.ini"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Table]\n");
        file.close();
        QVERIFY(file.setPermissions(QFileDevice::WriteOwner));
        QVERIFY_THROWS_EXCEPTION(AppError, readRegularFile(path, 1024));
    }

private:
    QTemporaryDir dir_;
};

QTEST_GUILESS_MAIN(TestRegularFile)
#include "tst_regular_file.moc"
