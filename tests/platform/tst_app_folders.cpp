#include "platform/app_folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using runpad::ProgramFiles;
using runpad::programFiles;
using runpad::runningExecutablePath;
using runpad::userConfigHome;

namespace {

bool touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly);
}

} // namespace

class TestAppFolders : public QObject {
    Q_OBJECT
private slots:
    void choosesTheFolder_data();
    void choosesTheFolder();
    void configHome_data();
    void configHome();
    void runningExecutable();
};

void TestAppFolders::choosesTheFolder_data() {
    QTest::addColumn<QString>("executable"); // relative to the scratch folder
    QTest::addColumn<bool>("desktopEntry");  // ../share/applications/<id>.desktop exists
    QTest::addColumn<bool>("readOnly");      // the executable's folder is read-only
    QTest::addColumn<QString>("folder");     // expected, "<exe>" or "<config>" prefix
    QTest::addColumn<QString>("settingsName");
    QTest::addColumn<QString>("pictureName");

    QTest::newRow("portable copy") << "portable/Runpad" << false << false << "<exe>/portable/"
                                   << "Runpad.ini"
                                   << "Runpad.png";
    QTest::newRow("portable copy, renamed")
        << "portable/Tool.exe" << false << false << "<exe>/portable/"
        << "Tool.ini"
        << "Tool.png";
    QTest::newRow("installed copy, desktop entry beside")
        << "usr/bin/runpad" << true << false << "<config>/Runpad/"
        << "Runpad.ini"
        << "Runpad.png";
    QTest::newRow("read-only folder") << "ro/bin/runpad" << false << true << "<config>/Runpad/"
                                      << "Runpad.ini"
                                      << "Runpad.png";
}

void TestAppFolders::choosesTheFolder() {
    QFETCH(QString, executable);
    QFETCH(bool, desktopEntry);
    QFETCH(bool, readOnly);
    QFETCH(QString, folder);
    QFETCH(QString, settingsName);
    QFETCH(QString, pictureName);

    QTemporaryDir scratch;
    QVERIFY(scratch.isValid());
    const QString exe = scratch.filePath(executable);
    QVERIFY(touch(exe));
    const QString exeDir = QFileInfo(exe).absolutePath();
    if (desktopEntry)
        QVERIFY(touch(exeDir + "/../share/applications/" RUNPAD_APP_ID ".desktop"));
    if (readOnly) {
        QVERIFY(::chmod(QFile::encodeName(exeDir).constData(), 0555) == 0);
        if (::access(QFile::encodeName(exeDir).constData(), W_OK) == 0) {
            ::chmod(QFile::encodeName(exeDir).constData(), 0755);
            QSKIP("This user may write to a read-only folder (root)");
        }
    }
    const QString configHome = scratch.filePath("config");

    const ProgramFiles files = programFiles(exe, configHome);
    if (readOnly)
        ::chmod(QFile::encodeName(exeDir).constData(), 0755);

    const QString expected =
        QString(folder).replace("<exe>", scratch.path()).replace("<config>", configHome);
    QCOMPARE(files.folder, expected);
    QCOMPARE(files.settingsFile, expected + settingsName);
    QCOMPARE(files.startupPicture, expected + pictureName);
    QVERIFY2(QFileInfo(files.folder).isDir(), "the folder exists");
    // A portable copy leaves the per-user folder alone.
    QCOMPARE(QFileInfo::exists(configHome), expected.startsWith(configHome));
}

void TestAppFolders::configHome_data() {
    QTest::addColumn<QByteArray>("xdgConfigHome"); // empty: unset
    QTest::addColumn<QString>("expected");

    const QString fallback = QDir::homePath() + "/.config";
    QTest::newRow("set") << QByteArray("/tmp/cfg") << QString("/tmp/cfg");
    QTest::newRow("unset") << QByteArray() << fallback;
    QTest::newRow("relative, ignored") << QByteArray("cfg") << fallback;
}

void TestAppFolders::configHome() {
    QFETCH(QByteArray, xdgConfigHome);
    QFETCH(QString, expected);
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    const bool hadIt = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    if (xdgConfigHome.isEmpty())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", xdgConfigHome);
    const QString home = userConfigHome();
    if (hadIt)
        qputenv("XDG_CONFIG_HOME", saved);
    else
        qunsetenv("XDG_CONFIG_HOME");
    QCOMPARE(home, expected);
}

// Found before the application object exists, it is the file that object names.
void TestAppFolders::runningExecutable() {
    const QString found = runningExecutablePath(QStringLiteral("not/the/program"));
    int argc = 1;
    char name[] = "tst_app_folders";
    char* argv[] = {name, nullptr};
    const QCoreApplication app(argc, argv);
    QCOMPARE(found, QCoreApplication::applicationFilePath());
}

QTEST_APPLESS_MAIN(TestAppFolders)
#include "tst_app_folders.moc"
