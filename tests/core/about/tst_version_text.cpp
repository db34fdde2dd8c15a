#include "core/about/version_text.h"

#include <QtTest>

using namespace runpad;

class TestVersionText : public QObject {
    Q_OBJECT
private slots:
    void padNumber_data() {
        QTest::addColumn<int>("n");
        QTest::addColumn<QString>("text");
        QTest::newRow("one digit is padded") << 6 << "06";
        QTest::newRow("zero") << 0 << "00";
        QTest::newRow("two digits stay") << 18 << "18";
        QTest::newRow("three digits keep the last two") << 123 << "23";
        QTest::newRow("four digits keep the last two") << 2024 << "24";
        QTest::newRow("largest field") << 65535 << "35";
        QTest::newRow("hundred") << 100 << "00";
    }
    void padNumber() {
        QFETCH(int, n);
        QFETCH(QString, text);
        QCOMPARE(PadNumber(n, 2), text);
    }

    void padNumberOtherWidths_data() {
        QTest::addColumn<int>("n");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("text");
        QTest::newRow("padded to four") << 7 << 4 << "0007";
        QTest::newRow("exact width") << 1234 << 4 << "1234";
        QTest::newRow("longer keeps two, whatever the width") << 12345 << 4 << "45";
        QTest::newRow("negative failure value") << -1 << 2 << "-1";
    }
    void padNumberOtherWidths() {
        QFETCH(int, n);
        QFETCH(int, width);
        QFETCH(QString, text);
        QCOMPARE(PadNumber(n, width), text);
    }

    void versionForms() {
        const FileVersionNumbers v{23, 1, 18, 6};
        QCOMPARE(dottedVersion(v), QStringLiteral("23.01.18.06"));
        QCOMPARE(packedVersion(v), QStringLiteral("23011806"));
    }

    void shortName_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::newRow("Linux executable keeps its whole name") << "/opt/runpad/Runpad"
                                                               << "Runpad";
        QTest::newRow("Windows executable loses .exe") << "C:/Tools/Runpad.exe"
                                                       << "Runpad";
        QTest::newRow("renamed executable") << "/opt/Tool.exe"
                                            << "Tool";
        QTest::newRow("upper-case extension") << "/opt/TOOL.EXE"
                                              << "TOOL";
        QTest::newRow("other extension stays") << "/opt/runpad.bin"
                                               << "runpad.bin";
        QTest::newRow("dotted name stays") << "/opt/run.pad"
                                           << "run.pad";
        QTest::newRow("name of only the extension") << "/opt/.exe"
                                                    << "";
        QTest::newRow("short name") << "/opt/ab"
                                    << "ab";
    }
    void shortName() {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QCOMPARE(appShortName(path), name);
    }

    void releaseDate_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("date");
        QTest::newRow("slash") << "en_US"
                               << "2024/08/01";
        QTest::newRow("dot") << "de_DE"
                             << "2024.08.01";
        QTest::newRow("dash") << "sv_SE"
                              << "2024-08-01";
    }
    void releaseDate() {
        QFETCH(QString, locale);
        QFETCH(QString, date);
        const QDateTime modified(QDate(2024, 8, 1), QTime(23, 59, 59));
        QCOMPARE(releaseDateText(modified, QLocale(locale)), date);
    }

    void versionLineText() {
        QCOMPARE(versionLine(QStringLiteral("23.01.18.06"), QStringLiteral("2024/08/01")),
                 QStringLiteral("Ver: 23.01.18.06, Released on 2024/08/01"));
        QCOMPARE(versionLine(kUnknownDottedVersion, QStringLiteral("2024/08/01")),
                 QStringLiteral("Ver: ?.?.?.?, Released on 2024/08/01"));
    }
};

QTEST_GUILESS_MAIN(TestVersionText)
#include "tst_version_text.moc"
