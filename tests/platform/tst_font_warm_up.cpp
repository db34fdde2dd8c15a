#include "platform/font_warm_up.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QTest>

#include <optional>

using runpad::FontWarmUp;

class TestFontWarmUp : public QObject {
    Q_OBJECT
private slots:
    void finishes_data();
    void finishes();
};

void TestFontWarmUp::finishes_data() {
    QTest::addColumn<bool>("applicationMade");
    QTest::newRow("the application object is made") << true;
    // The program may end before it makes one (a start-up error): the
    // thread must not wait for it.
    QTest::newRow("no application object") << false;
}

void TestFontWarmUp::finishes() {
    QFETCH(bool, applicationMade);
    FontWarmUp warmUp;
    std::optional<QGuiApplication> app;
    int argc = 1;
    char name[] = "tst_font_warm_up";
    char* argv[] = {name, nullptr};
    if (applicationMade) {
        app.emplace(argc, argv);
        warmUp.applicationReady();
    }
    warmUp.finish();
    if (applicationMade)
        QVERIFY(!QFontDatabase::families().isEmpty());
}

QTEST_APPLESS_MAIN(TestFontWarmUp)
#include "tst_font_warm_up.moc"
