#include "core/about/update_check.h"
#include "core/common/app_error.h"

#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

using namespace runpad;

namespace {
const QString kNewerPrefix = QStringLiteral("Newer ");
const QString kOlderPrefix = QStringLiteral("Older ");
} // namespace

class TestUpdateCheck : public QObject {
    Q_OBJECT
private slots:
    void comparison_data() {
        QTest::addColumn<QString>("local");
        QTest::addColumn<QString>("online");
        QTest::addColumn<QString>("caption");
        const QString local = QStringLiteral("23.01.18.06");
        auto newer = [](const QString& v) { return kNewerPrefix + onlineVersionText(v); };
        auto older = [](const QString& v) { return kOlderPrefix + onlineVersionText(v); };
        QTest::newRow("later build on the server")
            << local << "23.01.19.01" << newer("23.01.19.01");
        QTest::newRow("first difference two digits apart")
            << local << "23.01.38.00" << newer("23.01.38.00");
        QTest::newRow("same version") << local << local << "version up-to-date (23.01.18.06)";
        QTest::newRow("local is the beginning of online")
            << local << "23.01.18.06.1" << newer("23.01.18.06.1");
        QTest::newRow("online is the beginning of local")
            << local << "23.01.18" << older("23.01.18");
        QTest::newRow("earlier version on the server")
            << local << "22.12.30.00" << older("22.12.30.00");
        QTest::newRow("unknown local version sorts after digits")
            << "?.?.?.?"
            << "99.99.99.99" << older("99.99.99.99");
        QTest::newRow("empty online version") << local << "" << older("");
        QTest::newRow("case counts: lower case after upper") << "1.0.A"
                                                             << "1.0.a" << newer("1.0.a");
    }
    void comparison() {
        QFETCH(QString, local);
        QFETCH(QString, online);
        QFETCH(QString, caption);
        QCOMPARE(updateButtonCaption(local, online, onlineVersionText(online)), caption);
    }

    void captionTexts() {
        QCOMPARE(onlineVersionText(QStringLiteral("23.01.19.01")),
                 QStringLiteral("Version:  23.01.19.01\r\navailable online"));
        QCOMPARE(updateBaseUrl(QStringLiteral("nas.local"), QStringLiteral("Runpad")),
                 QStringLiteral("http://nas.local/NAS_file_Share/Runpad/"));
        UpdateVariables vars;
        vars.OnlineFileName = QStringLiteral("Runpad");
        vars.OnlineVersion = QStringLiteral("23.01.19.01");
        QCOMPARE(updateConfirmationText(vars),
                 QStringLiteral("File: Runpad\r\nVersion: 23.01.19.01\r\ndownload online?"));
    }

    void cacheBusterReadsLocalTimeAsUniversal() {
        const QDateTime local(QDate(2024, 8, 1), QTime(12, 0, 0), Qt::LocalTime);
        QCOMPARE(cacheBusterValue(local),
                 QDateTime(QDate(2024, 8, 1), QTime(12, 0, 0), Qt::UTC).toSecsSinceEpoch());
        // Within one second the address stays the same; the next second changes it.
        QCOMPARE(cacheBusterValue(local.addMSecs(999)), cacheBusterValue(local));
        QCOMPARE(cacheBusterValue(local.addSecs(1)), cacheBusterValue(local) + 1);

        UpdateVariables vars;
        vars.UpdateBaseUrl = QStringLiteral("http://h/NAS_file_Share/Runpad/");
        vars.IndexFileName = kIndexFileName;
        vars.OnlineVersionText = QStringLiteral("old");
        QCOMPARE(beginCheck(vars, local),
                 QStringLiteral("http://h/NAS_file_Share/Runpad/index.json?cb=%1")
                     .arg(cacheBusterValue(local)));
        QVERIFY(vars.OnlineVersionText.isEmpty());
    }

    void parseIndex_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("members"); // file_name, version, website; "<absent>"
        QTest::addColumn<bool>("failed");
        const QStringList all{"Runpad_setup.exe", "23.01.19.01", "https://example.org/"};
        QTest::newRow("plain object")
            << QByteArray("{\"file_name\":\"Runpad_setup.exe\",\"version\":\"23.01.19.01\","
                          "\"website\":\"https://example.org/\"}")
            << all << false;
        QTest::newRow("other members and order ignored")
            << QByteArray(
                   "{\"x\":1,\"website\":\"https://example.org/\",\"version\":\"23.01.19.01\","
                   "\"file_name\":\"Runpad_setup.exe\",\"y\":[1,2]}")
            << all << false;
        QTest::newRow("first of two equal names counts")
            << QByteArray("{\"file_name\":\"Runpad_setup.exe\",\"file_name\":\"evil\","
                          "\"version\":\"23.01.19.01\",\"website\":\"https://example.org/\","
                          "\"version\":\"0\"}")
            << all << false;
        QTest::newRow("names are case-sensitive")
            << QByteArray(
                   "{\"File_name\":\"a\",\"file_name\":\"b\",\"version\":\"1\",\"website\":\"w\"}")
            << QStringList{"b", "1", "w"} << false;
        QTest::newRow("number kept as written")
            << QByteArray("{\"file_name\":\"f\",\"version\":23.010,\"website\":1e3}")
            << QStringList{"f", "23.010", "1e3"} << false;
        QTest::newRow("literals as words, containers empty")
            << QByteArray("{\"file_name\":null,\"version\":true,\"website\":{\"a\":1}}")
            << QStringList{"null", "true", ""} << false;
        QTest::newRow("escapes decoded")
            << QByteArray("{\"file_name\":\"a\\/b\\u00E9\",\"version\":\"1\",\"website\":\"w\"}")
            << QStringList{QString::fromUtf8("a/b\u00E9"), "1", "w"} << false;
        QTest::newRow("UTF-8 mark")
            << QByteArray(
                   "\xEF\xBB\xBF{\"file_name\":\"\xC3\xA9\",\"version\":\"1\",\"website\":\"w\"}")
            << QStringList{QString::fromUtf8("\u00E9"), "1", "w"} << false;
        QStringEncoder le(QStringEncoder::Utf16LE);
        QStringEncoder be(QStringEncoder::Utf16BE);
        const QString text =
            QString::fromUtf8("{\"file_name\":\"é\",\"version\":\"1\",\"website\":\"w\"}");
        QTest::newRow("UTF-16 little-endian mark")
            << QByteArray("\xFF\xFE") + QByteArray(le(text)) << QStringList{"é", "1", "w"} << false;
        QTest::newRow("UTF-16 big-endian mark")
            << QByteArray("\xFE\xFF") + QByteArray(be(text)) << QStringList{"é", "1", "w"} << false;
        QTest::newRow("website missing: the first two are still given")
            << QByteArray("{\"file_name\":\"f\",\"version\":\"1\"}")
            << QStringList{"f", "1", "<absent>"} << true;
        QTest::newRow("file name missing: nothing is given")
            << QByteArray("{\"version\":\"1\",\"website\":\"w\"}")
            << QStringList{"<absent>", "<absent>", "<absent>"} << true;
        QTest::newRow("not an object") << QByteArray("[\"file_name\",\"version\"]")
                                       << QStringList{"<absent>", "<absent>", "<absent>"} << true;
        QTest::newRow("not JSON") << QByteArray("<html>404</html>")
                                  << QStringList{"<absent>", "<absent>", "<absent>"} << true;
        QTest::newRow("empty file")
            << QByteArray() << QStringList{"<absent>", "<absent>", "<absent>"} << true;
    }
    void parseIndex() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, members);
        QFETCH(bool, failed);
        const UpdateIndex index = parseUpdateIndex(bytes);
        auto shown = [](const std::optional<QString>& v) {
            return v ? *v : QStringLiteral("<absent>");
        };
        QCOMPARE(QStringList({shown(index.fileName), shown(index.version), shown(index.website)}),
                 members);
        QCOMPARE(!index.error.isEmpty(), failed);
    }

    void failedDownloadChangesOnlyTheStatusText() {
        UpdateVariables vars = filledVariables();
        const UpdateVariables before = vars;
        const CheckCaptions captions = applyCheckOutcome(vars, CheckOutcome{false, {}});
        QCOMPARE(captions.downloadCaption, std::optional(kUpdateNotAvailableText));
        QVERIFY(!captions.downloadHint);
        QVERIFY(!captions.webCaption);
        QCOMPARE(vars.OnlineVersionText, kUpdateNotAvailableText);
        vars.OnlineVersionText = before.OnlineVersionText;
        QVERIFY(vars == before);
    }

    void successfulCheckStoresTheIndex() {
        UpdateVariables vars = filledVariables();
        UpdateIndex index;
        index.fileName = QStringLiteral("new.bin");
        index.version = QStringLiteral("23.01.19.01");
        index.website = QStringLiteral("https://example.org/");
        const CheckCaptions captions = applyCheckOutcome(vars, CheckOutcome{true, index});
        QCOMPARE(vars.OnlineFileName, QStringLiteral("new.bin"));
        QCOMPARE(vars.OnlineVersion, QStringLiteral("23.01.19.01"));
        QCOMPARE(vars.OnlineWebsite, QStringLiteral("https://example.org/"));
        QCOMPARE(vars.OnlineVersionText, onlineVersionText(QStringLiteral("23.01.19.01")));
        QCOMPARE(captions.webCaption, std::optional(QStringLiteral("https://example.org/")));
        QCOMPARE(captions.downloadHint, std::optional(QStringLiteral("23.01.19.01")));
        QCOMPARE(captions.downloadCaption,
                 std::optional(kNewerPrefix + onlineVersionText(QStringLiteral("23.01.19.01"))));
    }

    void incompleteIndexStoresWhatWasReadAndFails() {
        UpdateVariables vars = filledVariables();
        UpdateIndex index;
        index.fileName = QStringLiteral("new.bin");
        index.error = QStringLiteral("no version");
        QVERIFY_THROWS_EXCEPTION(AppError, applyCheckOutcome(vars, CheckOutcome{true, index}));
        QCOMPARE(vars.OnlineFileName, QStringLiteral("new.bin"));
        QCOMPARE(vars.OnlineVersion, QStringLiteral("01.00.00.00"));
        QCOMPARE(vars.OnlineVersionText, QString());
    }

    void fetchReadsTheStoredIndex() {
        QTemporaryDir dir;
        const QString path = dir.filePath(kIndexFileName);
        QString askedUrl;
        const DownloadFunction download = [&](const QString& url, const QString& file) {
            askedUrl = url;
            QFile f(file);
            return f.open(QIODevice::WriteOnly) &&
                   f.write("{\"file_name\":\"f\",\"version\":\"2\",\"website\":\"w\"}") > 0;
        };
        const CheckOutcome outcome = fetchUpdateIndex(download, QStringLiteral("http://u"), path);
        QCOMPARE(askedUrl, QStringLiteral("http://u"));
        QVERIFY(outcome.downloaded);
        QCOMPARE(outcome.index.version, std::optional(QStringLiteral("2")));
        QVERIFY(outcome.index.error.isEmpty());

        const CheckOutcome failed = fetchUpdateIndex(
            [](const QString&, const QString&) { return false; }, QStringLiteral("http://u"), path);
        QVERIFY(!failed.downloaded);
    }

    void updateFileName_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("plain");
        QTest::addColumn<bool>("blank");
        QTest::newRow("plain name") << "Runpad_setup.exe" << true << false;
        QTest::newRow("name with blanks around") << " Runpad " << true << false;
        QTest::newRow("dots inside the name") << "a..b" << true << false;
        QTest::newRow("parent folder") << ".." << false << false;
        QTest::newRow("current folder") << "." << false << false;
        QTest::newRow("climbs out") << "../evil" << false << false;
        QTest::newRow("Windows separator") << "..\\evil" << false << false;
        QTest::newRow("absolute path") << "/etc/passwd" << false << false;
        QTest::newRow("sub folder") << "sub/file" << false << false;
        QTest::newRow("drive") << "C:evil" << false << false;
        QTest::newRow("control character") << "a\nb" << false << false;
        QTest::newRow("empty") << "" << false << true;
        QTest::newRow("blanks only") << "   " << true << true;
        QTest::newRow("blanks and controls") << " \t\r\n " << false << true;
    }
    void updateFileName() {
        QFETCH(QString, name);
        QFETCH(bool, plain);
        QFETCH(bool, blank);
        QCOMPARE(isPlainUpdateFileName(name), plain);
        QCOMPARE(isBlankFileName(name), blank);
    }

private:
    static UpdateVariables filledVariables() {
        UpdateVariables vars;
        vars.AppShortName = QStringLiteral("Runpad");
        vars.LocalVersion = QStringLiteral("23.01.18.06");
        vars.UpdateBaseUrl = QStringLiteral("http://h/NAS_file_Share/Runpad/");
        vars.IndexFileName = kIndexFileName;
        vars.IndexFilePath = QStringLiteral("/opt/index.json");
        vars.OnlineFileName = QStringLiteral("Runpad");
        vars.OnlineVersion = QStringLiteral("01.00.00.00");
        vars.OnlineWebsite = QStringLiteral("https://earlier.example/");
        return vars;
    }
};

QTEST_GUILESS_MAIN(TestUpdateCheck)
#include "tst_update_check.moc"
