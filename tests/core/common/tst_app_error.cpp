#include "core/common/app_error.h"

#include <QtTest>

using runpad::errorDisplayText;

class TestAppError : public QObject {
    Q_OBJECT
private slots:
    void displayText_data() {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letter gets a period") << "Grid index out of range"
                                              << "Grid index out of range.";
        QTest::newRow("period stays single") << "Done."
                                             << "Done.";
        QTest::newRow("exclamation mark is below the period") << "Stop!"
                                                              << "Stop!";
        QTest::newRow("closing parenthesis is below the period") << "(x)"
                                                                 << "(x)";
        QTest::newRow("slash is above the period") << "Unable to write to /tmp/"
                                                   << "Unable to write to /tmp/.";
        QTest::newRow("digit is above the period") << "code 5"
                                                   << "code 5.";
        QTest::newRow("non-ASCII letter is above the period")
            << QString::fromUtf8("Fehler ü") << QString::fromUtf8("Fehler ü.");
        QTest::newRow("empty text stays empty") << ""
                                                << "";
    }
    void displayText() {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(errorDisplayText(message), shown);
    }

    void errorCarriesItsText() {
        const runpad::AppError error(QString::fromUtf8("Unable to write to /tmp/ä.ini"));
        QCOMPARE(error.message(), QString::fromUtf8("Unable to write to /tmp/ä.ini"));
        QCOMPARE(QString::fromStdString(error.what()), error.message());
    }
};

QTEST_GUILESS_MAIN(TestAppError)
#include "tst_app_error.moc"
