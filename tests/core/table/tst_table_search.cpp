#include "core/table/grid_model.h"
#include "core/table/table_search.h"

#include <QPoint>
#include <QtTest>

#include <optional>

using runpad::CellPos;
using runpad::GridModel;

namespace {

struct PlacedCell {
    int col;
    int row;
    QString text;
};
using Cells = QList<PlacedCell>;

enum class Direction { Forward, Backward };

// Five columns, header row 0 and data rows 1..5.
constexpr int kCols = 5;
constexpr int kRows = 6;
constexpr int kLastCol = kCols - 1;
constexpr int kLastRow = kRows - 1;

const QPoint kNotFound(-100, -100);

QPoint toPoint(std::optional<CellPos> pos) {
    return pos ? QPoint(pos->col, pos->row) : kNotFound;
}

// The two commands of the walk-through; nothing else contains "note".
const Cells kExample = {
    {1, 1, QStringLiteral("Editor")},     {2, 1, QStringLiteral("/usr/bin/gedit")},
    {1, 2, QStringLiteral("Notepad")},    {2, 2, QStringLiteral("/usr/bin/np --new-window")},
    {1, 3, QStringLiteral("Calculator")}, {3, 4, QStringLiteral("notes")},
    {0, 0, QStringLiteral("#")},          {1, 0, QStringLiteral("Function")},
};

} // namespace

Q_DECLARE_METATYPE(Cells)
Q_DECLARE_METATYPE(Direction)

class TestTableSearch : public QObject {
    Q_OBJECT

private slots:
    void matching_data();
    void matching();
    void walk_data();
    void walk();
};

void TestTableSearch::matching_data() {
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("matches");

    const auto row = [](const char* name, const QString& cell, const QString& text, bool m) {
        QTest::newRow(name) << cell << text << m;
    };
    row("capitals in the text find small letters", "notepad", "NOTE", true);
    row("small letters in the text find capitals", "NOTEPAD", "note", true);
    row("mixed case on both sides", "NoTePaD", "nOtE", true);
    row("text at the start of the cell", "Notepad", "not", true);
    row("text at the end of the cell", "Notepad", "PAD", true);
    row("text equal to the whole cell", "notes", "NOTES", true);
    row("text running past the end of the cell", "a not", "note", false);
    row("text longer than the cell", "note", "notepad", false);
    row("overlapping partial match before the real one", "nonote", "note", true);
    row("punctuation and digits compare literally", "/usr/bin/app --flag 123", "--FLAG 12", true);
    row("accented small letter does not find its capital", "École", "é", false);
    row("accented capital does not find its small letter", "café", "CAFÉ", false);
    row("accented letters match themselves", "café", "CAFé", true);
    row("dotless i is not folded to I", "\u0131", "I", false);
    row("Kelvin sign is not a K", "\u212A", "k", false);
    row("sharp s is not SS", "straße", "STRASSE", false);
    row("Greek small letters are not folded", "αβγ", "ΑΒΓ", false);
    row("characters next to the letter range are not folded", "x`{|}~", "X@[\\]^", false);
    row("non-ASCII text around the text", "Übung – Notepad für Ärzte 日本語", "notepad", true);
    row("non-ASCII letter inside the text must match exactly", "Ärger-Notiz", "ärger-notiz", false);
    row("non-ASCII letter inside the text, same case", "Ärger-Notiz", "Ärger-NOTIZ", true);
    row("surrogate pairs around the text", "😀note😀", "NOTE", true);
    // Long cells are scanned in blocks; the text may sit in any of them or in
    // the rest after the last full block.
    row("text deep in a long cell", QString(40, u'x') + "Notepad!", "NOTEPAD", true);
    row("text across a block boundary", QString(14, u'-') + "notes" + QString(30, u'-'), "NOTE",
        true);
    row("many false starts before the text in a long cell", "nonononononononononononononote",
        "NOTE", true);
    row("long cell ending in part of the text", QString(40, u'n') + "not", "note", false);
    row("empty text matches nothing", "Notepad", "", false);
    row("empty cell matches nothing", "", "a", false);
}

void TestTableSearch::matching() {
    QFETCH(QString, cell);
    QFETCH(QString, text);
    QFETCH(bool, matches);

    QCOMPARE(runpad::cellMatches(cell, runpad::foldToCapitals(text)), matches);

    // The same answer through a search, which folds the text itself.
    GridModel grid;
    grid.setRowCount(3);
    grid.setCell(2, 1, cell);
    QCOMPARE(runpad::findForward(grid, text).has_value(), matches);
}

void TestTableSearch::walk_data() {
    QTest::addColumn<Cells>("cells");
    QTest::addColumn<QPoint>("current");
    QTest::addColumn<Direction>("direction");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QPoint>("expected");

    const auto F = Direction::Forward;
    const auto B = Direction::Backward;
    const QString note = QStringLiteral("note");
    const QString NOTE = QStringLiteral("NOTE");

    // The walk-through, each step starting where the previous one stopped.
    QTest::newRow("example step 1: forward from (0,1) finds Notepad")
        << kExample << QPoint(0, 1) << F << NOTE << QPoint(1, 2);
    QTest::newRow("example step 2: forward from Notepad finds notes")
        << kExample << QPoint(1, 2) << F << NOTE << QPoint(3, 4);
    QTest::newRow("example step 3: forward from notes finds nothing")
        << kExample << QPoint(3, 4) << F << NOTE << kNotFound;
    QTest::newRow("example step 4: backward from notes finds Notepad")
        << kExample << QPoint(3, 4) << B << NOTE << QPoint(1, 2);

    QTest::newRow("empty text finds nothing in a full row")
        << Cells{{1, 1, "a"}, {2, 1, "b"}, {3, 2, note}} << QPoint(0, 1) << F << QString()
        << kNotFound;
    QTest::newRow("forward from the last column goes on at column 1 of the next row")
        << Cells{{kCols, 2, note}, {0, 3, note}, {1, 3, note}} << QPoint(kLastCol, 2) << F << note
        << QPoint(1, 3);
    QTest::newRow("forward never examines column 0")
        << Cells{{0, 2, note}, {0, 3, note}, {2, 4, note}} << QPoint(1, 1) << F << note
        << QPoint(2, 4);
    QTest::newRow("forward finds the last row's last column")
        << Cells{{kLastCol, kLastRow, note}} << QPoint(0, 1) << F << note
        << QPoint(kLastCol, kLastRow);
    QTest::newRow("forward does not wrap from the last row to row 1")
        << Cells{{1, 1, note}, {3, 1, note}, {1, kLastRow, note}} << QPoint(2, kLastRow) << F
        << note << kNotFound;
    QTest::newRow("forward ignores cells beyond the counts")
        << Cells{{kCols, 1, note}, {kCols + 3, 3, note}, {1, kRows, note}, {kLastCol, kRows, note}}
        << QPoint(0, 1) << F << note << kNotFound;
    QTest::newRow("forward from the header row starts in it")
        << Cells{{3, 0, note}, {2, 1, note}} << QPoint(1, 0) << F << note << QPoint(3, 0);

    QTest::newRow("backward from column 1 examines column 0 of the row first")
        << Cells{{0, 3, note}, {kLastCol, 2, note}} << QPoint(1, 3) << B << note << QPoint(0, 3);
    QTest::newRow("backward skips column 0 after the first cell")
        << Cells{{0, 3, note}, {0, 2, note}, {2, 1, note}} << QPoint(3, 3) << B << note
        << QPoint(2, 1);
    QTest::newRow("backward from column 0 starts in the previous row's last column")
        << Cells{{-1, 3, note}, {kLastCol, 3, note}, {kLastCol, 2, note}, {1, 2, note}}
        << QPoint(0, 3) << B << note << QPoint(kLastCol, 2);
    QTest::newRow("backward from the last cell finds its left neighbour")
        << Cells{{kLastCol - 1, kLastRow, note}} << QPoint(kLastCol, kLastRow) << B << note
        << QPoint(kLastCol - 1, kLastRow);
    QTest::newRow("backward does not wrap from row 1 to the last row or the header")
        << Cells{{3, 1, note}, {kLastCol, kLastRow, note}, {2, 0, note}, {kLastCol, 0, note}}
        << QPoint(2, 1) << B << note << kNotFound;
}

void TestTableSearch::walk() {
    QFETCH(Cells, cells);
    QFETCH(QPoint, current);
    QFETCH(Direction, direction);
    QFETCH(QString, text);
    QFETCH(QPoint, expected);

    GridModel grid;
    grid.setColCount(kCols);
    grid.setRowCount(kRows);
    grid.setOptions(runpad::kCellModeOptions); // row select would hold the column at 0
    for (const PlacedCell& cell : cells)
        grid.setCell(cell.col, cell.row, cell.text);
    grid.setCol(current.x());
    grid.setRow(current.y());
    QCOMPARE(QPoint(grid.col(), grid.row()), current);

    const auto found = direction == Direction::Forward ? runpad::findForward(grid, text)
                                                       : runpad::findBackward(grid, text);
    QCOMPARE(toPoint(found), expected);
}

QTEST_GUILESS_MAIN(TestTableSearch)
#include "tst_table_search.moc"
