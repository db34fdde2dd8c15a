#pragma once

#include "core/image/picture_memory.h"

#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>

#include <functional>

namespace runpad {

// Decodes the picture file at a path by its extension; throws AppError for what it cannot read.
using PictureDecoder = std::function<QImage(const QString& path)>;

// The preview picture control and the scroll box that holds it, as plain state: what the image
// routines below read and change. The widgets mirror it (ui/picture_view.h).
//
// The picture holds one decoded graphic. It is a "bitmap" once converted or pasted; until then
// (the built-in picture, a file just decoded) it is some other kind of graphic, and reading it as a
// bitmap throws that graphic away and leaves an empty bitmap, exactly as the routines rely on.
//
// The scroll box shows the control at content position (0, 0). Its scroll bars follow the
// control's size: a bar shows when the content does not fit the room the box has, and a bar that
// shows takes its thickness from the other direction's room (so one bar can bring in the other).
// Every change of the control's size or of the box's size recomputes the bars at once and pulls
// both positions back into 0..extent-visible, which is what makes "the position after the size
// change" of the zoom routines well defined.
class PictureModel {
public:
    // ---- The picture

    // The graphic as held, without reading it as a bitmap (painting uses this).
    const QImage& graphic() const { return graphic_; }
    bool isBitmap() const { return isBitmap_; }
    // Natural size of whatever the picture holds; 0 x 0 when empty.
    QSize naturalSize() const { return graphic_.size(); }
    // A new graphic for the picture. With AutoSize on the control takes its natural size.
    void assignPicture(const QImage& graphic, bool isBitmap);
    // The picture read as a bitmap (BW x BH). A non-bitmap graphic is discarded by this read.
    const QImage& bitmap();

    // ---- The picture control

    int width() const { return width_; }
    int height() const { return height_; }
    void setWidth(int width);
    void setHeight(int height);
    // While on, the control takes its picture's natural size; switching off keeps the size.
    bool autoSize() const { return autoSize_; }
    void setAutoSize(bool on);
    // While on, the picture is drawn scaled to the control's size, each axis on its own.
    bool stretch() const { return stretch_; }
    void setStretch(bool on) { stretch_ = on; }

    // ---- The parent

    // The routines expect the parent to be a scroll box; this program never gives them anything
    // else, but the other case has its own outcome in each routine.
    bool parentIsScrollBox() const { return parentIsScrollBox_; }
    void setParentIsScrollBox(bool yes) { parentIsScrollBox_ = yes; }

    int outerWidth() const { return outerWidth_; }
    int outerHeight() const { return outerHeight_; }
    void setOuterSize(int width, int height);
    // Thickness of the vertical bar (taken from the width) and of the horizontal bar (taken from
    // the height); 0 for bars that float over the content.
    void setScrollBarExtents(int verticalBarWidth, int horizontalBarHeight);
    int verticalBarWidth() const { return verticalBarWidth_; }
    int horizontalBarHeight() const { return horizontalBarHeight_; }
    // A border drawn by a visual style; the pane's own design has none.
    void setBorderWidth(int width);
    int borderWidth() const { return borderWidth_; }

    bool horizontalBarVisible() const { return horizontalBarVisible_; }
    bool verticalBarVisible() const { return verticalBarVisible_; }
    // The visible area without bars and border.
    int clientWidth() const { return clientWidth_; }
    int clientHeight() const { return clientHeight_; }
    // Largest scroll positions: content extent minus visible extent, never below 0.
    int horizontalMaximum() const;
    int verticalMaximum() const;

    int horizontalPosition() const { return horizontalPosition_; }
    int verticalPosition() const { return verticalPosition_; }
    // A position outside 0..maximum lands on the nearer end.
    void setHorizontalPosition(int position);
    void setVerticalPosition(int position);

private:
    void updateScrollBars();

    QImage graphic_;
    bool isBitmap_ = true; // an empty picture reads as an empty bitmap, and stays so

    int width_ = 0;
    int height_ = 0;
    bool autoSize_ = false;
    bool stretch_ = false;

    bool parentIsScrollBox_ = true;
    int outerWidth_ = 0;
    int outerHeight_ = 0;
    int verticalBarWidth_ = 0;
    int horizontalBarHeight_ = 0;
    int borderWidth_ = 0;
    bool horizontalBarVisible_ = false;
    bool verticalBarVisible_ = false;
    int clientWidth_ = 0;
    int clientHeight_ = 0;
    int horizontalPosition_ = 0;
    int verticalPosition_ = 0;
};

// The routines of the image unit. They keep no state of their own.

// The picture at its natural size with Stretch on (the factor-0 case of the two zooms). Scroll
// positions only follow the new range.
void ShowNaturalSize(PictureModel& image);

// Replaces whatever the picture holds by a 24-bit bitmap of it (transparent parts on white), its
// pixels from `memory` when given. Throws AppError when the memory for the bitmap cannot be had;
// the picture then holds what it held.
void ConvertToBitmap(PictureModel& image, const PictureMemory* memory = nullptr);

// Loads the file when one exists at the path (links followed, folders do not count), decoded by
// `decoder`, and converts it to a bitmap; the control ends at the natural size. False, with nothing
// changed, when there is no file. Anything else that exists goes to the decoder, which refuses
// what is no regular file. Decoder and conversion errors pass through; a decoder error leaves
// AutoSize on.
bool LoadImageFile(const QString& path, PictureModel& image, const PictureDecoder& decoder,
                   const PictureMemory* memory = nullptr);

// Fits the picture into 98 % of the parent's limiting side, top-left, aspect kept.
void FitImageToParent(PictureModel& control);

// A new scale relative to the current one, kept in thousandths and at most 100, with `point`
// scaled and centred in the view. Factor 0: natural size.
void ScaleImage(PictureModel& image, float factor, QPoint& point);

// Multiplies the size by `factor` keeping the picture position under `point` in place; `point` is
// overwritten with that position at the new size when the zoom completes. Factor 0: natural size.
void ZoomImageAt(PictureModel& image, float factor, QPoint& point);

} // namespace runpad
