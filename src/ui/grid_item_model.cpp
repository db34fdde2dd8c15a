#include "ui/grid_item_model.h"

#include "core/table/grid_model.h"

#include <QScopedValueRollback>

namespace runpad {

GridItemModel::GridItemModel(GridModel& grid, QObject* parent)
    : QAbstractTableModel(parent), grid_(grid), knownRows_(grid.rowCount() - grid.fixedRows()),
      knownCols_(grid.colCount()), knownFixed_(grid.fixedRows()) {
    connect(&grid_, &GridModel::cellChanged, this, &GridItemModel::onCellChanged);
    connect(&grid_, &GridModel::contentReset, this, &GridItemModel::onContentReset);
    connect(&grid_, &GridModel::countsChanged, this, &GridItemModel::onCountsChanged);
}

int GridItemModel::toGridRow(int viewRow) const {
    return viewRow + knownFixed_;
}
int GridItemModel::toViewRow(int gridRow) const {
    return gridRow - knownFixed_;
}

int GridItemModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : knownRows_;
}

int GridItemModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : knownCols_;
}

QVariant GridItemModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return grid_.cell(index.column(), toGridRow(index.row()));
}

bool GridItemModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    grid_.setCell(index.column(), toGridRow(index.row()), value.toString());
    return true;
}

QVariant GridItemModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || knownFixed_ == 0)
        return {};
    return grid_.cell(section, 0);
}

Qt::ItemFlags GridItemModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (grid_.hasOption(goEditing) && !grid_.hasOption(goRowSelect))
        f |= Qt::ItemIsEditable;
    return f;
}

void GridItemModel::onCellChanged(int col, int row) {
    if (row < knownFixed_) {
        emit headerDataChanged(Qt::Horizontal, col, col);
        return;
    }
    const int viewRow = toViewRow(row);
    if (col < knownCols_ && viewRow < knownRows_) {
        const QModelIndex i = index(viewRow, col);
        emit dataChanged(i, i, {Qt::DisplayRole, Qt::EditRole});
    }
}

void GridItemModel::onContentReset() {
    if (knownCols_ > 0)
        emit headerDataChanged(Qt::Horizontal, 0, knownCols_ - 1);
    if (knownRows_ > 0 && knownCols_ > 0)
        emit dataChanged(index(0, 0), index(knownRows_ - 1, knownCols_ - 1),
                         {Qt::DisplayRole, Qt::EditRole});
}

void GridItemModel::onCountsChanged() {
    const QScopedValueRollback adjusting(adjustingCounts_, true);
    if (grid_.fixedRows() != knownFixed_) {
        beginResetModel();
        knownFixed_ = grid_.fixedRows();
        knownRows_ = grid_.rowCount() - knownFixed_;
        knownCols_ = grid_.colCount();
        endResetModel();
        return;
    }
    const int rows = grid_.rowCount() - knownFixed_;
    if (rows > knownRows_) {
        beginInsertRows({}, knownRows_, rows - 1);
        knownRows_ = rows;
        endInsertRows();
    } else if (rows < knownRows_) {
        beginRemoveRows({}, rows, knownRows_ - 1);
        knownRows_ = rows;
        endRemoveRows();
    }
    const int cols = grid_.colCount();
    if (cols > knownCols_) {
        beginInsertColumns({}, knownCols_, cols - 1);
        knownCols_ = cols;
        endInsertColumns();
    } else if (cols < knownCols_) {
        beginRemoveColumns({}, cols, knownCols_ - 1);
        knownCols_ = cols;
        endRemoveColumns();
    }
}

} // namespace runpad
