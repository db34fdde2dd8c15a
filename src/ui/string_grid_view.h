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

    // Paints every cell, the header row included; without a handler the
    // toolkit's default look is used.
    using DrawCellHandler = std::function<void(QPainter&, int col, int row, const QRect&)>;
    void setDrawCellHandler(DrawCellHandler handler) { drawCellHandler_ = std::move(handler); }
    const DrawCellHandler& drawCellHandler() const { return drawCellHandler_; }

    // Mouse moves over the grid, header row included, in the grid's client
    // coordinates (the header row starts at y = 0).
    void setMouseMoveHandler(std::function<void(int x, int y)> handler) {
        mouseMoveHandler_ = std::move(handler);
    }
    void setDoubleClickHandler(std::function<void()> handler) {
        doubleClickHandler_ = std::move(handler);
    }

    // The cell under a point in client coordinates; -1, -1 on no cell.
    void mouseToCell(int x, int y, int& col, int& row) const;
    void reportMouseMove(const QPoint& clientPos);

    // The grid's hint, shown as a tooltip while the mouse rests over it.
    const QString& hint() const { return hint_; }
    void setHint(const QString& hint) { hint_ = hint; }
    QColor gridLineColor() const;

protected:
    bool viewportEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
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
    DrawCellHandler drawCellHandler_;
    std::function<void(int, int)> mouseMoveHandler_;
    std::function<void()> doubleClickHandler_;
    QString hint_;
    bool syncing_ = false;
    bool applyingWidths_ = false;
    bool pressing_ = false;
    bool pressMovedCurrent_ = false;
};

} // namespace runpad
