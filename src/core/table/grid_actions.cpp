#include "core/table/grid_actions.h"

#include "core/table/table_columns.h"
#include <utility>

namespace runpad {

TableEditor::TableEditor(GridModel& grid, TextWidth textWidth)
    : grid_(grid), textWidth_(std::move(textWidth)) {}

void TableEditor::enterCellMode() {
    grid_.setCol(kDescriptionCol);
    grid_.setOptions(kCellModeOptions);
}

void TableEditor::swapCells(int colA, int rowA, int colB, int rowB) {
    const QString a = grid_.cell(colA, rowA);
    grid_.setCell(colA, rowA, grid_.cell(colB, rowB));
    grid_.setCell(colB, rowB, a);
}

void TableEditor::insertRow() {
    enterCellMode();
    GridModel::UpdateBatch batch(grid_);
    const int oldLast = grid_.rowCount() - 1;
    grid_.setRowCount(grid_.rowCount() + 1);
    const int cols = grid_.colCount();
    const int current = grid_.row();
    for (int r = oldLast; r >= current; --r)
        for (int c = 0; c < cols; ++c)
            grid_.setCell(c, r + 1, grid_.cell(c, r));
    for (int c = 0; c < cols; ++c)
        grid_.setCell(c, current, QString());
}

void TableEditor::deleteRow() {
    enterCellMode();
    if (grid_.rowCount() < 3)
        return;
    GridModel::UpdateBatch batch(grid_);
    const int cols = grid_.colCount();
    for (int r = grid_.row(); r < grid_.rowCount(); ++r)
        for (int c = 0; c < cols; ++c)
            grid_.setCell(c, r, grid_.cell(c, r + 1));
    grid_.setRowCount(grid_.rowCount() - 1);
}

void TableEditor::moveRowUp() {
    const int row = grid_.row();
    if (row <= 1)
        return;
    {
        GridModel::UpdateBatch batch(grid_);
        for (int c = 1; c < grid_.colCount(); ++c)
            swapCells(c, row, c, row - 1);
    }
    grid_.setRow(row - 1);
}

void TableEditor::moveRowDown() {
    const int row = grid_.row();
    if (row >= grid_.rowCount() - 1)
        return;
    {
        GridModel::UpdateBatch batch(grid_);
        for (int c = 1; c < grid_.colCount(); ++c)
            swapCells(c, row, c, row + 1);
    }
    grid_.setRow(row + 1);
}

void TableEditor::insertCol() {
    GridModel::UpdateBatch batch(grid_);
    const int oldLast = grid_.colCount() - 1;
    grid_.setColCount(grid_.colCount() + 1);
    const int rows = grid_.rowCount();
    const int current = grid_.col();
    for (int c = oldLast; c >= current; --c)
        for (int r = 0; r < rows; ++r)
            grid_.setCell(c + 1, r, grid_.cell(c, r));
    for (int r = 0; r < rows; ++r)
        grid_.setCell(current, r, QString());
}

void TableEditor::deleteCol() {
    GridModel::UpdateBatch batch(grid_);
    const int rows = grid_.rowCount();
    if (grid_.colCount() <= 2) {
        for (int r = 1; r < rows; ++r)
            grid_.setCell(kFunctionCol, r, QString());
        return;
    }
    for (int c = grid_.col(); c <= grid_.colCount() - 2; ++c)
        for (int r = 0; r < rows; ++r)
            grid_.setCell(c, r, grid_.cell(c + 1, r));
    const int last = grid_.colCount() - 1;
    for (int r = 0; r < rows; ++r)
        grid_.setCell(last, r, QString());
    grid_.setColCount(grid_.colCount() - 1);
}

void TableEditor::moveColLeft() {
    const int col = grid_.col();
    if (col <= 1)
        return;
    {
        GridModel::UpdateBatch batch(grid_);
        const int width = grid_.colWidth(col);
        grid_.setColWidth(col, grid_.colWidth(col - 1));
        grid_.setColWidth(col - 1, width);
        for (int r = 0; r < grid_.rowCount(); ++r)
            swapCells(col, r, col - 1, r);
    }
    grid_.setCol(col - 1);
}

void TableEditor::moveColRight() {
    const int col = grid_.col();
    if (col >= grid_.colCount() - 1)
        return;
    {
        GridModel::UpdateBatch batch(grid_);
        const int width = grid_.colWidth(col);
        grid_.setColWidth(col, grid_.colWidth(col + 1));
        grid_.setColWidth(col + 1, width);
        for (int r = 0; r < grid_.rowCount(); ++r)
            swapCells(col, r, col + 1, r);
    }
    grid_.setCol(col + 1);
}

void TableEditor::toggleEdit() {
    const GridOptions options = grid_.options();
    if (options & goRowSelect) {
        grid_.setOptions((options | goEditing) & ~GridOptions(goRowSelect));
        editImageIndex_ = kImageEditable;
        tableModified_ = true;
    } else {
        grid_.setOptions((options & ~GridOptions(goEditing)) | goRowSelect);
        editImageIndex_ = kImageNotEditable;
    }
}

void TableEditor::fitColumn(int col) {
    int width = kMinFitWidth;
    QString text; // reused for every row: no allocation per cell
    // Once a text reaches the cap, no other text can change the result.
    for (int r = 0; r < grid_.rowCount() && width < kMaxFitWidth; ++r) {
        text.resize(0);
        text.append(grid_.cellView(col, r));
        text.append(u'X');
        const int w = textWidth_(text);
        if (w > width)
            width = w;
    }
    if (width >= kMaxFitWidth)
        width = kMaxFitWidth;
    grid_.setColWidth(col, width);
}

void TableEditor::fitAllColumns() {
    for (int c = kFirstFittedCol; c < grid_.colCount(); ++c)
        fitColumn(c);
}

void TableEditor::takeFittedWidths(const GridModel& fitted) {
    for (int c = kFirstFittedCol; c < grid_.colCount() && c < fitted.colCount(); ++c)
        grid_.setColWidth(c, fitted.colWidth(c));
}

} // namespace runpad
