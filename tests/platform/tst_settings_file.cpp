#include "platform/settings_file.h"

#include "core/common/app_error.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

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
    void saveFailureNamesThePath_data();
    void saveFailureNamesThePath();
    void interruptedWriteKeepsPreviousFile_data();
    void interruptedWriteKeepsPreviousFile();
    void unreadableFileIsAnErrorNotAFirstStart_data();
    void unreadableFileIsAnErrorNotAFirstStart();
    void saveWritesInPlaceWhereTheFolderForbidsNewFiles();
};

void TestSettingsFile::missingFileReadsEmptyAndIsNotCreated() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Runpad.ini"));

    SettingsFile file(path);
    QCOMPARE(file.path(), path);
    QVERIFY(file.sectionNames().isEmpty());
    QCOMPARE(file.readInteger(QStringLiteral("Table"), QStringLiteral("Rows"), 7), 7);
    file.save();
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
    file.save();
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
    file.save();
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
    file.save();
    QVERIFY(QFile::remove(path));
    file.save();
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
    file.save();
    QCOMPARE(readAll(path), QStringLiteral("[Table]\nName=Café €\nRows=2\n").toUtf8());
}

void TestSettingsFile::saveFailureNamesThePath_data() {
    QTest::addColumn<QString>("relativePath");

    QTest::newRow("parent is a regular file") << "afile/Runpad.ini";
    QTest::newRow("path kept as given, not cleaned") << "afile/./Runpad.ini";
    QTest::newRow("parent folder missing") << "nofolder/Runpad.ini";
}

void TestSettingsFile::saveFailureNamesThePath() {
    QFETCH(QString, relativePath);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(writeAll(dir.filePath(QStringLiteral("afile")), "not a folder"));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("afolder")));
    const QString path = dir.path() + u'/' + relativePath;

    SettingsFile file(path);
    file.writeInteger(QStringLiteral("Table"), QStringLiteral("Rows"), 1);
    try {
        file.save();
        QFAIL("save() did not throw");
    } catch (const AppError& error) {
        QCOMPARE(error.message(), QStringLiteral("Unable to write to ") + path);
    }
    // The changes are still pending, so a later save can try again.
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
            file.save();
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
    file.save();
    const SettingsFile again(path);
    QCOMPARE(again.readString(QStringLiteral("Table"), QStringLiteral("Big")).size(), valueLength);
    QCOMPARE(again.readInteger(QStringLiteral("Table"), QStringLiteral("Rows"), 0), 3);
}

void TestSettingsFile::unreadableFileIsAnErrorNotAFirstStart_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("folder in the file's place") << "folder"
                                                << "Not a regular file";
    QTest::newRow("FIFO, never waited on") << "fifo"
                                           << "Not a regular file";
    QTest::newRow("write-only file (as a user)") << "writeonly"
                                                 << "Permission denied";
}

void TestSettingsFile::unreadableFileIsAnErrorNotAFirstStart() {
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Runpad.ini"));
    const QByteArray table = "[Table]\n2-1=gedit\n";
    if (kind == u"folder") {
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Runpad.ini")));
    } else if (kind == u"fifo") {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else {
        if (::geteuid() == 0)
            QSKIP("permission bits do not stop root from reading");
        QVERIFY(writeAll(path, table));
        QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
    }
    try {
        const SettingsFile file(path);
        QFAIL("an unreadable file was read as empty");
    } catch (const AppError& error) {
        QCOMPARE(error.message(), QStringLiteral("Cannot open file \"%1\". %2").arg(path, reason));
    }
    if (kind == u"writeonly") {
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QCOMPARE(readAll(path), table);
    }
}

void TestSettingsFile::saveWritesInPlaceWhereTheFolderForbidsNewFiles() {
    if (::geteuid() == 0)
        QSKIP("permission bits do not stop root from creating files");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Runpad.ini"));
    QVERIFY(writeAll(path, "[Table]\nRows=3\n"));
    QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    SettingsFile file(path);
    file.writeInteger(QStringLiteral("Table"), QStringLiteral("Rows"), 4);
    file.save();
    QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ExeOwner));
    QCOMPARE(readAll(path), QByteArray("[Table]\nRows=4\n"));
}

QTEST_APPLESS_MAIN(TestSettingsFile)
#include "tst_settings_file.moc"
