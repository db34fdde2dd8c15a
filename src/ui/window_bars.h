#pragma once

#include <QLayout>
#include <QList>
#include <QStatusBar>
#include <QWidget>

namespace runpad {

// Lays its items out left to right in rows of a fixed height and starts a new
// row when the next item does not fit, so that nothing is ever cut off or
// hidden behind an overflow button. Items are centred vertically in their row.
// Qt has no wrapping layout of its own; this one is the few lines it needs.
class WrappingLayout : public QLayout {
public:
    WrappingLayout(QWidget* parent, int rowHeight);
    ~WrappingLayout() override;

    void addItem(QLayoutItem* item) override;
    int count() const override { return static_cast<int>(items_.size()); }
    QLayoutItem* itemAt(int index) const override { return items_.value(index); }
    QLayoutItem* takeAt(int index) override;
    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return arrange(QRect(0, 0, width, 0), false); }
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;

private:
    // Places the items (when apply) and returns the height they take.
    int arrange(const QRect& rect, bool apply) const;

    QList<QLayoutItem*> items_;
    int rowHeight_;
};

// ToolBar1: the toolbar, as high as its rows of items need.
class WrappingToolBar : public QWidget {
    Q_OBJECT
public:
    WrappingToolBar(int rowHeight, QWidget* parent);
    void addWidget(QWidget* widget) { layout_->addWidget(widget); }
    // The items in the order they are shown, hidden ones included.
    QList<QWidget*> items() const;

private:
    WrappingLayout* layout_;
};

// StatusLine: panels placed edge to edge from the left end of the bar, the
// last one stretched to its right end.
class PanelStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit PanelStatusBar(QWidget* parent);
    // Appends a panel of the given width; the last panel added stretches.
    void addPanel(QWidget* panel, int width);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void placePanels();

    QList<QPair<QWidget*, int>> panels_;
};

} // namespace runpad
