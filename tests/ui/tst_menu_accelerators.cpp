#include "ui/menu_accelerators.h"

#include <QAction>
#include <QtTest>

using namespace runpad;

class TestMenuAccelerators : public QObject {
    Q_OBJECT
private slots:
    void captions_data() {
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("menu bar level") << QStringList{"File", "Tool", "style", "Help"}
                                        << QStringList{"&File", "&Tool", "&style", "&Help"};
        QTest::newRow("own accelerator is kept and reserved")
            << QStringList{"Load Table Contents", "Save Table Contents", "E&xit"}
            << QStringList{"&Load Table Contents", "&Save Table Contents", "E&xit"};
        QTest::newRow("taken letters are skipped without letter case")
            << QStringList{"Glossy", "Glow", "glass"} << QStringList{"&Glossy", "G&low", "gl&ass"};
        QTest::newRow("reserved letter of a later item is not reused")
            << QStringList{"Dash", "E&dit"} << QStringList{"D&ash", "E&dit"};
        QTest::newRow("digits count, blanks and punctuation do not")
            << QStringList{"- 7 up", "7-Zip"} << QStringList{"- &7 up", "7-&Zip"};
        QTest::newRow("caption without a free character stays")
            << QStringList{"ab", "ba", "ab"} << QStringList{"&ab", "&ba", "ab"};
        QTest::newRow("literal ampersand is no accelerator")
            << QStringList{"A && B"} << QStringList{"&A && B"};
        QTest::newRow("style names in menu order")
            << QStringList{"Windows",          "Aqua Light Slate",  "Glossy", "Glow",
                           "Iceberg Classico", "Lavender Classico", "Sky",    "Slate Classico"}
            << QStringList{"&Windows",          "&Aqua Light Slate",  "&Glossy", "G&low",
                           "&Iceberg Classico", "La&vender Classico", "&Sky",    "Sla&te Classico"};
    }
    void captions() {
        QFETCH(QStringList, captions);
        QFETCH(QStringList, expected);
        QCOMPARE(withAccelerators(captions), expected);
    }

    void secondPassChangesNothing() {
        const QStringList once = withAccelerators({"Load", "Save", "E&xit", "About"});
        QCOMPARE(withAccelerators(once), once);
    }

    void separatorsAreSkipped() {
        QAction a("Load"), sep, b("List");
        sep.setSeparator(true);
        assignAccelerators({&a, &sep, &b});
        QCOMPARE(a.text(), QString("&Load"));
        QCOMPARE(b.text(), QString("L&ist"));
        QVERIFY(sep.text().isEmpty());
    }
};

QTEST_MAIN(TestMenuAccelerators)
#include "tst_menu_accelerators.moc"
