#pragma once

#include <QTableView>
#include <functional>

namespace runpad {

class ErrorReporter;
class GridModel;
class GridItemModel;

// The command grid on screen. It shows a GridModel and keeps no idea of the
// current cell of its own: user moves go to the model, and the model's current
// cell is mirrored back into the view.
class StringGridView : public QTableView {
    Q_OBJECT
public:
    // Errors raised by the click handling of a user's move are shown by
    // errors, so they never unwind through the toolkit.
    StringGridView(GridModel& grid, const ErrorReporter& errors, QWidget* parent = nullptr);

    GridModel& grid() const { return grid_; }
    GridItemModel* itemModel() const { return itemModel_; }
    // Index of the grid cell (col, row), invalid for the header row.
    QModelIndex indexOfCell(int col, int row) const;

    // Runs on every change of a cell's text made in the in-place editor.
    void setEditTextHandler(std::function<void(int col, int row, const QString&)> handler) {
        editTextHandler_ = std::move(handler);
    }
    void cellTextEdited(int col, int row, const QString& text);

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void applyOptions();
    void applyColumnWidths();
    void applyColumnWidth(int col);
    void syncCurrentFromModel();

    GridModel& grid_;
    const ErrorReporter& errors_;
    GridItemModel* itemModel_;
    std::function<void(int, int, const QString&)> editTextHandler_;
    bool syncing_ = false;
    bool applyingWidths_ = false;
    bool pressing_ = false;
    bool pressMovedCurrent_ = false;
};

} // namespace runpad
