#pragma once

#include <QPointer>
#include <QWidget>

namespace runpad {

// Splitter2 with the grid on its left and the preview pane on its right. The
// grid gets exactly the table width whenever the splitter is wide enough for
// it and the handle; the pane takes what is left, down to nothing. Only a
// splitter narrower than that shortens the grid, for as long as it is so
// narrow. Dragging the handle sets the table width. QSplitter did not fit: it
// holds its children at their minimum sizes once shown.
class TableSplitter : public QWidget {
    Q_OBJECT
public:
    TableSplitter(int handleWidth, QWidget* parent);

    // The two sides; both become children of the splitter.
    void setSides(QWidget* left, QWidget* right);
    int handleWidth() const { return handleWidth_; }
    // The grid's width as it is shown.
    int shownTableWidth() const;
    // The width the grid should have; shown in full when there is room.
    int tableWidth() const { return tableWidth_; }
    void setTableWidth(int width);
    QWidget* handle() const { return handle_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void placeSides();

    int handleWidth_;
    int tableWidth_ = 0;
    QWidget* handle_;
    QPointer<QWidget> left_;
    QPointer<QWidget> right_;
    int grabOffset_ = 0;
};

} // namespace runpad
