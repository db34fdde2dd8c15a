#pragma once

#include <QAbstractTableModel>

namespace runpad {

class GridModel;

// Shows a GridModel to Qt's item views. The fixed header row becomes the
// horizontal header; view row i is grid row i + fixed rows.
class GridItemModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit GridItemModel(GridModel& grid, QObject* parent = nullptr);

    GridModel& grid() const { return grid_; }
    int toGridRow(int viewRow) const;
    int toViewRow(int gridRow) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // True while the views are told about new counts. Qt moves their current
    // index off removed rows and columns then; that move is not the user's.
    bool adjustingCounts() const { return adjustingCounts_; }

private:
    void onCellChanged(int col, int row);
    void onContentReset();
    void onCountsChanged();

    GridModel& grid_;
    // Counts as the views last learned them, so that insert and remove
    // notifications can be given in Qt's order.
    int knownRows_ = 0;
    int knownCols_ = 0;
    int knownFixed_ = 0;
    bool adjustingCounts_ = false;
};

} // namespace runpad
