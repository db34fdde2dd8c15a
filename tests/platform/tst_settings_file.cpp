#include "platform/settings_file.h"

#include "core/common/app_error.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using runpad::AppError;
using runpad::SettingsFile;

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
}

bool writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QStringList entries(const QString& dir) {
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// Caps the size of files this process may write. Root ignores permissions
// but not this limit, so it makes a write fail part way through.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limit = previous_;
        limit.rlim_cur = bytes;
        active_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool active() const { return active_; }

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
    bool active_ = false;
};

} // namespace

class TestSettingsFile : public QObject {
    Q_OBJECT

private slots:
    void missingFileReadsEmptyAndIsNotCreated();
    void unchangedFileIsNotRewritten();
    void writtenValuesReadBackFromDisk();
    void savedStateIsNotWrittenAgain();
    void destructorDoesNotWrite();
    void legacyFileIsRewrittenAsUtf8();
    void releaseFailureNamesThePath_data();
    void releaseFailureNamesThePath();
    void interruptedWriteKeepsPreviousFile_data();
    void interruptedWriteKeepsPreviousFile();
};

void TestSettingsFile::missingFileReadsEmptyAndIsNotCreated() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Runpad.ini"));

    SettingsFile file(path);
    QCOMPARE(file.path(), path);
    QVERIFY(file.sectionNames().isEmpty());
    QCOMPARE(file.readInteger(QStringLiteral("Table"), QStringLiteral("Rows"), 7), 7);
    file.release();
    QVERIFY(!QFile::exists(path));
}

void TestSettingsFile::unchangedFileIsNotRewritten() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Runpad.ini"));
    // CRLF and a BOM would both be normalised by a rewrite.
    const QByteArray original = "\xEF\xBB\xBF[Table]\r\nRows=3\r\n";
    QVERIFY(writeAll(path, original));

    SettingsFile file(path);
    QCOMPARE(file.readInteger(QStringLiteral("table"), QStringLiteral("rows"), 0), 3);
    file.release();
    QCOMPARE(readAll(path), original);
}

void TestSettingsFile::writtenValuesReadBackFromDisk() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Runpad.ini"));
    QVERIFY(writeAll(path, "; kept\n[Table]\nRows=3\n[Other]\nx=1\n"));

    SettingsFile file(path);
    file.writeInteger(QStringLiteral("Table"), QStringLiteral("Rows"), 12);
    file.writeString(QStringLiteral("Table"), QStringLiteral("Title "), QStringLiteral(" a=b "));
    file.release();
    QVERIFY(!file.isModified());

    // A new key is written as its writer spelled it, blanks included.
    QCOMPARE(readAll(path), QByteArray("; kept\n[Table]\nRows=12\nTitle = a=b \n[Other]\nx=1\n"));
    // The replacement happens by rename: nothing else is left in the folder.
    QCOMPARE(entries(dir.path()), QStringList({"Runpad.ini"}));

    const SettingsFile again(path);
    QCOMPARE(again.readInteger(QStringLiteral("Table"), QStringLiteral("Rows"), 0), 12);
    QCOMPARE(again.readString(QStringLiteral("Table"), QStringLiteral("title")),
             QStringLiteral(" a=b "));
    QVERIFY(!again.isModified());
}

void TestSettingsFile::savedStateIsNotWrittenAgain() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Runpad.ini"));

    SettingsFile file(path);
    file.writeInteger(QStringLiteral("Table"), QStringLiteral("Rows"), 1);
    file.release();
    QVERIFY(QFile::remove(path));
    file.release();
    QVERIFY(!QFile::exists(path));
}

void TestSettingsFile::destructorDoesNotWrite() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Runpad.ini"));
    {
        SettingsFile file(path);
        file.writeInteger(QStringLiteral("Table"), QStringLiteral("Rows"), 1);
    }
    QVERIFY(!QFile::exists(path));
}

void TestSettingsFile::legacyFileIsRewrittenAsUtf8() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Runpad.ini"));
    QVERIFY(writeAll(path, "[Table]\r\nName=Caf\xE9 \x80\r\n"));

    SettingsFile file(path);
    QCOMPARE(file.readString(QStringLiteral("Table"), QStringLiteral("Name")),
             QStringLiteral("Café €"));
    file.writeInteger(QStringLiteral("Table"), QStringLiteral("Rows"), 2);
    file.release();
    QCOMPARE(readAll(path), QStringLiteral("[Table]\nName=Café €\nRows=2\n").toUtf8());
}

void TestSettingsFile::releaseFailureNamesThePath_data() {
    QTest::addColumn<QString>("relativePath");

    QTest::newRow("parent is a regular file") << "afile/Runpad.ini";
    QTest::newRow("path kept as given, not cleaned") << "afile/./Runpad.ini";
    QTest::newRow("parent folder missing") << "nofolder/Runpad.ini";
    QTest::newRow("target is a folder") << "afolder";
}

void TestSettingsFile::releaseFailureNamesThePath() {
    QFETCH(QString, relativePath);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(writeAll(dir.filePath(QStringLiteral("afile")), "not a folder"));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("afolder")));
    const QString path = dir.path() + u'/' + relativePath;

    SettingsFile file(path);
    file.writeInteger(QStringLiteral("Table"), QStringLiteral("Rows"), 1);
    try {
        file.release();
        QFAIL("release() did not throw");
    } catch (const AppError& error) {
        QCOMPARE(error.message(), QStringLiteral("Unable to write to ") + path);
    }
    // The changes are still pending, so a later release can try again.
    QVERIFY(file.isModified());
    QCOMPARE(entries(dir.path()), QStringList({"afile", "afolder"}));
    QCOMPARE(readAll(dir.filePath(QStringLiteral("afile"))), QByteArray("not a folder"));
}

void TestSettingsFile::interruptedWriteKeepsPreviousFile_data() {
    QTest::addColumn<int>("valueLength");
    QTest::addColumn<int>("sizeLimit");

    QTest::newRow("large file cut short") << (1 << 20) << 64 * 1024;
    // Small enough to sit in a file buffer until commit() would flush it.
    QTest::newRow("small file cut short") << 10000 << 4096;
}

void TestSettingsFile::interruptedWriteKeepsPreviousFile() {
    QFETCH(int, valueLength);
    QFETCH(int, sizeLimit);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Runpad.ini"));
    const QByteArray original = "[Table]\nRows=3\n";
    QVERIFY(writeAll(path, original));

    SettingsFile file(path);
    file.writeString(QStringLiteral("Table"), QStringLiteral("Big"),
                     QString(valueLength, QLatin1Char('x')));
    bool threw = false;
    QString message;
    {
        const FileSizeLimit limit{rlim_t(sizeLimit)};
        if (!limit.active())
            QSKIP("The file size limit cannot be lowered here");
        try {
            file.release();
        } catch (const AppError& error) {
            threw = true;
            message = error.message();
        }
    }
    QVERIFY(threw);
    QCOMPARE(message, QStringLiteral("Unable to write to ") + path);
    QCOMPARE(readAll(path), original);
    QCOMPARE(entries(dir.path()), QStringList({"Runpad.ini"}));

    // Once writing works again the pending changes still go out.
    file.release();
    const SettingsFile again(path);
    QCOMPARE(again.readString(QStringLiteral("Table"), QStringLiteral("Big")).size(), valueLength);
    QCOMPARE(again.readInteger(QStringLiteral("Table"), QStringLiteral("Rows"), 0), 3);
}

QTEST_APPLESS_MAIN(TestSettingsFile)
#include "tst_settings_file.moc"
