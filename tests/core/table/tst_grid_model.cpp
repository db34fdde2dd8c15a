#include "core/common/app_error.h"
#include "core/table/grid_model.h"
#include "grid_test_support.h"

#include <QPoint>
#include <QSignalSpy>
#include <QtTest>

#include <functional>
#include <memory>
#include <vector>

using runpad::GridModel;
using runpad::GridOptions;

using runpad::testing::errorOf;
using runpad::testing::kOutOfRange;

namespace {

// A grid whose click handling is counted and records where the current cell
// was at the moment it ran.
struct ClickedGrid {
    GridModel grid;
    int clicks = 0;
    QPoint seenAtClick{-1, -1};

    ClickedGrid() {
        grid.setClickHandler([this] {
            ++clicks;
            seenAtClick = QPoint(grid.col(), grid.row());
        });
    }
    QPoint current() const { return QPoint(grid.col(), grid.row()); }
};

enum class Axis { Col, Row };

void setIndex(GridModel& grid, Axis axis, int value) {
    if (axis == Axis::Col)
        grid.setCol(value);
    else
        grid.setRow(value);
}

} // namespace

Q_DECLARE_METATYPE(Axis)

class TestGridModel : public QObject {
    Q_OBJECT

private slots:
    void initialState() {
        const GridModel grid;
        QCOMPARE(grid.colCount(), 5);
        QCOMPARE(grid.rowCount(), 5);
        QCOMPARE(grid.fixedRows(), 1);
        QCOMPARE(grid.col(), 0);
        QCOMPARE(grid.row(), 1);
        QCOMPARE(grid.options(), runpad::kRowSelectModeOptions);
        for (int c = 0; c < grid.colCount(); ++c)
            QCOMPARE(grid.colWidth(c), 64);
    }

    void cellsAreIndependent_data() {
        QTest::addColumn<int>("col");
        QTest::addColumn<int>("row");
        QTest::newRow("data cell") << 2 << 3;
        QTest::newRow("header cell") << 1 << 0;
        QTest::newRow("origin") << 0 << 0;
        QTest::newRow("beyond both counts") << 7 << 9;
        QTest::newRow("far beyond the counts") << 1000 << 50;
        QTest::newRow("negative column") << -1 << 2;
        QTest::newRow("negative row") << 3 << -4;
        QTest::newRow("both negative") << -2 << -3;
        QTest::newRow("negative column, row 0") << -1 << 0;
    }
    void cellsAreIndependent() {
        QFETCH(int, col);
        QFETCH(int, row);
        GridModel grid;
        QVERIFY(grid.cell(col, row).isEmpty());

        grid.setCell(col, row, QStringLiteral("text"));
        QCOMPARE(grid.cell(col, row), QStringLiteral("text"));
        // Neighbours, the transposed cell and the mirrored cells stay empty.
        const QList<QPoint> others{{col + 1, row}, {col - 1, row}, {col, row + 1}, {col, row - 1},
                                   {row, col},     {-col, row},    {col, -row}};
        for (const QPoint& other : others) {
            if (other != QPoint(col, row))
                QVERIFY2(grid.cell(other.x(), other.y()).isEmpty(),
                         qPrintable(QStringLiteral("cell %1,%2").arg(other.x()).arg(other.y())));
        }
        QCOMPARE(grid.colCount(), 5);
        QCOMPARE(grid.rowCount(), 5);

        grid.setCell(col, row, QStringLiteral("other"));
        QCOMPARE(grid.cell(col, row), QStringLiteral("other"));
        grid.setCell(col, row, QString());
        QVERIFY(grid.cell(col, row).isEmpty());
    }

    void takeRowsMovesCellsAndCountInOneReport() {
        GridModel grid;
        grid.setCell(1, 1, "replaced");
        GridModel filled;
        filled.setRowCount(9);
        filled.setCell(2, 8, "last");
        filled.setCell(-1, 3, "outside");
        QSignalSpy counts(&grid, &GridModel::countsChanged);
        QSignalSpy reset(&grid, &GridModel::contentReset);
        QSignalSpy cells(&grid, &GridModel::cellChanged);
        grid.takeRows(filled);
        QCOMPARE(grid.rowCount(), 9);
        QCOMPARE(grid.cell(2, 8), QString("last"));
        QCOMPARE(grid.cell(-1, 3), QString("outside"));
        QCOMPARE(grid.cell(1, 1), QString()); // the grid's own cells are gone
        QCOMPARE(counts.count(), 1);
        QCOMPARE(reset.count(), 1);
        QCOMPARE(cells.count(), 0);
        QCOMPARE(filled.cell(2, 8), QString());
    }

    void countsHideCellsWithoutErasingThem() {
        GridModel grid;
        grid.setCell(4, 4, QStringLiteral("corner"));
        grid.setCell(2, 4, QStringLiteral("bottom"));
        grid.setCell(4, 2, QStringLiteral("right"));

        grid.setRowCount(3);
        grid.setColCount(3);
        QCOMPARE(grid.cell(4, 4), QStringLiteral("corner"));
        QCOMPARE(grid.cell(2, 4), QStringLiteral("bottom"));
        QCOMPARE(grid.cell(4, 2), QStringLiteral("right"));

        // Written while hidden, shown once the counts reach it.
        grid.setCell(6, 6, QStringLiteral("later"));
        grid.setRowCount(7);
        grid.setColCount(7);
        QCOMPARE(grid.cell(4, 4), QStringLiteral("corner"));
        QCOMPARE(grid.cell(2, 4), QStringLiteral("bottom"));
        QCOMPARE(grid.cell(4, 2), QStringLiteral("right"));
        QCOMPARE(grid.cell(6, 6), QStringLiteral("later"));
        QVERIFY(grid.cell(5, 5).isEmpty());
    }

    void countsHaveAMinimumOfOne_data() {
        QTest::addColumn<int>("requested");
        QTest::addColumn<int>("expected");
        QTest::newRow("zero becomes one") << 0 << 1;
        QTest::newRow("negative becomes one") << -5 << 1;
        QTest::newRow("one stays") << 1 << 1;
        QTest::newRow("two stays") << 2 << 2;
        QTest::newRow("larger stays") << 12 << 12;
    }
    void countsHaveAMinimumOfOne() {
        QFETCH(int, requested);
        QFETCH(int, expected);
        GridModel grid;
        grid.setColCount(requested);
        grid.setRowCount(requested);
        QCOMPARE(grid.colCount(), expected);
        QCOMPARE(grid.rowCount(), expected);
    }

    void fixedRows_data() {
        QTest::addColumn<QList<int>>("rowCounts");
        QTest::addColumn<int>("expected");
        QTest::newRow("two rows keep the header") << QList<int>{2} << 1;
        QTest::newRow("one row drops the header") << QList<int>{1} << 0;
        QTest::newRow("zero rows drops the header") << QList<int>{0} << 0;
        QTest::newRow("raising again does not restore it") << QList<int>{1, 5} << 0;
        QTest::newRow("raising first changes nothing") << QList<int>{20, 2} << 1;
    }
    void fixedRows() {
        QFETCH(QList<int>, rowCounts);
        QFETCH(int, expected);
        GridModel grid;
        for (int count : rowCounts)
            grid.setRowCount(count);
        QCOMPARE(grid.fixedRows(), expected);
    }

    void setColAndRow_data() {
        QTest::addColumn<GridOptions>("options");
        QTest::addColumn<Axis>("axis");
        QTest::addColumn<int>("value");
        QTest::addColumn<QPoint>("expected");
        QTest::addColumn<int>("clicks");

        const GridOptions cell = runpad::kCellModeOptions;
        const GridOptions rowSelect = runpad::kRowSelectModeOptions;
        // Every row starts at col 0, row 1.
        QTest::newRow("row to another row") << cell << Axis::Row << 3 << QPoint(0, 3) << 1;
        QTest::newRow("row to the header row") << cell << Axis::Row << 0 << QPoint(0, 0) << 1;
        QTest::newRow("row to the last row") << cell << Axis::Row << 4 << QPoint(0, 4) << 1;
        QTest::newRow("col to another col") << cell << Axis::Col << 2 << QPoint(2, 1) << 1;
        QTest::newRow("col to the last col") << cell << Axis::Col << 4 << QPoint(4, 1) << 1;
        QTest::newRow("current row is a no-op") << cell << Axis::Row << 1 << QPoint(0, 1) << 0;
        QTest::newRow("current col is a no-op") << cell << Axis::Col << 0 << QPoint(0, 1) << 0;
        QTest::newRow("row-select: col held at 0, click still runs")
            << rowSelect << Axis::Col << 3 << QPoint(0, 1) << 1;
        QTest::newRow("row-select: row moves") << rowSelect << Axis::Row << 2 << QPoint(0, 2) << 1;
        QTest::newRow("row-select: col 0 is a no-op")
            << rowSelect << Axis::Col << 0 << QPoint(0, 1) << 0;
    }
    void setColAndRow() {
        QFETCH(GridOptions, options);
        QFETCH(Axis, axis);
        QFETCH(int, value);
        QFETCH(QPoint, expected);
        QFETCH(int, clicks);
        ClickedGrid f;
        f.grid.setOptions(options);
        QSignalSpy moved(&f.grid, &GridModel::currentChanged);

        setIndex(f.grid, axis, value);

        QCOMPARE(f.current(), expected);
        QCOMPARE(f.clicks, clicks);
        if (clicks > 0)
            QCOMPARE(f.seenAtClick, expected); // the handler sees where the cell went
        QCOMPARE(moved.isEmpty(), expected == QPoint(0, 1));
    }

    void setColAndRowOutOfRange_data() {
        QTest::addColumn<GridOptions>("options");
        QTest::addColumn<Axis>("axis");
        QTest::addColumn<int>("value");

        const GridOptions cell = runpad::kCellModeOptions;
        const GridOptions rowSelect = runpad::kRowSelectModeOptions;
        QTest::newRow("negative row") << cell << Axis::Row << -1;
        QTest::newRow("row equal to the count") << cell << Axis::Row << 5;
        QTest::newRow("row far beyond the count") << cell << Axis::Row << 100;
        QTest::newRow("negative col") << cell << Axis::Col << -1;
        QTest::newRow("col equal to the count") << cell << Axis::Col << 5;
        QTest::newRow("row-select: col equal to the count") << rowSelect << Axis::Col << 5;
        QTest::newRow("row-select: negative col") << rowSelect << Axis::Col << -1;
        QTest::newRow("row-select: row equal to the count") << rowSelect << Axis::Row << 5;
    }
    void setColAndRowOutOfRange() {
        QFETCH(GridOptions, options);
        QFETCH(Axis, axis);
        QFETCH(int, value);
        ClickedGrid f;
        f.grid.setOptions(options);
        QSignalSpy moved(&f.grid, &GridModel::currentChanged);

        QCOMPARE(errorOf([&] { setIndex(f.grid, axis, value); }), kOutOfRange);

        QCOMPARE(f.current(), QPoint(0, 1));
        QCOMPARE(f.clicks, 0);
        QVERIFY(moved.isEmpty());
    }

    void indexLimitFollowsLoweredCounts() {
        ClickedGrid f;
        f.grid.setOptions(runpad::kCellModeOptions);
        f.grid.setColCount(3);
        f.grid.setRowCount(3);
        QCOMPARE(errorOf([&] { f.grid.setCol(3); }), kOutOfRange);
        QCOMPARE(errorOf([&] { f.grid.setRow(3); }), kOutOfRange);
        QCOMPARE(f.clicks, 0);
        f.grid.setColCount(9);
        f.grid.setCol(8);
        QCOMPARE(f.grid.col(), 8);
        QCOMPARE(f.clicks, 1);
    }

    void setOptionsHoldsColumn_data() {
        QTest::addColumn<GridOptions>("newOptions");
        QTest::addColumn<int>("expectedCol");
        QTest::newRow("row select switched on") << runpad::kRowSelectModeOptions << 0;
        QTest::newRow("other flags leave the column")
            << GridOptions(runpad::kCellModeOptions | runpad::goEditing) << 3;
        QTest::newRow("row select alone") << GridOptions(runpad::goRowSelect) << 0;
    }
    void setOptionsHoldsColumn() {
        QFETCH(GridOptions, newOptions);
        QFETCH(int, expectedCol);
        ClickedGrid f;
        f.grid.setOptions(runpad::kCellModeOptions);
        f.grid.setCol(3);
        f.grid.setRow(2);
        f.clicks = 0;
        QSignalSpy moved(&f.grid, &GridModel::currentChanged);

        f.grid.setOptions(newOptions);

        QCOMPARE(f.grid.options(), newOptions);
        QCOMPARE(f.current(), QPoint(expectedCol, 2));
        QCOMPARE(f.clicks, 0);
        QCOMPARE(moved.isEmpty(), expectedCol == 3);
    }

    void countsMoveCurrentInside_data() {
        QTest::addColumn<QPoint>("start");
        QTest::addColumn<int>("colCount");
        QTest::addColumn<int>("rowCount");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("row beyond goes to last row") << QPoint(2, 4) << 5 << 3 << QPoint(2, 2);
        QTest::newRow("col beyond goes to last col") << QPoint(4, 2) << 2 << 5 << QPoint(1, 2);
        QTest::newRow("both beyond") << QPoint(4, 4) << 2 << 2 << QPoint(1, 1);
        QTest::newRow("last row itself stays") << QPoint(1, 2) << 5 << 3 << QPoint(1, 2);
        QTest::newRow("single row puts it into row 0") << QPoint(0, 3) << 5 << 1 << QPoint(0, 0);
        QTest::newRow("zero cols puts it into col 0") << QPoint(3, 1) << 0 << 5 << QPoint(0, 1);
        QTest::newRow("raising counts does not move") << QPoint(2, 3) << 9 << 9 << QPoint(2, 3);
    }
    void countsMoveCurrentInside() {
        QFETCH(QPoint, start);
        QFETCH(int, colCount);
        QFETCH(int, rowCount);
        QFETCH(QPoint, expected);
        ClickedGrid f;
        f.grid.setOptions(runpad::kCellModeOptions);
        f.grid.setCol(start.x());
        f.grid.setRow(start.y());
        f.grid.setCell(start.x(), start.y(), QStringLiteral("here"));
        f.clicks = 0;

        f.grid.setColCount(colCount);
        f.grid.setRowCount(rowCount);

        QCOMPARE(f.current(), expected);
        QCOMPARE(f.clicks, 0);
        QCOMPARE(f.grid.cell(start.x(), start.y()), QStringLiteral("here"));
        if (expected != start)
            QVERIFY(f.grid.cell(expected.x(), expected.y()).isEmpty());
    }

    void setColWidth_data() {
        QTest::addColumn<int>("colCount");
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("fails");
        QTest::newRow("first column") << 5 << 0 << false;
        QTest::newRow("last column") << 5 << 4 << false;
        QTest::newRow("index equal to the count") << 5 << 5 << true;
        QTest::newRow("index beyond the count") << 5 << 9 << true;
        QTest::newRow("index hidden by a lowered count") << 3 << 3 << true;
        QTest::newRow("index inside a raised count") << 8 << 7 << false;
    }
    void setColWidth() {
        QFETCH(int, colCount);
        QFETCH(int, index);
        QFETCH(bool, fails);
        GridModel grid;
        grid.setColCount(colCount);

        const QString error = errorOf([&] { grid.setColWidth(index, 150); });

        if (fails) {
            QCOMPARE(error, kOutOfRange);
            for (int c = 0; c < colCount; ++c)
                QCOMPARE(grid.colWidth(c), 64);
        } else {
            QVERIFY2(error.isNull(), qPrintable(error));
            QCOMPARE(grid.colWidth(index), 150);
            for (int c = 0; c < colCount; ++c) {
                if (c != index)
                    QCOMPARE(grid.colWidth(c), 64);
            }
        }
    }

    void selectByUser_data() {
        QTest::addColumn<GridOptions>("options");
        QTest::addColumn<QPoint>("target");
        QTest::addColumn<bool>("isClick");
        QTest::addColumn<QPoint>("expected");
        QTest::addColumn<int>("clicks");

        const GridOptions cell = runpad::kCellModeOptions;
        const GridOptions rowSelect = runpad::kRowSelectModeOptions;
        // Every row starts at col 2, row 2 (col 0 in row-select mode).
        QTest::newRow("click on the current cell")
            << cell << QPoint(2, 2) << true << QPoint(2, 2) << 1;
        QTest::newRow("keyboard onto the current cell")
            << cell << QPoint(2, 2) << false << QPoint(2, 2) << 0;
        QTest::newRow("click on another cell") << cell << QPoint(3, 4) << true << QPoint(3, 4) << 1;
        QTest::newRow("keyboard onto another cell")
            << cell << QPoint(1, 3) << false << QPoint(1, 3) << 1;
        QTest::newRow("keyboard onto another column of the same row")
            << cell << QPoint(4, 2) << false << QPoint(4, 2) << 1;
        QTest::newRow("row-select: click on another column of the current row")
            << rowSelect << QPoint(3, 2) << true << QPoint(0, 2) << 1;
        QTest::newRow("row-select: keyboard to another column of the current row")
            << rowSelect << QPoint(3, 2) << false << QPoint(0, 2) << 0;
        QTest::newRow("row-select: keyboard to another row")
            << rowSelect << QPoint(3, 4) << false << QPoint(0, 4) << 1;
        QTest::newRow("row-select: click on another row")
            << rowSelect << QPoint(1, 0) << true << QPoint(0, 0) << 1;
    }
    void selectByUser() {
        QFETCH(GridOptions, options);
        QFETCH(QPoint, target);
        QFETCH(bool, isClick);
        QFETCH(QPoint, expected);
        QFETCH(int, clicks);
        ClickedGrid f;
        f.grid.setOptions(options);
        f.grid.setCol(2);
        f.grid.setRow(2);
        f.clicks = 0;

        f.grid.selectByUser(target.x(), target.y(), isClick);

        QCOMPARE(f.current(), expected);
        QCOMPARE(f.clicks, clicks);
        if (clicks > 0)
            QCOMPARE(f.seenAtClick, expected);
    }

    void cellChangedOutsideBatch() {
        GridModel grid;
        QSignalSpy changed(&grid, &GridModel::cellChanged);
        QSignalSpy reset(&grid, &GridModel::contentReset);

        grid.setCell(1, 2, QStringLiteral("a"));
        grid.setCell(3, 0, QStringLiteral("b"));

        QCOMPARE(changed.count(), 2);
        QCOMPARE(changed.at(0), (QList<QVariant>{1, 2}));
        QCOMPARE(changed.at(1), (QList<QVariant>{3, 0}));
        QVERIFY(reset.isEmpty());
    }

    void batchReportsOnceWhenOutermostCloses_data() {
        QTest::addColumn<int>("depth");
        QTest::addColumn<int>("writes");
        QTest::addColumn<int>("resets");
        QTest::newRow("single batch with changes") << 1 << 3 << 1;
        QTest::newRow("nested batches report once") << 3 << 3 << 1;
        QTest::newRow("batch without changes stays silent") << 1 << 0 << 0;
        QTest::newRow("nested batches without changes stay silent") << 2 << 0 << 0;
    }
    void batchReportsOnceWhenOutermostCloses() {
        QFETCH(int, depth);
        QFETCH(int, writes);
        QFETCH(int, resets);
        GridModel grid;
        QSignalSpy changed(&grid, &GridModel::cellChanged);
        QSignalSpy reset(&grid, &GridModel::contentReset);

        std::vector<std::unique_ptr<GridModel::UpdateBatch>> batches;
        for (int i = 0; i < depth; ++i)
            batches.push_back(std::make_unique<GridModel::UpdateBatch>(grid));
        for (int i = 0; i < writes; ++i)
            grid.setCell(i, i + 1, QStringLiteral("w%1").arg(i));
        // Writes apply at once; only the report waits.
        for (int i = 0; i < writes; ++i)
            QCOMPARE(grid.cell(i, i + 1), QStringLiteral("w%1").arg(i));
        while (batches.size() > 1) {
            batches.pop_back();
            QVERIFY(reset.isEmpty());
        }
        batches.clear();

        QVERIFY(changed.isEmpty());
        QCOMPARE(reset.count(), resets);
    }

    void batchStateIsClearedWhenClosed() {
        GridModel grid;
        {
            GridModel::UpdateBatch batch(grid);
            grid.setCell(1, 1, QStringLiteral("x"));
        }
        QSignalSpy changed(&grid, &GridModel::cellChanged);
        QSignalSpy reset(&grid, &GridModel::contentReset);

        { GridModel::UpdateBatch quiet(grid); }
        QVERIFY(reset.isEmpty());

        grid.setCell(2, 2, QStringLiteral("y"));
        QCOMPARE(changed.count(), 1);
        QVERIFY(reset.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestGridModel)
#include "tst_grid_model.moc"
