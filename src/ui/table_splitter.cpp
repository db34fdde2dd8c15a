#include "ui/table_splitter.h"

#include <QMouseEvent>

namespace runpad {

TableSplitter::TableSplitter(int handleWidth, QWidget* parent)
    : QWidget(parent), handleWidth_(handleWidth), handle_(new QWidget(this)) {
    handle_->setObjectName(QStringLiteral("Splitter2Handle"));
    handle_->setCursor(Qt::SplitHCursor);
    handle_->installEventFilter(this);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    // Any width down to nothing: the window decides how much there is.
    setMinimumSize(0, 0);
}

void TableSplitter::setSides(QWidget* left, QWidget* right) {
    left_ = left;
    right_ = right;
    left->setParent(this);
    right->setParent(this);
    left->show();
    right->show();
    handle_->raise();
    placeSides();
}

int TableSplitter::shownTableWidth() const {
    // Until the window is shown, the splitter has no width of its own yet.
    if (!isVisible())
        return tableWidth_;
    return qBound(0, tableWidth_, qMax(0, width() - handleWidth_));
}

void TableSplitter::setTableWidth(int width) {
    tableWidth_ = qMax(0, width);
    placeSides();
}

void TableSplitter::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeSides();
}

void TableSplitter::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    placeSides();
}

void TableSplitter::placeSides() {
    const int grid = shownTableWidth();
    const int h = height();
    if (left_)
        left_->setGeometry(0, 0, grid, h);
    handle_->setGeometry(grid, 0, handleWidth_, h);
    if (right_)
        right_->setGeometry(grid + handleWidth_, 0, qMax(0, width() - grid - handleWidth_), h);
}

bool TableSplitter::eventFilter(QObject* watched, QEvent* event) {
    if (watched != handle_)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton)
            return false;
        grabOffset_ = mouse->position().toPoint().x();
        return true;
    }
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (!(mouse->buttons() & Qt::LeftButton))
            return false;
        const int x = mapFromGlobal(mouse->globalPosition().toPoint()).x() - grabOffset_;
        setTableWidth(qBound(0, x, qMax(0, width() - handleWidth_)));
        return true;
    }
    default:
        return false;
    }
}

} // namespace runpad
