#include "core/common/app_error.h"
#include "core/table/grid_actions.h"
#include "core/table/grid_model.h"
#include "grid_test_support.h"

#include <QPoint>
#include <QtTest>

#include <functional>

using runpad::GridModel;
using runpad::GridOptions;
using runpad::TableEditor;

// Rows of cell texts, row 0 first.
using Table = QList<QStringList>;

using runpad::testing::errorOf;
using runpad::testing::kOutOfRange;

namespace {

constexpr GridOptions kEditModeOptions =
    (runpad::kRowSelectModeOptions | runpad::goEditing) & ~GridOptions(runpad::goRowSelect);

// A grid with an editor whose font is 7 px per character; click handling is
// counted and records what the handler saw of the current cell.
struct Fixture {
    GridModel grid;
    TableEditor editor{grid, [](const QString& text) { return 7 * int(text.size()); }};
    int clicks = 0;
    QPoint seenAt{-1, -1};
    QString seenText; // column 1 of the current row

    Fixture() {
        grid.setClickHandler([this] {
            ++clicks;
            seenAt = QPoint(grid.col(), grid.row());
            seenText = grid.cell(1, grid.row());
        });
    }

    // Shows the table with counts taken from its size.
    void load(const Table& table) {
        grid.setColCount(int(table.first().size()));
        grid.setRowCount(int(table.size()));
        for (int r = 0; r < table.size(); ++r)
            for (int c = 0; c < table[r].size(); ++c)
                grid.setCell(c, r, table[r][c]);
    }

    // Puts the grid into edit mode at (col, row), or leaves it in row-select
    // mode at row; click handling of the setup is not counted.
    void place(bool editMode, int col, int row) {
        if (editMode) {
            editor.toggleEdit();
            grid.setCol(col);
        }
        grid.setRow(row);
        clicks = 0;
        seenAt = QPoint(-1, -1);
        seenText.clear();
    }

    Table snapshot(int cols, int rows) const {
        Table table;
        for (int r = 0; r < rows; ++r) {
            QStringList line;
            for (int c = 0; c < cols; ++c)
                line << grid.cell(c, r);
            table << line;
        }
        return table;
    }
    Table visible() const { return snapshot(grid.colCount(), grid.rowCount()); }

    QList<int> widths() const {
        QList<int> result;
        for (int c = 0; c < grid.colCount(); ++c)
            result << grid.colWidth(c);
        return result;
    }
    void setWidths(const QList<int>& widths) {
        for (int c = 0; c < widths.size(); ++c)
            grid.setColWidth(c, widths[c]);
    }
    QPoint current() const { return QPoint(grid.col(), grid.row()); }
};

// Cell texts naming their column by letter and their row by number: "B2".
Table labelled(int cols, int rows) {
    Table table;
    for (int r = 0; r < rows; ++r) {
        QStringList line;
        for (int c = 0; c < cols; ++c)
            line << QStringLiteral("%1%2").arg(QChar(u'A' + c)).arg(r);
        table << line;
    }
    return table;
}

const QStringList kEmpty4{"", "", "", ""};

} // namespace

class TestGridActions : public QObject {
    Q_OBJECT

private slots:
    void insertRow_data() {
        QTest::addColumn<bool>("editMode");
        QTest::addColumn<int>("startCol");
        QTest::addColumn<int>("startRow");
        QTest::addColumn<Table>("expected");
        QTest::addColumn<int>("expectedCol");
        QTest::addColumn<int>("clicks");

        const QStringList r0{"A0", "B0", "C0", "D0"};
        const QStringList r1{"A1", "B1", "C1", "D1"};
        const QStringList r2{"A2", "B2", "C2", "D2"};
        const QStringList r3{"A3", "B3", "C3", "D3"};
        QTest::newRow("row-select, middle row: col stays 0, click runs")
            << false << 0 << 2 << Table{r0, r1, kEmpty4, r2, r3} << 0 << 1;
        QTest::newRow("row-select, last row: its texts go to a new last row")
            << false << 0 << 3 << Table{r0, r1, r2, kEmpty4, r3} << 0 << 1;
        QTest::newRow("edit mode, first data row: col goes to 3 with click")
            << true << 1 << 1 << Table{r0, kEmpty4, r1, r2, r3} << 3 << 1;
        QTest::newRow("edit mode, col already 3: no click")
            << true << 3 << 2 << Table{r0, r1, kEmpty4, r2, r3} << 3 << 0;
    }
    void insertRow() {
        QFETCH(bool, editMode);
        QFETCH(int, startCol);
        QFETCH(int, startRow);
        QFETCH(Table, expected);
        QFETCH(int, expectedCol);
        QFETCH(int, clicks);
        Fixture f;
        f.load(labelled(4, 4));
        f.place(editMode, startCol, startRow);

        f.editor.insertRow();

        QCOMPARE(f.grid.rowCount(), 5);
        QCOMPARE(f.grid.colCount(), 4);
        QCOMPARE(f.visible(), expected);
        QCOMPARE(f.current(), QPoint(expectedCol, startRow));
        QCOMPARE(f.grid.options(), runpad::kCellModeOptions);
        QCOMPARE(f.clicks, clicks);
    }

    void deleteRow_data() {
        QTest::addColumn<bool>("editMode");
        QTest::addColumn<int>("rowCount");
        QTest::addColumn<int>("startRow");
        // The visible rows after the delete, plus the first row beyond them.
        QTest::addColumn<Table>("expected");
        QTest::addColumn<int>("expectedRow");
        QTest::addColumn<int>("expectedCol");
        QTest::addColumn<int>("clicks");

        // Rows 0..4 are labelled; row 5 lies beyond the table and holds "C5".
        const QStringList r0{"A0", "B0", "C0", "D0"};
        const QStringList r1{"A1", "B1", "C1", "D1"};
        const QStringList r2{"A2", "B2", "C2", "D2"};
        const QStringList r3{"A3", "B3", "C3", "D3"};
        const QStringList r4{"A4", "B4", "C4", "D4"};
        const QStringList beyond{"", "", "C5", ""};
        QTest::newRow("row-select, middle row")
            << false << 5 << 2 << Table{r0, r1, r3, r4, beyond} << 2 << 0 << 1;
        QTest::newRow("row-select, last row: current row clamps")
            << false << 5 << 4 << Table{r0, r1, r2, r3, beyond} << 3 << 0 << 1;
        QTest::newRow("edit mode, first data row")
            << true << 5 << 1 << Table{r0, r2, r3, r4, beyond} << 1 << 3 << 1;
        QTest::newRow("three rows: hidden row 3 moves up to the edge")
            << false << 3 << 1 << Table{r0, r2, r3} << 1 << 0 << 1;
        QTest::newRow("two rows: nothing deleted")
            << false << 2 << 1 << Table{r0, r1, r2} << 1 << 0 << 1;
        QTest::newRow("one row: nothing deleted")
            << false << 1 << 0 << Table{r0, r1} << 0 << 0 << 1;
    }
    void deleteRow() {
        QFETCH(bool, editMode);
        QFETCH(int, rowCount);
        QFETCH(int, startRow);
        QFETCH(Table, expected);
        QFETCH(int, expectedRow);
        QFETCH(int, expectedCol);
        QFETCH(int, clicks);
        Fixture f;
        f.load(labelled(4, 5));
        f.grid.setCell(2, 5, QStringLiteral("C5"));
        f.grid.setRowCount(rowCount);
        f.place(editMode, 1, startRow);

        f.editor.deleteRow();

        QCOMPARE(f.grid.rowCount(), int(expected.size()) - 1);
        QCOMPARE(f.snapshot(4, f.grid.rowCount() + 1), expected);
        QCOMPARE(f.current(), QPoint(expectedCol, expectedRow));
        QCOMPARE(f.grid.options(), runpad::kCellModeOptions);
        QCOMPARE(f.clicks, clicks);
    }

    void rowEditsNeedAFourthColumn_data() {
        QTest::addColumn<bool>("insert");
        QTest::newRow("insert row") << true;
        QTest::newRow("delete row") << false;
    }
    void rowEditsNeedAFourthColumn() {
        QFETCH(bool, insert);
        Fixture f;
        f.load(labelled(3, 4));
        f.place(false, 0, 2);

        const QString error = errorOf([&] {
            if (insert)
                f.editor.insertRow();
            else
                f.editor.deleteRow();
        });

        QCOMPARE(error, kOutOfRange);
        QCOMPARE(f.grid.rowCount(), 4);
        QCOMPARE(f.visible(), labelled(3, 4));
        QCOMPARE(f.current(), QPoint(0, 2));
        QCOMPARE(f.clicks, 0);
    }

    void moveRow_data() {
        QTest::addColumn<bool>("up");
        QTest::addColumn<bool>("editMode");
        QTest::addColumn<int>("startRow");
        QTest::addColumn<Table>("expected");
        QTest::addColumn<int>("expectedRow");
        QTest::addColumn<int>("clicks");

        const QStringList r0{"A0", "B0", "C0", "D0"};
        const QStringList r1{"A1", "B1", "C1", "D1"};
        const QStringList r2{"A2", "B2", "C2", "D2"};
        const QStringList r3{"A3", "B3", "C3", "D3"};
        const Table unchanged{r0, r1, r2, r3};
        QTest::newRow("up from row 2: column 0 stays")
            << true << false << 2
            << Table{r0, {"A1", "B2", "C2", "D2"}, {"A2", "B1", "C1", "D1"}, r3} << 1 << 1;
        QTest::newRow("up from the last row")
            << true << false << 3
            << Table{r0, r1, {"A2", "B3", "C3", "D3"}, {"A3", "B2", "C2", "D2"}} << 2 << 1;
        QTest::newRow("up from row 1 would reach the header")
            << true << false << 1 << unchanged << 1 << 0;
        QTest::newRow("up from the header row") << true << false << 0 << unchanged << 0 << 0;
        QTest::newRow("down from row 1: column 0 stays")
            << false << false << 1
            << Table{r0, {"A1", "B2", "C2", "D2"}, {"A2", "B1", "C1", "D1"}, r3} << 2 << 1;
        QTest::newRow("down from the last row") << false << false << 3 << unchanged << 3 << 0;
        QTest::newRow("down in edit mode")
            << false << true << 2
            << Table{r0, r1, {"A2", "B3", "C3", "D3"}, {"A3", "B2", "C2", "D2"}} << 3 << 1;
    }
    void moveRow() {
        QFETCH(bool, up);
        QFETCH(bool, editMode);
        QFETCH(int, startRow);
        QFETCH(Table, expected);
        QFETCH(int, expectedRow);
        QFETCH(int, clicks);
        Fixture f;
        f.load(labelled(4, 4));
        f.place(editMode, 2, startRow);
        const int startCol = f.grid.col();
        const GridOptions options = f.grid.options();

        if (up)
            f.editor.moveRowUp();
        else
            f.editor.moveRowDown();

        QCOMPARE(f.visible(), expected);
        QCOMPARE(f.current(), QPoint(startCol, expectedRow));
        QCOMPARE(f.clicks, clicks);
        QCOMPARE(f.grid.options(), options);
        if (clicks > 0) {
            // The handler runs after the move and sees the moved row.
            QCOMPARE(f.seenAt, QPoint(startCol, expectedRow));
            QCOMPARE(f.seenText, QStringLiteral("B%1").arg(startRow));
        }
    }

    void insertCol_data() {
        QTest::addColumn<bool>("editMode");
        QTest::addColumn<int>("startCol");
        QTest::addColumn<Table>("expected");

        QTest::newRow("edit mode, col 1") << true << 1
                                          << Table{{"A0", "", "B0", "C0", "D0"},
                                                   {"A1", "", "B1", "C1", "D1"},
                                                   {"A2", "", "B2", "C2", "D2"}};
        QTest::newRow("edit mode, last col") << true << 3
                                             << Table{{"A0", "B0", "C0", "", "D0"},
                                                      {"A1", "B1", "C1", "", "D1"},
                                                      {"A2", "B2", "C2", "", "D2"}};
        QTest::newRow("row-select, col 0") << false << 0
                                           << Table{{"", "A0", "B0", "C0", "D0"},
                                                    {"", "A1", "B1", "C1", "D1"},
                                                    {"", "A2", "B2", "C2", "D2"}};
    }
    void insertCol() {
        QFETCH(bool, editMode);
        QFETCH(int, startCol);
        QFETCH(Table, expected);
        Fixture f;
        f.load(labelled(4, 3));
        f.setWidths({10, 20, 30, 40});
        f.place(editMode, startCol, 1);
        const GridOptions options = f.grid.options();

        f.editor.insertCol();

        QCOMPARE(f.grid.colCount(), 5);
        QCOMPARE(f.grid.rowCount(), 3);
        QCOMPARE(f.visible(), expected);
        // Widths stay with their index; the new last column gets the default.
        QCOMPARE(f.widths(), (QList<int>{10, 20, 30, 40, 64}));
        QCOMPARE(f.current(), QPoint(startCol, 1));
        QCOMPARE(f.grid.options(), options);
        QCOMPARE(f.clicks, 0);
    }

    void deleteCol_data() {
        QTest::addColumn<bool>("editMode");
        QTest::addColumn<int>("colCount");
        QTest::addColumn<int>("startCol");
        // The visible columns after the delete, plus the first column beyond them.
        QTest::addColumn<Table>("expected");
        QTest::addColumn<int>("expectedCol");

        QTest::newRow("edit mode, middle column")
            << true << 4 << 1
            << Table{{"A0", "C0", "D0", ""}, {"A1", "C1", "D1", ""}, {"A2", "C2", "D2", ""}} << 1;
        QTest::newRow("edit mode, last column: current col clamps")
            << true << 4 << 3
            << Table{{"A0", "B0", "C0", ""}, {"A1", "B1", "C1", ""}, {"A2", "B2", "C2", ""}} << 2;
        QTest::newRow("row-select, column 0")
            << false << 4 << 0
            << Table{{"B0", "C0", "D0", ""}, {"B1", "C1", "D1", ""}, {"B2", "C2", "D2", ""}} << 0;
        QTest::newRow("three columns still shift")
            << true << 3 << 1 << Table{{"A0", "C0", ""}, {"A1", "C1", ""}, {"A2", "C2", ""}} << 1;
        QTest::newRow("two columns: column 1 emptied below the header")
            << true << 2 << 1 << Table{{"A0", "B0", "C0"}, {"A1", "", "C1"}, {"A2", "", "C2"}} << 1;
        QTest::newRow("one column: hidden column 1 emptied below the header")
            << false << 1 << 0 << Table{{"A0", "B0"}, {"A1", ""}, {"A2", ""}} << 0;
    }
    void deleteCol() {
        QFETCH(bool, editMode);
        QFETCH(int, colCount);
        QFETCH(int, startCol);
        QFETCH(Table, expected);
        QFETCH(int, expectedCol);
        Fixture f;
        f.load(labelled(4, 3));
        f.setWidths({10, 20, 30, 40});
        f.grid.setColCount(colCount);
        f.place(editMode, startCol, 1);
        const GridOptions options = f.grid.options();

        f.editor.deleteCol();

        QCOMPARE(f.grid.colCount(), int(expected.first().size()) - 1);
        QCOMPARE(f.snapshot(f.grid.colCount() + 1, 3), expected);
        QCOMPARE(f.widths(), (QList<int>{10, 20, 30, 40}).first(f.grid.colCount()));
        QCOMPARE(f.current(), QPoint(expectedCol, 1));
        QCOMPARE(f.grid.options(), options);
        QCOMPARE(f.clicks, 0);
    }

    void moveCol_data() {
        QTest::addColumn<bool>("left");
        QTest::addColumn<bool>("editMode");
        QTest::addColumn<int>("startCol");
        QTest::addColumn<QStringList>("expectedHeader");
        QTest::addColumn<QList<int>>("expectedWidths");
        QTest::addColumn<int>("expectedCol");
        QTest::addColumn<int>("clicks");

        const QStringList unchanged{"A", "B", "C", "D"};
        const QList<int> widths{10, 20, 30, 40};
        QTest::newRow("left from col 2") << true << true << 2 << QStringList{"A", "C", "B", "D"}
                                         << QList<int>{10, 30, 20, 40} << 1 << 1;
        QTest::newRow("left from the last col")
            << true << true << 3 << QStringList{"A", "B", "D", "C"} << QList<int>{10, 20, 40, 30}
            << 2 << 1;
        QTest::newRow("left from col 1 does nothing")
            << true << true << 1 << unchanged << widths << 1 << 0;
        QTest::newRow("right from col 1") << false << true << 1 << QStringList{"A", "C", "B", "D"}
                                          << QList<int>{10, 30, 20, 40} << 2 << 1;
        QTest::newRow("right from the last col does nothing")
            << false << true << 3 << unchanged << widths << 3 << 0;
        QTest::newRow("row-select, right: columns 0 and 1 swap, col stays 0")
            << false << false << 0 << QStringList{"B", "A", "C", "D"} << QList<int>{20, 10, 30, 40}
            << 0 << 1;
        QTest::newRow("row-select, left does nothing")
            << true << false << 0 << unchanged << widths << 0 << 0;
    }
    void moveCol() {
        QFETCH(bool, left);
        QFETCH(bool, editMode);
        QFETCH(int, startCol);
        QFETCH(QStringList, expectedHeader);
        QFETCH(QList<int>, expectedWidths);
        QFETCH(int, expectedCol);
        QFETCH(int, clicks);
        Fixture f;
        f.load(labelled(4, 3));
        f.setWidths({10, 20, 30, 40});
        f.place(editMode, startCol, 2);

        if (left)
            f.editor.moveColLeft();
        else
            f.editor.moveColRight();

        // Every row, the header included, follows the column order.
        Table expected;
        for (int r = 0; r < 3; ++r) {
            QStringList line;
            for (const QString& letter : expectedHeader)
                line << letter + QString::number(r);
            expected << line;
        }
        QCOMPARE(f.visible(), expected);
        QCOMPARE(f.widths(), expectedWidths);
        QCOMPARE(f.current(), QPoint(expectedCol, 2));
        QCOMPARE(f.clicks, clicks);
        if (clicks > 0)
            QCOMPARE(f.seenAt, QPoint(expectedCol, 2));
    }

    void toggleEdit_data() {
        QTest::addColumn<bool>("fromCellMode");
        QTest::addColumn<int>("toggles");
        QTest::addColumn<GridOptions>("expectedOptions");
        QTest::addColumn<int>("image");
        QTest::addColumn<bool>("modified");

        QTest::newRow("untouched") << false << 0 << runpad::kRowSelectModeOptions << 12 << false;
        QTest::newRow("row-select to edit mode") << false << 1 << kEditModeOptions << 13 << true;
        QTest::newRow("back to row-select keeps modified")
            << false << 2 << runpad::kRowSelectModeOptions << 12 << true;
        QTest::newRow("edit mode again") << false << 3 << kEditModeOptions << 13 << true;
        QTest::newRow("cell mode to row-select is not a modification")
            << true << 1 << GridOptions(runpad::kCellModeOptions | runpad::goRowSelect) << 12
            << false;
        QTest::newRow("cell mode, second press enters edit mode")
            << true << 2 << GridOptions(runpad::kCellModeOptions | runpad::goEditing) << 13 << true;
    }
    void toggleEdit() {
        QFETCH(bool, fromCellMode);
        QFETCH(int, toggles);
        QFETCH(GridOptions, expectedOptions);
        QFETCH(int, image);
        QFETCH(bool, modified);
        Fixture f;
        if (fromCellMode) {
            f.editor.insertRow();
            QCOMPARE(f.grid.options(), runpad::kCellModeOptions);
        }

        for (int i = 0; i < toggles; ++i)
            f.editor.toggleEdit();

        QCOMPARE(f.grid.options(), expectedOptions);
        QCOMPARE(f.editor.editImageIndex(), image);
        QCOMPARE(f.editor.tableModified(), modified);
    }

    void leavingEditModeHoldsColumnAtZero() {
        Fixture f;
        f.place(true, 2, 3);
        QCOMPARE(f.current(), QPoint(2, 3));

        f.editor.toggleEdit();

        QCOMPARE(f.current(), QPoint(0, 3));
        QCOMPARE(f.clicks, 0);
        QVERIFY(f.grid.hasOption(runpad::goRowSelect));
        QVERIFY(!f.grid.hasOption(runpad::goEditing));
    }

    void fitColumn_data() {
        QTest::addColumn<QStringList>("texts"); // column 1, from row 0; row 5 lies beyond
        QTest::addColumn<int>("expected");

        QTest::newRow("all empty") << QStringList{} << 64;
        QTest::newRow("short texts give the minimum") << QStringList{"", "abc", "12345678"} << 64;
        QTest::newRow("nine characters exceed the minimum") << QStringList{"", "123456789"} << 70;
        QTest::newRow("longest text decides")
            << QStringList{"", "abcdefghijklmno", "abcdefghij", "ab"} << 112;
        QTest::newRow("header row counts") << QStringList{QString(20, u'h'), "x"} << 147;
        QTest::newRow("last row counts") << QStringList{"", "", "", "", QString(11, u'z')} << 84;
        QTest::newRow("just below the cap") << QStringList{"", QString(56, u'w')} << 399;
        QTest::newRow("above the cap") << QStringList{"", QString(57, u'w')} << 400;
        QTest::newRow("very long") << QStringList{"", "a", QString(300, u'w')} << 400;
        QTest::newRow("long text beyond the last row is ignored")
            << QStringList{"", "ab", "", "", "", QString(40, u'w')} << 64;
    }
    void fitColumn() {
        QFETCH(QStringList, texts);
        QFETCH(int, expected);
        Fixture f;
        f.grid.setColWidth(1, 250); // fitting also shrinks
        for (int r = 0; r < texts.size(); ++r)
            f.grid.setCell(1, r, texts[r]);
        f.grid.setCell(0, 1, QString(80, u'n'));
        f.grid.setCell(2, 1, QString(80, u'n'));

        f.editor.fitColumn(1);

        QCOMPARE(f.widths(), (QList<int>{64, expected, 64, 64, 64}));
    }

    void fitAllColumnsSkipsColumnZero() {
        Fixture f;
        f.grid.setColCount(6);
        f.setWidths({10, 250, 30, 64, 64, 64});
        f.grid.setCell(0, 1, QString(30, u'n')); // would fit to 217
        f.grid.setCell(1, 2, QStringLiteral("ab"));
        f.grid.setCell(2, 0, QString(100, u'w'));
        f.grid.setCell(3, 4, QString(14, u'w'));
        f.grid.setCell(5, 3, QStringLiteral("123456789"));
        f.grid.setCell(6, 1, QString(30, u'w')); // beyond the columns

        f.editor.fitAllColumns();

        QCOMPARE(f.widths(), (QList<int>{10, 64, 400, 105, 64, 70}));
        QCOMPARE(f.grid.colCount(), 6);
    }
};

QTEST_GUILESS_MAIN(TestGridActions)
#include "tst_grid_actions.moc"
