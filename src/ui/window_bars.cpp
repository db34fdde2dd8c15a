#include "ui/window_bars.h"

#include <QResizeEvent>
#include <QWidgetItem>

namespace runpad {

WrappingLayout::WrappingLayout(QWidget* parent, int rowHeight)
    : QLayout(parent), rowHeight_(rowHeight) {
    setContentsMargins(0, 0, 0, 0);
    setSpacing(0);
}

WrappingLayout::~WrappingLayout() {
    qDeleteAll(items_);
}

void WrappingLayout::addItem(QLayoutItem* item) {
    items_.append(item);
}

QLayoutItem* WrappingLayout::takeAt(int index) {
    if (index < 0 || index >= items_.size())
        return nullptr;
    return items_.takeAt(index);
}

QSize WrappingLayout::sizeHint() const {
    int width = 0;
    for (const QLayoutItem* item : items_)
        if (!item->isEmpty())
            width += item->sizeHint().width();
    return {width, rowHeight_};
}

QSize WrappingLayout::minimumSize() const {
    // The widest single item; anything narrower wraps onto further rows.
    int width = 0;
    for (const QLayoutItem* item : items_)
        if (!item->isEmpty())
            width = qMax(width, item->sizeHint().width());
    return {width, rowHeight_};
}

void WrappingLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    arrange(rect, true);
}

int WrappingLayout::arrange(const QRect& rect, bool apply) const {
    int x = rect.x();
    int y = rect.y();
    for (QLayoutItem* item : items_) {
        if (item->isEmpty())
            continue; // a hidden item takes no place
        const QSize size = item->sizeHint().boundedTo(QSize(QWIDGETSIZE_MAX, rowHeight_));
        if (x > rect.x() && x + size.width() > rect.right() + 1) {
            x = rect.x();
            y += rowHeight_;
        }
        if (apply)
            item->setGeometry(QRect(QPoint(x, y + (rowHeight_ - size.height()) / 2), size));
        x += size.width();
    }
    return y + rowHeight_ - rect.y();
}

WrappingToolBar::WrappingToolBar(int rowHeight, QWidget* parent)
    : QWidget(parent), layout_(new WrappingLayout(this, rowHeight)) {
    // As high as the rows need (height for width), never higher.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

QList<QWidget*> WrappingToolBar::items() const {
    QList<QWidget*> widgets;
    for (int i = 0; i < layout_->count(); ++i)
        if (QWidget* w = layout_->itemAt(i)->widget())
            widgets.append(w);
    return widgets;
}

PanelStatusBar::PanelStatusBar(QWidget* parent) : QStatusBar(parent) {
    setSizeGripEnabled(false);
}

void PanelStatusBar::addPanel(QWidget* panel, int width) {
    panel->setParent(this);
    panels_.append({panel, width});
    panel->show();
    placePanels();
}

void PanelStatusBar::resizeEvent(QResizeEvent* event) {
    QStatusBar::resizeEvent(event);
    placePanels();
}

void PanelStatusBar::placePanels() {
    int x = 0;
    for (qsizetype i = 0; i < panels_.size(); ++i) {
        const bool last = i == panels_.size() - 1;
        const int w = last ? qMax(panels_[i].second, width() - x) : panels_[i].second;
        panels_[i].first->setGeometry(x, 0, w, height());
        x += w;
    }
}

} // namespace runpad
