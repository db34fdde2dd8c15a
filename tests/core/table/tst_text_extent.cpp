#include "core/table/grid_actions.h"
#include "core/table/grid_model.h"
#include "core/table/text_extent.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QtTest>

using namespace runpad;

namespace {

// The command rows' font as the window measures with it.
QFont commandFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(10);
    return font;
}

// The text extent as the fit rule defines it: each character's own advance
// in the font, added up, with no kerning between neighbours.
int referenceExtent(const QFont& font, const QString& text) {
    QFont plain = font;
    plain.setKerning(false);
    const QFontMetrics metrics(plain);
    int total = 0;
    for (const char32_t c : text.toUcs4())
        total += metrics.horizontalAdvance(QString::fromUcs4(&c, 1));
    return total;
}

} // namespace

class TestTextExtent : public QObject {
    Q_OBJECT
private slots:
    void fittedWidthFollowsTheRule_data() {
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("empty column gives the minimum") << QStringList{"", ""};
        QTest::newRow("short texts give the minimum") << QStringList{"cmd", "ls"};
        QTest::newRow("a path") << QStringList{"notepad", "C:\\Windows\\System32\\control.exe"};
        QTest::newRow("kerning pairs are not kerned") << QStringList{"AVAWAY To Ty Yo", "LT WAVE"};
        QTest::newRow("letters with accents") << QStringList{"Ünïcödé façade", "Ærøskøbing"};
        QTest::newRow("combining mark") << QStringList{"cafe\u0301 au lait"};
        QTest::newRow("wide script") << QStringList{"漢字のテキスト", "한국어 명령"};
        QTest::newRow("outside the basic plane") << QStringList{"start 😀 now 𝄞"};
        QTest::newRow("lone surrogate") << QStringList{QString(QChar(0xD800)) + "x"};
        QTest::newRow("long text reaches the cap") << QStringList{QString(200, u'W'), "short"};
    }
    void fittedWidthFollowsTheRule() {
        QFETCH(QStringList, texts);
        const QFont font = commandFont();
        const TextExtent extent(font);
        GridModel grid;
        grid.setRowCount(int(texts.size()) + 1);
        grid.setCell(1, 0, QStringLiteral("Function"));
        for (int r = 0; r < texts.size(); ++r)
            grid.setCell(1, r + 1, texts[r]);
        TableEditor editor(grid, [&extent](const QString& text) { return extent.width(text); });
        editor.fitColumn(1);

        int expected = 64;
        for (int r = 0; r < grid.rowCount(); ++r)
            expected = qMax(expected, referenceExtent(font, grid.cell(1, r) + u'X'));
        expected = qMin(expected, 400);
        QCOMPARE(grid.colWidth(1), expected);
    }

    void measuringAgainGivesTheSameWidth() {
        const TextExtent extent(commandFont());
        const QString text = QStringLiteral("AVA 😀 café");
        const int first = extent.width(text);
        QCOMPARE(extent.width(text), first);
        // Without kerning, the extent of a text is the sum of its parts'.
        QCOMPARE(extent.width(u"AVA") + extent.width(u" 😀 café"), first);
    }
};

QTEST_MAIN(TestTextExtent)
#include "tst_text_extent.moc"
