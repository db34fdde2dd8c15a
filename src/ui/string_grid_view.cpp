#include "ui/string_grid_view.h"

#include "core/table/grid_model.h"
#include "ui/error_display.h"
#include "ui/grid_item_model.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QToolTip>

namespace runpad {

namespace {

// In-place editor that writes every keystroke into the cell at once.
class CellEditorDelegate : public QStyledItemDelegate {
public:
    explicit CellEditorDelegate(StringGridView* view) : QStyledItemDelegate(view), view_(view) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex& index) const override {
        auto* editor = new QLineEdit(parent);
        editor->setFrame(false);
        const int col = index.column();
        const int row = view_->itemModel()->toGridRow(index.row());
        connect(editor, &QLineEdit::textEdited, view_,
                [view = view_, col, row](const QString& text) {
                    view->cellTextEdited(col, row, text);
                });
        return editor;
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const auto& handler = view_->drawCellHandler();
        if (!handler) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        painter->save();
        handler(*painter, index.column(), view_->itemModel()->toGridRow(index.row()), option.rect);
        painter->restore();
    }

private:
    StringGridView* view_;
};

// The fixed header row: drawn by the same cell handler as the body, with the
// grid lines of the header.
class GridHeaderView : public QHeaderView {
public:
    explicit GridHeaderView(StringGridView* view) : QHeaderView(Qt::Horizontal, view), view_(view) {
        setMouseTracking(true);
    }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override {
        const auto& handler = view_->drawCellHandler();
        if (!handler) {
            QHeaderView::paintSection(painter, rect, logicalIndex);
            return;
        }
        painter->save();
        const QRect cell = rect.adjusted(0, 0, -1, -1);
        handler(*painter, logicalIndex, 0, cell);
        painter->setPen(view_->gridLineColor());
        painter->drawLine(rect.topRight(), rect.bottomRight());
        painter->drawLine(rect.bottomLeft(), rect.bottomRight());
        painter->restore();
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        QHeaderView::mouseMoveEvent(event);
        view_->reportMouseMove(mapTo(view_, event->position().toPoint()));
    }
    bool viewportEvent(QEvent* event) override {
        if (event->type() == QEvent::ToolTip && !view_->hint().isEmpty()) {
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), view_->hint(), this);
            return true;
        }
        return QHeaderView::viewportEvent(event);
    }

private:
    StringGridView* view_;
};

} // namespace

StringGridView::StringGridView(GridModel& grid, const ErrorReporter& errors, QWidget* parent)
    : QTableView(parent), grid_(grid), errors_(errors), itemModel_(new GridItemModel(grid, this)) {
    setHorizontalHeader(new GridHeaderView(this));
    setModel(itemModel_);
    setItemDelegate(new CellEditorDelegate(this));
    setMouseTracking(true);
    // Tab moves the focus on to the next control, not to the next cell: the
    // toolbar is then reachable from the keyboard.
    setTabKeyNavigation(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(GridModel::kRowHeight);
    verticalHeader()->setDefaultSectionSize(GridModel::kRowHeight);
    horizontalHeader()->setFixedHeight(GridModel::kRowHeight);
    horizontalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setWordWrap(false);
    setTextElideMode(Qt::ElideNone);
    setCornerButtonEnabled(false);

    // The item model connected to these signals first, so it has the new
    // counts by the time the view reacts.
    connect(&grid_, &GridModel::optionsChanged, this, &StringGridView::applyOptions);
    connect(&grid_, &GridModel::currentChanged, this, &StringGridView::syncCurrentFromModel);
    connect(&grid_, &GridModel::colWidthChanged, this, &StringGridView::applyColumnWidth);
    connect(&grid_, &GridModel::countsChanged, this, [this] {
        applyColumnWidths();
        horizontalHeader()->setVisible(grid_.fixedRows() > 0);
        syncCurrentFromModel();
    });
    connect(itemModel_, &QAbstractItemModel::modelReset, this, [this] {
        applyColumnWidths();
        syncCurrentFromModel();
    });
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int col, int, int size) {
        if (!applyingWidths_ && col < grid_.colCount())
            grid_.setColWidth(col, size);
    });

    applyOptions();
    applyColumnWidths();
    syncCurrentFromModel();
}

QModelIndex StringGridView::indexOfCell(int col, int row) const {
    return itemModel_->index(itemModel_->toViewRow(row), col);
}

void StringGridView::cellTextEdited(int col, int row, const QString& text) {
    grid_.setCell(col, row, text);
    if (editTextHandler_)
        errors_.guard([&] { editTextHandler_(col, row, text); });
}

QColor StringGridView::gridLineColor() const {
    return QColor::fromRgba(
        static_cast<QRgb>(style()->styleHint(QStyle::SH_Table_GridLineColor, nullptr, this)));
}

void StringGridView::mouseToCell(int x, int y, int& col, int& row) const {
    col = -1;
    row = -1;
    const QHeaderView* header = horizontalHeader();
    const int headerHeight = header->isVisible() ? header->height() : 0;
    const int viewportX = x - viewport()->x();
    const int c = columnAt(viewportX);
    if (c < 0)
        return;
    if (header->isVisible() && y >= header->y() && y < header->y() + headerHeight) {
        col = c;
        row = 0;
        return;
    }
    const int r = rowAt(y - viewport()->y());
    if (r < 0)
        return;
    col = c;
    row = itemModel_->toGridRow(r);
}

void StringGridView::reportMouseMove(const QPoint& clientPos) {
    if (mouseMoveHandler_)
        errors_.guard([&] { mouseMoveHandler_(clientPos.x(), clientPos.y()); });
}

void StringGridView::mouseMoveEvent(QMouseEvent* event) {
    QTableView::mouseMoveEvent(event);
    reportMouseMove(viewport()->mapTo(this, event->position().toPoint()));
}

void StringGridView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    if (doubleClickHandler_ && event->button() == Qt::LeftButton)
        errors_.guard([this] { doubleClickHandler_(); });
}

bool StringGridView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        // One hint for the whole grid rather than one per cell.
        if (hint_.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), hint_, viewport());
        return true;
    }
    return QTableView::viewportEvent(event);
}

void StringGridView::applyOptions() {
    const bool rowSelect = grid_.hasOption(goRowSelect);
    if (rowSelect) {
        setSelectionBehavior(SelectRows);
        setSelectionMode(SingleSelection);
    } else {
        setSelectionBehavior(SelectItems);
        setSelectionMode(grid_.hasOption(goRangeSelect) ? ContiguousSelection : SingleSelection);
    }
    if (grid_.hasOption(goEditing) && !rowSelect) {
        setEditTriggers(DoubleClicked | EditKeyPressed | AnyKeyPressed | SelectedClicked);
    } else {
        if (state() == EditingState)
            closePersistentEditor(currentIndex());
        setEditTriggers(NoEditTriggers);
    }
    horizontalHeader()->setSectionResizeMode(grid_.hasOption(goColSizing) ? QHeaderView::Interactive
                                                                          : QHeaderView::Fixed);
    setShowGrid(grid_.hasOption(goVertLine) || grid_.hasOption(goHorzLine));
    syncCurrentFromModel();
    viewport()->update();
}

void StringGridView::applyColumnWidths() {
    for (int c = 0; c < grid_.colCount(); ++c)
        applyColumnWidth(c);
}

void StringGridView::applyColumnWidth(int col) {
    applyingWidths_ = true;
    horizontalHeader()->resizeSection(col, grid_.colWidth(col));
    applyingWidths_ = false;
}

void StringGridView::syncCurrentFromModel() {
    if (syncing_ || !selectionModel())
        return;
    const QModelIndex target = indexOfCell(grid_.col(), grid_.row());
    syncing_ = true;
    if (target != currentIndex() || !selectionModel()->isSelected(target)) {
        QItemSelectionModel::SelectionFlags flags = QItemSelectionModel::ClearAndSelect;
        if (grid_.hasOption(goRowSelect))
            flags |= QItemSelectionModel::Rows;
        if (target.isValid())
            selectionModel()->setCurrentIndex(target, flags);
        else
            selectionModel()->clearCurrentIndex();
    }
    syncing_ = false;
    if (target.isValid())
        scrollTo(target);
}

void StringGridView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (syncing_ || itemModel_->adjustingCounts() || !current.isValid())
        return;
    if (pressing_)
        pressMovedCurrent_ = true;
    errors_.guard([&] {
        grid_.selectByUser(current.column(), itemModel_->toGridRow(current.row()), pressing_);
    });
    syncCurrentFromModel();
}

void StringGridView::mousePressEvent(QMouseEvent* event) {
    pressing_ = true;
    pressMovedCurrent_ = false;
    QTableView::mousePressEvent(event);
    pressing_ = false;
    // A click on the cell that is already current still counts as a click.
    const QModelIndex hit = indexAt(event->position().toPoint());
    if (!pressMovedCurrent_ && hit.isValid() && event->button() == Qt::LeftButton)
        errors_.guard(
            [&] { grid_.selectByUser(hit.column(), itemModel_->toGridRow(hit.row()), true); });
}

} // namespace runpad
