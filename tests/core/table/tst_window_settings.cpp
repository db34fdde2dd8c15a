#include "core/table/ini_document.h"
#include "core/table/window_settings.h"

#include <QtTest>

using namespace runpad;

Q_DECLARE_METATYPE(std::optional<int>)

class TestWindowSettings : public QObject {
    Q_OBJECT
private slots:
    void read_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("style");
        QTest::addColumn<std::optional<int>>("width");
        QTest::addColumn<std::optional<int>>("left");
        QTest::addColumn<std::optional<int>>("table");
        QTest::newRow("nothing stored") << QByteArray() << QString() << std::optional<int>()
                                        << std::optional<int>() << std::optional<int>();
        QTest::newRow("all stored")
            << QByteArray("[Styles]\nStyle Name=Glow\nForm Width=1200\nForm Height=700\n"
                          "Form Left=-900\nForm Top=5\ntable width=50\n")
            << "Glow" << std::optional<int>(1200) << std::optional<int>(-900)
            << std::optional<int>(50);
        QTest::newRow("no integers")
            << QByteArray("[Styles]\nForm Width=wide\nForm Left=\ntable width=12px\n") << QString()
            << std::optional<int>() << std::optional<int>() << std::optional<int>();
        QTest::newRow("keys in another section are not ours")
            << QByteArray("[Table]\nForm Width=1200\ntable width=50\n") << QString()
            << std::optional<int>() << std::optional<int>() << std::optional<int>();
    }
    void read() {
        QFETCH(QByteArray, file);
        QFETCH(QString, style);
        QFETCH(std::optional<int>, width);
        QFETCH(std::optional<int>, left);
        QFETCH(std::optional<int>, table);
        const StoredWindowSettings stored = readWindowSettings(IniDocument::fromBytes(file));
        QCOMPARE(stored.styleName, style);
        QCOMPARE(stored.placement.width, width);
        QCOMPARE(stored.placement.left, left);
        QCOMPARE(stored.tableWidth, table);
    }

    void writeKeepsAStoredNameWhenNoneIsChosen_data() {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("written");
        QTest::newRow("no style chosen") << QString() << "glow";
        QTest::newRow("style chosen") << "Sky"
                                      << "Sky";
    }
    void writeKeepsAStoredNameWhenNoneIsChosen() {
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        IniDocument settings = IniDocument::fromBytes("[Styles]\nStyle Name=glow\n");
        writeWindowSettings(settings, {chosen, 800, 750, -3, 0, 736});
        const StoredWindowSettings back = readWindowSettings(settings);
        QCOMPARE(back.styleName, written);
        QCOMPARE(back.placement.width, std::optional<int>(800));
        QCOMPARE(back.placement.height, std::optional<int>(750));
        QCOMPARE(back.placement.left, std::optional<int>(-3));
        QCOMPARE(back.placement.top, std::optional<int>(0));
        QCOMPARE(back.tableWidth, std::optional<int>(736));
    }
};

QTEST_GUILESS_MAIN(TestWindowSettings)
#include "tst_window_settings.moc"
