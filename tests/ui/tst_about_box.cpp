#include "../platform/local_http_server.h"
#include "core/about/update_session.h"
#include "core/about/version_text.h"
#include "form_fixture.h"
#include "platform/downloader.h"
#include "ui/about_box.h"

#include <QLabel>
#include <QToolButton>

using namespace runpad;
using namespace runpad::testing;
Q_DECLARE_METATYPE(LocalHttpServer::Reply)

namespace {
const QByteArray kIndexPath = "/NAS_file_Share/Runpad/index.json";

QByteArray indexJson(const QString& fileName, const QString& version,
                     const QString& website = QStringLiteral("https://example.org/runpad")) {
    return QStringLiteral("{\"file_name\":\"%1\",\"version\":\"%2\",\"website\":\"%3\"}")
        .arg(fileName, version, website)
        .toUtf8();
}

QString crlfAsLf(QString text) {
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

// Everything an About dialog needs, around a copy of the program in a
// temporary folder (so the index and updates land there).
struct AboutFixture {
    explicit AboutFixture(const QString& host, const QString& exeName = QStringLiteral("Runpad"))
        : session(host, [this](const QString& url, const QString& file) {
              return downloader.DownloadFile(url, file);
          }) {
        exePath = dir.filePath(exeName);
        QFile::copy(QStringLiteral(RUNPAD_EXECUTABLE), exePath);
        QFile exe(exePath);
        exe.open(QIODevice::ReadWrite);
        exe.setFileTime(QDateTime(QDate(2024, 8, 1), QTime(12, 0)),
                        QFileDevice::FileModificationTime);
    }
    AboutDependencies deps() { return {exePath, session, shell, prompts, errors}; }
    std::unique_ptr<TAboutBox>
    makeBox(TAboutBox::CheckMode mode = TAboutBox::CheckMode::Synchronous) {
        return std::make_unique<TAboutBox>(deps(), mode);
    }

    QTemporaryDir dir;
    QString exePath;
    // A silent server is given up after one second.
    Downloader downloader{QStringLiteral(RUNPAD_FETCH),
                          DownloadLimits{std::chrono::milliseconds(3000), std::chrono::seconds(1)}};
    UpdateSession session;
    RecordingShell shell;
    RecordingPrompts prompts;
    ErrorReporter errors{prompts};
};

const QString kLocalVersion = QStringLiteral("%1.%2.%3.00")
                                  .arg(RUNPAD_VERSION_MAJOR, 2, 10, QLatin1Char('0'))
                                  .arg(RUNPAD_VERSION_MINOR, 2, 10, QLatin1Char('0'))
                                  .arg(RUNPAD_VERSION_PATCH, 2, 10, QLatin1Char('0'));
} // namespace

class TestAboutBox : public QObject {
    Q_OBJECT
private slots:
    void setupShowsNameIconVersionAndDate() {
        LocalHttpServer server;
        AboutFixture f(server.host());
        const auto box = f.makeBox();
        QCOMPARE(box->windowTitle(), QStringLiteral("About Runpad"));
        QCOMPARE(box->Label_application_short_name->text(), QStringLiteral("Runpad"));
        QCOMPARE(box->Label_application_short_name->toolTip(), f.exePath);
        const QString sep = dateSeparator(QLocale());
        QCOMPARE(box->label_version_UpdateDate->text(),
                 QStringLiteral("Ver: ") + kLocalVersion + QStringLiteral(", Released on 2024") +
                     sep + QStringLiteral("08") + sep + QStringLiteral("01"));
        QCOMPARE(box->Image1->pixmap().size(), QSize(128, 128));
        QCOMPARE(box->Image1->size(), QSize(128, 128));
        QCOMPARE(box->size(), QSize(666, 165));
        QVERIFY(box->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(!(box->windowFlags() & Qt::WindowMinMaxButtonsHint));
        QCOMPARE(f.session.variables().AppShortName, QStringLiteral("Runpad"));
        QCOMPARE(f.session.variables().LocalVersion, kLocalVersion);
        QCOMPARE(f.session.variables().IndexFilePath, f.dir.filePath(QStringLiteral("index.json")));
        QCOMPARE(f.session.variables().OnlineFileName, QStringLiteral("Runpad"));
        QCOMPARE(f.session.variables().UpdateBaseUrl,
                 QStringLiteral("http://%1/NAS_file_Share/Runpad/").arg(server.host()));
        QVERIFY(f.prompts.errors.isEmpty());
    }

    void renamedExecutableAsksItsOwnFolder() {
        LocalHttpServer server;
        AboutFixture f(server.host(), QStringLiteral("Tool.exe"));
        const auto box = f.makeBox();
        QCOMPARE(box->windowTitle(), QStringLiteral("About Tool"));
        QCOMPARE(box->Label_application_short_name->text(), QStringLiteral("Tool"));
        QCOMPARE(server.requests().size(), 1);
        QVERIFY(server.requests().at(0).startsWith("/NAS_file_Share/Tool/index.json?cb="));
    }

    void checkCaptions_data() {
        QTest::addColumn<LocalHttpServer::Reply>("reply");
        QTest::addColumn<QString>("downloadCaption");
        QTest::addColumn<QString>("downloadHint");
        QTest::addColumn<QString>("webCaption");
        const QString site = QStringLiteral("https://example.org/runpad");
        const QString newer = QStringLiteral("99.00.00.00");
        const QString older = QStringLiteral("00.00.00.01");
        QTest::newRow("server offers a newer version")
            << LocalHttpServer::Reply{200, indexJson("Runpad", newer)}
            << crlfAsLf("Newer " + onlineVersionText(newer)) << newer << site;
        QTest::newRow("server offers the same version")
            << LocalHttpServer::Reply{200, indexJson("Runpad", kLocalVersion)}
            << QStringLiteral("version up-to-date (%1)").arg(kLocalVersion) << kLocalVersion
            << site;
        QTest::newRow("server offers an older version")
            << LocalHttpServer::Reply{200, indexJson("Runpad", older)}
            << crlfAsLf("Older " + onlineVersionText(older)) << older << site;
        QTest::newRow("no index on the server")
            << LocalHttpServer::Reply{404, "no"} << kUpdateNotAvailableText << QString()
            << QStringLiteral("More Online information ");
        QTest::newRow("silent server")
            << LocalHttpServer::Reply{200, {}, true} << kUpdateNotAvailableText << QString()
            << QStringLiteral("More Online information ");
    }
    void checkCaptions() {
        QFETCH(LocalHttpServer::Reply, reply);
        QFETCH(QString, downloadCaption);
        QFETCH(QString, downloadHint);
        QFETCH(QString, webCaption);
        LocalHttpServer server;
        server.setReply(kIndexPath, reply);
        AboutFixture f(server.host());
        const auto box = f.makeBox();
        QCOMPARE(box->SpeedButton_download->text(), downloadCaption);
        QCOMPARE(box->SpeedButton_download->toolTip(), downloadHint);
        QCOMPARE(box->SpeedButton_web->text(), webCaption);
        QVERIFY(f.prompts.errors.isEmpty());
        // The index was asked for with a cache-busting value.
        QCOMPARE(server.requests().size(), 1);
        QVERIFY(server.requests().at(0).startsWith(kIndexPath + "?cb="));
    }

    void refusingHostLeavesCaptions() {
        AboutFixture f(QStringLiteral("127.0.0.1:%1").arg(LocalHttpServer::closedPort()));
        const auto box = f.makeBox();
        QCOMPARE(box->SpeedButton_download->text(), kUpdateNotAvailableText);
        QCOMPARE(box->SpeedButton_web->text(), QStringLiteral("More Online information "));
        QCOMPARE(f.session.variables().OnlineVersionText, kUpdateNotAvailableText);
    }

    void brokenIndexIsReportedAndLeavesTheButtons() {
        LocalHttpServer server;
        server.setReply(kIndexPath, {200, "{\"file_name\":\"new.bin\",\"version\":\"2\"}"});
        AboutFixture f(server.host());
        const auto box = f.makeBox();
        QCOMPARE(f.prompts.errors.size(), 1);
        QCOMPARE(box->SpeedButton_download->text(), QStringLiteral("Check for Update"));
        QCOMPARE(box->SpeedButton_web->text(), QStringLiteral("More Online information "));
        QCOMPARE(f.session.variables().OnlineFileName, QStringLiteral("new.bin"));
        QCOMPARE(f.session.variables().OnlineVersion, QStringLiteral("2"));
    }

    void failedCheckKeepsTheEarlierSuccess() {
        LocalHttpServer server;
        server.setReply(kIndexPath, {200, indexJson("new.bin", "99.00.00.00")});
        AboutFixture f(server.host());
        const auto first = f.makeBox();
        server.setReply(kIndexPath, {404, "gone"});
        const auto second = f.makeBox();
        QCOMPARE(second->SpeedButton_download->text(), kUpdateNotAvailableText);
        QCOMPARE(second->SpeedButton_web->text(), QStringLiteral("More Online information "));
        // The first dialog keeps what its own check found.
        QCOMPARE(first->SpeedButton_web->text(), QStringLiteral("https://example.org/runpad"));

        second->SpeedButton_webClick();
        QCOMPARE(f.shell.requests.size(), 1);
        QCOMPARE(f.shell.requests[0].file, QStringLiteral("https://example.org/runpad"));

        f.prompts.answer = false;
        second->Action_check_for_updateExecute();
        QCOMPARE(f.prompts.questions,
                 QStringList{
                     QStringLiteral("File: Runpad\r\nVersion: 99.00.00.00\r\ndownload online?")});
    }

    void webButtonWithoutWebsiteOpensTheDefaultPage() {
        AboutFixture f(QStringLiteral("127.0.0.1:%1").arg(LocalHttpServer::closedPort()));
        const auto box = f.makeBox();
        box->SpeedButton_webClick();
        const ShellStartRequest expected{ShellOwner::AboutDialog,
                                         QStringLiteral("open"),
                                         kDefaultInformationPage,
                                         QString(),
                                         QString(),
                                         SW_SHOWNORMAL};
        QCOMPARE(f.shell.requests, QList<ShellStartRequest>{expected});
    }

    void updateAction_data() {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<LocalHttpServer::Reply>("fileReply");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("opened");
        QTest::addColumn<bool>("downloadAsked");
        const LocalHttpServer::Reply found{200, "new program"};
        const LocalHttpServer::Reply missing{404, "missing"};
        QTest::newRow("downloaded and opened")
            << "Runpad_new.bin" << true << found << "" << true << true;
        QTest::newRow("answer no") << "Runpad_new.bin" << false << found << "" << false << false;
        QTest::newRow("file missing on the server")
            << "Runpad_new.bin" << true << missing << "Error while downloading Runpad_new.bin"
            << false << true;
        QTest::newRow("silent server")
            << "Runpad_new.bin" << true << LocalHttpServer::Reply{200, {}, true}
            << "Error while downloading Runpad_new.bin" << false << true;
        QTest::newRow("name climbing out of the folder")
            << "../evil.bin" << true << found << "Invalid update file name: ../evil.bin" << false
            << false;
        QTest::newRow("absolute name")
            << "/tmp/evil.bin" << true << found << "Invalid update file name: /tmp/evil.bin"
            << false << false;
        QTest::newRow("parent folder itself")
            << ".." << true << found << "Invalid update file name: .." << false << false;
        QTest::newRow("blank name") << "   " << true << found << "" << false << false;
        QTest::newRow("empty name") << "" << true << found << "" << false << false;
    }
    void updateAction() {
        QFETCH(QString, fileName);
        QFETCH(bool, answer);
        QFETCH(LocalHttpServer::Reply, fileReply);
        QFETCH(QString, message);
        QFETCH(bool, opened);
        QFETCH(bool, downloadAsked);
        LocalHttpServer server;
        server.setReply(kIndexPath, {200, indexJson(fileName, "99.00.00.00")});
        server.setDefaultReply(fileReply);
        AboutFixture f(server.host());
        const auto box = f.makeBox();
        f.prompts.answer = answer;
        box->Action_check_for_updateExecute();

        QCOMPARE(f.prompts.questions,
                 QStringList{QStringLiteral("File: %1\r\nVersion: 99.00.00.00\r\ndownload online?")
                                 .arg(fileName)});
        QCOMPARE(f.prompts.messages, message.isEmpty() ? QStringList() : QStringList{message});
        const QString target = f.dir.path() + QLatin1Char('/') + fileName;
        if (opened) {
            const ShellStartRequest expected{ShellOwner::AboutDialog,
                                             QStringLiteral("open"),
                                             target,
                                             QString(),
                                             QString(),
                                             SW_SHOWNORMAL};
            QCOMPARE(f.shell.requests, QList<ShellStartRequest>{expected});
            QCOMPARE(readFile(target), fileReply.body);
            QCOMPARE(server.requests().last(), "/NAS_file_Share/Runpad/" + fileName.toUtf8());
        } else {
            QVERIFY(f.shell.requests.isEmpty());
            QVERIFY(!QFileInfo(target).isFile() || fileName.isEmpty());
        }
        // Only the index was fetched unless the download was due.
        QCOMPARE(server.requests().size(), downloadAsked ? 2 : 1);
        QVERIFY(!QFileInfo::exists(QFileInfo(f.dir.path()).dir().filePath("evil.bin")));
    }

    // An installed copy cannot write beside its executable: the index and
    // the update go to the folder it keeps its files in.
    void filesFolderTakesIndexAndUpdate() {
        LocalHttpServer server;
        server.setReply(kIndexPath, {200, indexJson("Runpad_new.bin", "99.00.00.00")});
        server.setDefaultReply({200, "new program"});
        AboutFixture f(server.host());
        const QString folder = f.dir.filePath(QStringLiteral("config/Runpad/"));
        QVERIFY(QDir().mkpath(folder));
        AboutDependencies deps = f.deps();
        deps.filesFolder = folder;
        TAboutBox box(deps);
        QCOMPARE(f.session.variables().IndexFilePath, folder + QStringLiteral("index.json"));
        QVERIFY(QFileInfo(folder + QStringLiteral("index.json")).isFile());
        f.prompts.answer = true;
        box.Action_check_for_updateExecute();
        QCOMPARE(readFile(folder + QStringLiteral("Runpad_new.bin")), QByteArray("new program"));
        QCOMPARE(f.shell.requests.size(), 1);
        QCOMPARE(f.shell.requests.at(0).file, folder + QStringLiteral("Runpad_new.bin"));
        QVERIFY(!QFileInfo::exists(f.dir.filePath(QStringLiteral("index.json"))));
        QVERIFY(!QFileInfo::exists(f.dir.filePath(QStringLiteral("Runpad_new.bin"))));
    }

    void backgroundCheckAppliesWhenItEnds() {
        LocalHttpServer server;
        server.setReply(kIndexPath, {200, indexJson("new.bin", "99.00.00.00")});
        AboutFixture f(server.host());
        const auto box = f.makeBox(TAboutBox::CheckMode::Background);
        QTRY_COMPARE(box->SpeedButton_web->text(), QStringLiteral("https://example.org/runpad"));
        QVERIFY(!f.session.backgroundCheckPending());
        QCOMPARE(f.session.variables().OnlineVersion, QStringLiteral("99.00.00.00"));
    }

    void pendingBackgroundCheckIsFinishedOnDemand() {
        LocalHttpServer server;
        server.setReply(kIndexPath, {200, {}, true});
        AboutFixture f(server.host());
        const auto box = f.makeBox(TAboutBox::CheckMode::Background);
        // The constructor came back while the silent server still holds the check.
        QVERIFY(f.session.backgroundCheckPending());
        QCOMPARE(box->SpeedButton_download->text(), QStringLiteral("Check for Update"));
        f.session.finishBackgroundCheck();
        QVERIFY(!f.session.backgroundCheckPending());
        QCOMPARE(box->SpeedButton_download->text(), kUpdateNotAvailableText);
        QCOMPARE(f.session.variables().OnlineVersionText, kUpdateNotAvailableText);
    }

    void aboutCommandShowsADialogAfterTwoChecks() {
        LocalHttpServer server;
        server.setReply(kIndexPath, {200, indexJson("new.bin", "99.00.00.00")});
        AboutFixture f(server.host());
        FormFixture form;
        const AboutDependencies about = f.deps();
        TForm1 window(FormDependencies{form.exe(),
                                       form.clock,
                                       form.prompts,
                                       form.errors,
                                       form.styles,
                                       form.shell,
                                       form.icons,
                                       nullptr,
                                       {},
                                       nullptr,
                                       &about});
        TAboutBox startup(about, TAboutBox::CheckMode::Background, &window);

        QString shownTitle, shownCaption;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<TAboutBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            shownTitle = box->windowTitle();
            shownCaption = box->SpeedButton_download->text();
            box->close();
        });
        window.About1Click();
        QCOMPARE(shownTitle, QStringLiteral("About Runpad"));
        QCOMPARE(shownCaption, crlfAsLf("Newer " + onlineVersionText("99.00.00.00")));
        // The start-up check, then the hidden and the shown dialog's checks.
        QCOMPARE(server.requests().size(), 3);
        QVERIFY(!f.session.backgroundCheckPending());
        const auto hidden = window.findChildren<TAboutBox*>();
        QCOMPARE(hidden.size(), 2); // the start-up dialog and the command's hidden one
        for (const TAboutBox* box : hidden)
            QVERIFY(!box->isVisible());
    }

    // The command's hidden dialog checks on a worker thread while the shown
    // one checks: the outcomes must still be stored in the order of setup.
    void aboutCommandStoresOutcomesInSetupOrder() {
        QTemporaryDir dir;
        const QString exe = dir.filePath(QStringLiteral("Runpad"));
        QVERIFY(QFile::copy(QStringLiteral(RUNPAD_EXECUTABLE), exe));
        QThread* const uiThread = QThread::currentThread();
        // Checks on worker threads find a newer version; the shown dialog's own fails.
        UpdateSession session(QStringLiteral("host"),
                              [uiThread](const QString&, const QString& file) {
                                  if (QThread::currentThread() == uiThread)
                                      return false;
                                  QThread::msleep(200); // ends after the shown dialog's check
                                  return writeFile(file, indexJson("new.bin", "99.00.00.00"));
                              });
        FormFixture form;
        RecordingShell shell;
        RecordingPrompts prompts;
        ErrorReporter errors{prompts};
        const AboutDependencies about{exe, session, shell, prompts, errors};
        TForm1 window(FormDependencies{form.exe(),
                                       form.clock,
                                       form.prompts,
                                       form.errors,
                                       form.styles,
                                       form.shell,
                                       form.icons,
                                       nullptr,
                                       {},
                                       nullptr,
                                       &about});

        QString caption;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<TAboutBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            caption = box->SpeedButton_download->text();
            box->Action_check_for_updateExecute();
            box->close();
        });
        window.About1Click();
        QCOMPARE(caption, kUpdateNotAvailableText);
        const UpdateVariables& vars = session.variables();
        QCOMPARE(vars.OnlineVersionText, kUpdateNotAvailableText);
        QCOMPARE(vars.OnlineVersion, QStringLiteral("99.00.00.00"));
        // The shown dialog's setup came last: the executable's own name is offered.
        QCOMPARE(prompts.questions,
                 QStringList{
                     QStringLiteral("File: Runpad\r\nVersion: 99.00.00.00\r\ndownload online?")});
    }
};

QTEST_MAIN(TestAboutBox)
#include "tst_about_box.moc"
