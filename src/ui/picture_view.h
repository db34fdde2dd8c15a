#pragma once

#include "core/image/picture_model.h"

#include <QPointer>
#include <QScrollArea>
#include <QWidget>

#include <functional>

namespace runpad {

class PictureScrollBox;

// The phases of a drag passing over the picture.
enum class DragState { Enter, Leave, Move };

// Image1: the picture control. It draws its model's picture at the model's size, and only the part
// that is exposed, sampled straight from the one decoded picture: no scaled copy is ever made, so a
// deep zoom costs no memory. Nearest neighbour while magnifying keeps pixels sharp; smoothing while
// reducing keeps photos calm. Its mouse events go to the pane that owns it.
class PictureImage : public QWidget {
    Q_OBJECT
public:
    PictureImage(PictureScrollBox& pane, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Over the visible part of the picture, in this widget's coordinates.
    bool isOverPicture(const QPoint& position) const;

    PictureScrollBox& pane_;
    QImage tile_; // reduced pixels of the exposed rect, reused from paint to paint
    bool dragging_ = false;
    bool dragOver_ = false;
};

// ScrollBox1: the preview pane. It owns the picture model, the picture control Image1 (its
// viewport's only child, at content position 0, 0) and the pane's mouse state, and keeps its scroll
// bars, its visible area and Image1's geometry equal to the model's. Its scroll bars follow the
// model rather than Qt's own layout rules; do not give it a widget with setWidget().
//
// The routines below act on Image1 inside this pane and bring the widgets up to date afterwards.
// They throw AppError as the model routines do.
class PictureScrollBox : public QScrollArea {
    Q_OBJECT
public:
    explicit PictureScrollBox(QWidget* parent = nullptr);

    PictureModel& model() { return model_; }
    const PictureModel& model() const { return model_; }
    // Image1.
    PictureImage* image() const { return image_; }

    // ---- Hooks to the main window

    // Text for status panel 3 on every mouse move over the picture.
    std::function<void(const QString&)> onStatusText;
    // Puts the mouse cursor at a screen position; QCursor::setPos when empty.
    std::function<void(const QPoint&)> onSetCursorPos;
    // Decodes picture files for LoadImageFile; decodePictureFile without metafile support when
    // empty.
    PictureDecoder decoder;
    // The widget whose coordinates stand for the main window's client coordinates in the wheel
    // handler; the top-level window when none is set.
    void setClientArea(QWidget* widget) { clientArea_ = widget; }

    // ---- The pane's points

    // The last mouse position over the picture, in Image1's coordinates.
    QPoint LastMousePoint;
    // Where the current drag entered the picture, in Image1's coordinates; kept between drags.
    QPoint DragOrigin;

    // ---- Routines on Image1

    bool LoadImageFile(const QString& path);
    void ConvertToBitmap();
    void FitImageToParent();
    void ScaleImage(float factor, QPoint& point);
    void ZoomImageAt(float factor, QPoint& point);
    // A new picture: the built-in one or a decoded file (not a bitmap), or a pasted picture or a
    // shortcut's icon (a bitmap). The sizing switches stay as they are.
    void assignPicture(const QImage& picture, bool isBitmap);
    // Image1's picture read as a bitmap, as the JPEG writer takes it; a non-bitmap picture is
    // discarded by this read and the pane goes empty.
    QImage bitmap();
    void setAutoSize(bool on);
    // The preview reset of startup: AutoSize off, both positions 0, LastMousePoint (0, 0), and the
    // picture at its natural size.
    void resetPreview();

    // ---- Event handlers

    // One zoom step per event around the mouse (mousePos in screen coordinates); both buttons held
    // gives the natural size. Returns whether the event counts as handled.
    bool ScrollBox1MouseWheel(Qt::MouseButtons buttons, int wheelDelta, const QPoint& mousePos);
    // Pans so that the point grabbed at drag-enter stays under the mouse; x and y in Image1's
    // coordinates.
    void Image1DragOver(DragState state, int x, int y);
    // Records the position and reports it as "x:%3d y:%3d".
    void Image1MouseMove(int x, int y);
    // For the main window's resizeEvent: fits the picture into the pane.
    void FormResize();
    // The pane's own size changes do not refit the picture (the splitter moves it).
    void ScrollBox1Resize() {}

    // Brings the widgets up to the model after it was changed directly.
    void syncFromModel();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    // Outer size, bar thickness and border as the widget has them now.
    void readBoxGeometry();
    void handleWheel(QWheelEvent* event);

    PictureModel model_;
    PictureImage* image_ = nullptr;
    QPointer<QWidget> clientArea_;
    bool syncing_ = false;
    // What Image1 last showed, to repaint only when the picture or its size changed.
    qint64 shownKey_ = -1;
    QSize shownSize_;
    bool shownStretch_ = false;
};

} // namespace runpad
