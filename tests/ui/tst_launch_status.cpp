#include "form_fixture.h"

using namespace runpad;
using namespace runpad::testing;

// A start the desktop cannot make at all is told in the status line's
// message panel; every other start leaves the status line as it was.
class TestLaunchStatus : public QObject {
    Q_OBJECT

private slots:
    void statusOfStartShows_data() {
        QTest::addColumn<std::optional<QString>>("status");
        QTest::newRow("start the desktop cannot make")
            << std::optional<QString>(QStringLiteral("Cannot start \"prog.exe\": no Wine"));
        QTest::newRow("ordinary start") << std::optional<QString>();
    }
    void statusOfStartShows() {
        QFETCH(std::optional<QString>, status);
        FormFixture fx;
        QVERIFY(writeFile(fx.ini(), "[Table]\n2-0=command\n1-1=f\n2-1=prog.exe -x\n"));
        fx.shell.status = status;
        const auto form = fx.makeForm();
        form->grid().setRow(1);
        const QString before = form->panelText(5);

        form->StringGrid1DblClick();

        QCOMPARE(fx.shell.requests.size(), 1);
        QCOMPARE(form->panelText(5), status.value_or(before));
    }
};

QTEST_MAIN(TestLaunchStatus)
#include "tst_launch_status.moc"
