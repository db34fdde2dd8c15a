// A save killed at any moment leaves the old complete file or the new complete
// one, and nothing a later start would trip over.
#include "core/table/grid_model.h"
#include "core/table/ini_document.h"
#include "core/table/json_table.h"
#include "core/table/json_writer.h"
#include "core/table/table_persistence.h"
#include "platform/settings_file.h"
#include "save_loop_tables.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <limits>
#include <sys/types.h>
#include <thread>

using namespace runpad;

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// The settings file's bytes after saving `grid` over a file that held `before`.
QByteArray settingsAfterSave(const QByteArray& before, const GridModel& grid) {
    IniDocument settings = IniDocument::fromBytes(before);
    saveTable(grid, settings);
    return settings.toBytes();
}

} // namespace

class TestInterruptedSave : public QObject {
    Q_OBJECT
private slots:
    void killedSaveLeavesOneCompleteTable();
};

void TestInterruptedSave::killedSaveLeavesOneCompleteTable() {
    GridModel tables[2];
    test::fillSaveLoopTable(tables[0], false);
    test::fillSaveLoopTable(tables[1], true);
    // What complete saves of each table write, whichever table the file held.
    const QByteArray settingsA = settingsAfterSave(QByteArray(), tables[0]);
    const QByteArray settingsB = settingsAfterSave(settingsA, tables[1]);
    QCOMPARE(settingsAfterSave(settingsB, tables[0]), settingsA);
    QCOMPARE(settingsAfterSave(settingsA, tables[1]), settingsB);
    const QByteArray jsonA = gridToJson(tables[0]);
    const QByteArray jsonB = gridToJson(tables[1]);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString settingsPath = folder.filePath(QStringLiteral("settings.ini"));
    const QString jsonPath = folder.filePath(QString::fromLatin1(kJsonExportName));
    // How long one round of both saves takes here, to spread the kills over it:
    // the fastest of a few rounds, so one slow moment does not stretch the test.
    qint64 roundMicroseconds = std::numeric_limits<qint64>::max();
    for (int round = 0; round < 4; ++round) {
        QElapsedTimer clock;
        clock.start();
        SettingsFile settings(settingsPath);
        saveTable(tables[round % 2], settings);
        settings.save();
        SaveGridToJson(tables[round % 2], jsonPath);
        roundMicroseconds = qMin(roundMicroseconds, clock.nsecsElapsed() / 1000);
    }
    roundMicroseconds = qBound(qint64(1000), roundMicroseconds, qint64(50000));
    writeFile(settingsPath, settingsA);
    writeFile(jsonPath, jsonA);

    const quint32 seed = qEnvironmentVariableIsSet("RUNPAD_SEED")
                             ? quint32(qEnvironmentVariableIntValue("RUNPAD_SEED"))
                             : QRandomGenerator::global()->generate();
    qInfo("seed %u (replay with RUNPAD_SEED=%u), one save round %lld us", seed, seed,
          roundMicroseconds);
    QRandomGenerator random(seed);
    // The sanitizer stage runs a fifth of the kills: each start of the
    // instrumented helper costs several times as much there.
    const int kills = qEnvironmentVariableIsSet("RUNPAD_KILLS")
                          ? qEnvironmentVariableIntValue("RUNPAD_KILLS")
                      : qEnvironmentVariableIsSet("RUNPAD_SANITIZED") ? 200
                                                                      : 1000;
    const QRegularExpression tempName(QStringLiteral(R"(^(settings\.ini|runpad\.json)\.\w{6}$)"));
    int changes[2] = {0, 0};
    QByteArray lastSettings = settingsA;
    QByteArray lastJson = jsonA;
    QSet<QString> leftovers;
    for (int k = 0; k < kills; ++k) {
        QProcess child;
        child.setWorkingDirectory(folder.path());
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QStringLiteral(SAVE_LOOP), {QString::number(random.bounded(2))});
        QVERIFY2(child.waitForReadyRead(10000), "the saving program did not start");
        QCOMPARE(child.readLine().trimmed(), QByteArray("ready"));
        // Anywhere in the first three rounds of saving.
        std::this_thread::sleep_for(
            std::chrono::microseconds(random.bounded(3 * roundMicroseconds)));
        ::kill(pid_t(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished(10000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);

        const QByteArray settings = readAll(settingsPath);
        const QByteArray json = readAll(jsonPath);
        if (settings != settingsA && settings != settingsB)
            QFAIL(qPrintable(QStringLiteral("kill %1: the settings file holds neither table "
                                            "(%2 bytes)")
                                 .arg(k)
                                 .arg(settings.size())));
        if (json != jsonA && json != jsonB)
            QFAIL(qPrintable(QStringLiteral("kill %1: the JSON export holds neither table "
                                            "(%2 bytes)")
                                 .arg(k)
                                 .arg(json.size())));
        changes[0] += settings != lastSettings;
        changes[1] += json != lastJson;
        lastSettings = settings;
        lastJson = json;

        // A temporary file of QSaveFile that a kill left behind keeps its own
        // random name, which no reader takes for the file (checked below).
        const QStringList names = QDir(folder.path()).entryList(QDir::Files | QDir::Hidden);
        for (const QString& name : names) {
            if (name == u"settings.ini" || name == QLatin1StringView(kJsonExportName))
                continue;
            QVERIFY2(tempName.match(name).hasMatch(), qPrintable(name));
            leftovers.insert(name);
        }
    }
    qInfo("%d kills: settings file changed %d times, export %d times; %d temporary files "
          "left behind",
          kills, changes[0], changes[1], int(leftovers.size()));
    // Kills that never let a save finish would prove nothing.
    QVERIFY(changes[0] > 0);
    QVERIFY(changes[1] > 0);

    // A later start reads whichever table is there, temporary files or not;
    // the import finds the export under its other letter case.
    QDir::setCurrent(folder.path());
    SettingsFile settings(settingsPath);
    const QString firstCommand =
        settings.readString(QString::fromLatin1(kTableSection), tableKey(2, 1));
    QVERIFY(firstCommand.endsWith(u"--table=A") || firstCommand.endsWith(u"--table=B"));
    GridModel imported;
    LoadJsonToGrid(imported, QString::fromLatin1(kJsonImportName));
    QVERIFY(imported.rowCount() == tables[0].rowCount() ||
            imported.rowCount() == tables[1].rowCount());
}

QTEST_GUILESS_MAIN(TestInterruptedSave)
#include "tst_interrupted_save.moc"
