#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <map>
#include <utility>
#include <vector>

namespace runpad {

// Option flags of the command grid.
enum GridOption : unsigned {
    goFixedVertLine = 1u << 0,
    goFixedHorzLine = 1u << 1,
    goVertLine = 1u << 2,
    goHorzLine = 1u << 3,
    goRangeSelect = 1u << 4,
    goColSizing = 1u << 5,
    goRowMoving = 1u << 6,
    goEditing = 1u << 7,
    goRowSelect = 1u << 8,
    goFixedRowDefAlign = 1u << 9,
};
using GridOptions = unsigned;

inline constexpr GridOptions kRowSelectModeOptions = goFixedVertLine | goFixedHorzLine |
                                                     goVertLine | goHorzLine | goColSizing |
                                                     goRowSelect | goFixedRowDefAlign;
inline constexpr GridOptions kCellModeOptions = goFixedVertLine | goFixedHorzLine | goVertLine |
                                                goHorzLine | goRangeSelect | goColSizing |
                                                goRowMoving;

inline constexpr auto kGridIndexOutOfRange = "Grid index out of range";

// The command grid without any widget: a cell store that does not depend on
// the counts, the counts, the fixed header row, the current cell, the option
// flags and the column widths. Views observe it through its signals.
class GridModel : public QObject {
    Q_OBJECT
public:
    static constexpr int kDefaultColWidth = 64;
    static constexpr int kRowHeight = 24;
    static constexpr int kInitialCount = 5;

    explicit GridModel(QObject* parent = nullptr);

    // Reading or writing any cell never fails; cells outside the counts keep
    // their text.
    QString cell(int col, int row) const;
    // The stored text without touching its reference count, for scans over
    // many cells; valid until the cell is next written.
    QStringView cellView(int col, int row) const;
    void setCell(int col, int row, const QString& text);

    int colCount() const { return colCount_; }
    int rowCount() const { return rowCount_; }
    // Values below 1 become 1; a current cell outside the new counts moves to
    // the last row or column without click handling.
    void setColCount(int count);
    void setRowCount(int count);
    int fixedRows() const { return fixedRows_; }

    int col() const { return col_; }
    int row() const { return row_; }
    // A different value must lie inside the counts, else AppError "Grid index
    // out of range"; a valid one moves the cell and runs the click handling.
    void setCol(int col);
    void setRow(int row);
    // A click or keyboard move of the user. A click runs the click handling
    // even on the current cell; a keyboard move only when the cell changes.
    void selectByUser(int col, int row, bool isClick);

    GridOptions options() const { return options_; }
    bool hasOption(GridOption option) const { return (options_ & option) != 0; }
    // Switching goRowSelect on holds the current column at 0 (no click handling).
    void setOptions(GridOptions options);

    int colWidth(int col) const;
    // Fails with "Grid index out of range" for an index at or beyond colCount.
    void setColWidth(int col, int width);

    void setClickHandler(std::function<void()> handler) { clickHandler_ = std::move(handler); }

    // Takes over the cells and the row count of `filled`, a grid that started
    // in this grid's state and was filled elsewhere (a start reads its table
    // on another thread while the window is being built). Reported as one
    // update batch; `filled` is left empty.
    void takeRows(GridModel& filled);

    // While an update batch is open, cell changes are collected and reported
    // once as contentReset when the outermost batch closes; count changes
    // likewise, as one countsChanged and currentChanged before it.
    class UpdateBatch {
    public:
        explicit UpdateBatch(GridModel& grid);
        ~UpdateBatch();
        UpdateBatch(const UpdateBatch&) = delete;
        UpdateBatch& operator=(const UpdateBatch&) = delete;

    private:
        GridModel& grid_;
    };

signals:
    void cellChanged(int col, int row);
    void contentReset();
    void countsChanged();
    void currentChanged();
    void optionsChanged();
    void colWidthChanged(int col);

private:
    void moveCurrent(int col, int row, bool runClick);
    void runClickHandling();
    void requireIndex(int value, int count) const;
    void reportCounts();

    std::vector<std::vector<QString>> rows_;
    std::map<std::pair<int, int>, QString> negativeCells_;
    std::vector<int> colWidths_;
    int colCount_ = kInitialCount;
    int rowCount_ = kInitialCount;
    int fixedRows_ = 1;
    int col_ = 0;
    int row_ = 1;
    GridOptions options_ = kRowSelectModeOptions;
    std::function<void()> clickHandler_;
    int batchDepth_ = 0;
    bool batchChanged_ = false;
    bool batchCounts_ = false;
};

} // namespace runpad
