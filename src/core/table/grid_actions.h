#pragma once

#include "core/table/grid_model.h"

#include <QString>
#include <functional>

namespace runpad {

// The editing operations of the command table: row and column moves, the
// edit toggle and width fitting. Owns TableModified, which tells the closing
// sequence whether the table must be saved.
class TableEditor {
public:
    using TextWidth = std::function<int(const QString&)>;

    static constexpr int kImageEditable = 13;
    static constexpr int kImageNotEditable = 12;
    static constexpr int kMinFitWidth = 64;
    static constexpr int kMaxFitWidth = 400;
    // Fitting all columns leaves the row numbers' column as it is.
    static constexpr int kFirstFittedCol = 1;

    // textWidth measures a text in pixels with the font of the command rows.
    TableEditor(GridModel& grid, TextWidth textWidth);

    void insertRow();
    void deleteRow();
    void moveRowUp();
    void moveRowDown();
    void insertCol();
    void deleteCol();
    void moveColLeft();
    void moveColRight();
    void toggleEdit();
    void fitColumn(int col);
    void fitAllColumns();
    // The widths fitAllColumns gave the same table in another grid.
    void takeFittedWidths(const GridModel& fitted);

    // True once edit mode has been entered during this run; never reset.
    bool tableModified() const { return tableModified_; }
    // Image of the edit toggle: 12 while the table is not editable, 13 while it is.
    int editImageIndex() const { return editImageIndex_; }

private:
    void enterCellMode();
    void swapCells(int colA, int rowA, int colB, int rowB);

    GridModel& grid_;
    TextWidth textWidth_;
    bool tableModified_ = false;
    int editImageIndex_ = kImageNotEditable;
};

} // namespace runpad
