#include "core/table/grid_model.h"

#include "core/common/app_error.h"

#include <algorithm>

namespace runpad {

GridModel::GridModel(QObject* parent)
    : QObject(parent), colWidths_(kInitialCount, kDefaultColWidth) {}

QString GridModel::cell(int col, int row) const {
    if (col < 0 || row < 0) {
        auto it = negativeCells_.find({col, row});
        return it == negativeCells_.end() ? QString() : it->second;
    }
    if (static_cast<size_t>(row) >= rows_.size())
        return {};
    const auto& r = rows_[static_cast<size_t>(row)];
    if (static_cast<size_t>(col) >= r.size())
        return {};
    return r[static_cast<size_t>(col)];
}

QStringView GridModel::cellView(int col, int row) const {
    if (col < 0 || row < 0 || static_cast<size_t>(row) >= rows_.size())
        return {};
    const auto& r = rows_[static_cast<size_t>(row)];
    if (static_cast<size_t>(col) >= r.size())
        return {};
    return r[static_cast<size_t>(col)];
}

void GridModel::setCell(int col, int row, const QString& text) {
    if (col < 0 || row < 0) {
        negativeCells_[{col, row}] = text;
        return;
    }
    const auto r = static_cast<size_t>(row);
    const auto c = static_cast<size_t>(col);
    if (r >= rows_.size()) {
        if (text.isEmpty())
            return; // a cell never written already reads as empty
        rows_.resize(r + 1);
    }
    auto& cells = rows_[r];
    if (c >= cells.size()) {
        if (text.isEmpty())
            return;
        cells.resize(std::max<size_t>(c + 1, kInitialCount));
    }
    if (cells[c] == text)
        return;
    cells[c] = text;
    if (batchDepth_ > 0)
        batchChanged_ = true;
    else
        emit cellChanged(col, row);
}

void GridModel::setColCount(int count) {
    count = std::max(count, 1);
    if (count == colCount_)
        return;
    colCount_ = count;
    colWidths_.resize(static_cast<size_t>(count), kDefaultColWidth);
    if (col_ >= colCount_)
        col_ = colCount_ - 1;
    reportCounts();
}

void GridModel::takeRows(GridModel& filled) {
    UpdateBatch batch(*this);
    rows_ = std::move(filled.rows_);
    filled.rows_.clear();
    negativeCells_ = std::move(filled.negativeCells_);
    filled.negativeCells_.clear();
    batchChanged_ = true;
    setRowCount(filled.rowCount_);
}

void GridModel::setRowCount(int count) {
    count = std::max(count, 1);
    if (count == rowCount_)
        return;
    rowCount_ = count;
    if (rowCount_ <= fixedRows_)
        fixedRows_ = rowCount_ - 1; // stays lowered for good
    if (row_ >= rowCount_)
        row_ = rowCount_ - 1;
    reportCounts();
}

void GridModel::reportCounts() {
    // A batch that grows the table step by step reports the counts once.
    if (batchDepth_ > 0) {
        batchCounts_ = true;
        return;
    }
    emit countsChanged();
    emit currentChanged();
}

void GridModel::requireIndex(int value, int count) const {
    if (value < 0 || value >= count)
        throw AppError(QString::fromLatin1(kGridIndexOutOfRange));
}

void GridModel::setCol(int col) {
    if (col == col_)
        return;
    requireIndex(col, colCount_);
    moveCurrent(col, row_, true);
}

void GridModel::setRow(int row) {
    if (row == row_)
        return;
    requireIndex(row, rowCount_);
    moveCurrent(col_, row, true);
}

void GridModel::selectByUser(int col, int row, bool isClick) {
    requireIndex(col, colCount_);
    requireIndex(row, rowCount_);
    if (hasOption(goRowSelect))
        col = 0;
    const bool changed = col != col_ || row != row_;
    if (!changed && !isClick)
        return;
    moveCurrent(col, row, true);
}

void GridModel::moveCurrent(int col, int row, bool runClick) {
    if (hasOption(goRowSelect))
        col = 0;
    if (col != col_ || row != row_) {
        col_ = col;
        row_ = row;
        emit currentChanged();
    }
    if (runClick)
        runClickHandling();
}

void GridModel::runClickHandling() {
    if (clickHandler_)
        clickHandler_();
}

void GridModel::setOptions(GridOptions options) {
    if (options == options_)
        return;
    const bool rowSelectOn = (options & goRowSelect) && !(options_ & goRowSelect);
    options_ = options;
    if (rowSelectOn && col_ != 0) {
        col_ = 0;
        emit currentChanged();
    }
    emit optionsChanged();
}

int GridModel::colWidth(int col) const {
    if (col < 0 || static_cast<size_t>(col) >= colWidths_.size())
        return kDefaultColWidth;
    return colWidths_[static_cast<size_t>(col)];
}

void GridModel::setColWidth(int col, int width) {
    requireIndex(col, colCount_);
    auto& slot = colWidths_[static_cast<size_t>(col)];
    if (slot == width)
        return;
    slot = width;
    emit colWidthChanged(col);
}

GridModel::UpdateBatch::UpdateBatch(GridModel& grid) : grid_(grid) {
    ++grid_.batchDepth_;
}

GridModel::UpdateBatch::~UpdateBatch() {
    if (--grid_.batchDepth_ == 0 && grid_.batchCounts_) {
        grid_.batchCounts_ = false;
        emit grid_.countsChanged();
        emit grid_.currentChanged();
    }
    if (grid_.batchDepth_ == 0 && grid_.batchChanged_) {
        grid_.batchChanged_ = false;
        emit grid_.contentReset();
    }
}

} // namespace runpad
