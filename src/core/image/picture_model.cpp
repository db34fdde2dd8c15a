#include "core/image/picture_model.h"

#include "core/common/app_error.h"
#include "core/image/picture_decoder.h"

#include <QFileInfo>

#include <cmath>
#include <limits>

namespace runpad {

namespace {

// Integer nearest to v, an exact half going to the even neighbour (the default rounding mode).
// Values beyond the 32-bit range saturate instead of being undefined.
int nearest(double v) {
    const double r = std::nearbyint(v);
    if (std::isnan(r))
        return 0;
    if (r >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (r <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return int(r);
}

// v with its fraction dropped, toward zero; saturating like nearest().
int trunc(double v) {
    return nearest(std::trunc(v));
}

// The error the toolkit gives when a control is taken for a scroll box it is not.
[[noreturn]] void throwInvalidCast() {
    throw AppError(QStringLiteral("Invalid class typecast"));
}

// Width / BW for the current scale; a picture without width has no scale.
float currentScale(int width, int bitmapWidth) {
    if (bitmapWidth == 0) {
        throw AppError(width == 0 ? QStringLiteral("Invalid floating point operation")
                                  : QStringLiteral("Floating point division by zero"));
    }
    return float(double(width) / double(bitmapWidth));
}

} // namespace

// ---- PictureModel ----

void PictureModel::assignPicture(const QImage& graphic, bool isBitmap) {
    graphic_ = graphic;
    isBitmap_ = isBitmap;
    if (autoSize_)
        setAutoSize(true);
}

const QImage& PictureModel::bitmap() {
    if (!isBitmap_) {
        graphic_ = QImage();
        isBitmap_ = true;
        if (autoSize_)
            setAutoSize(true);
    }
    return graphic_;
}

void PictureModel::setWidth(int width) {
    width_ = width;
    updateScrollBars();
}

void PictureModel::setHeight(int height) {
    height_ = height;
    updateScrollBars();
}

void PictureModel::setAutoSize(bool on) {
    autoSize_ = on;
    if (on) {
        width_ = graphic_.width();
        height_ = graphic_.height();
        updateScrollBars();
    }
}

void PictureModel::setOuterSize(int width, int height) {
    outerWidth_ = width;
    outerHeight_ = height;
    updateScrollBars();
}

void PictureModel::setScrollBarExtents(int verticalBarWidth, int horizontalBarHeight) {
    verticalBarWidth_ = qMax(0, verticalBarWidth);
    horizontalBarHeight_ = qMax(0, horizontalBarHeight);
    updateScrollBars();
}

void PictureModel::setBorderWidth(int width) {
    borderWidth_ = qMax(0, width);
    updateScrollBars();
}

int PictureModel::horizontalMaximum() const {
    return qMax(0, width_ - clientWidth_);
}

int PictureModel::verticalMaximum() const {
    return qMax(0, height_ - clientHeight_);
}

void PictureModel::setHorizontalPosition(int position) {
    horizontalPosition_ = qBound(0, position, horizontalMaximum());
}

void PictureModel::setVerticalPosition(int position) {
    verticalPosition_ = qBound(0, position, verticalMaximum());
}

void PictureModel::updateScrollBars() {
    const int roomWidth = qMax(0, outerWidth_ - 2 * borderWidth_);
    const int roomHeight = qMax(0, outerHeight_ - 2 * borderWidth_);
    bool horizontal = width_ > roomWidth;
    bool vertical = height_ > roomHeight;
    // A bar that shows narrows the other direction, which may need its bar now too; two passes
    // settle it since a bar never goes away again here.
    if (horizontal && !vertical)
        vertical = height_ > roomHeight - horizontalBarHeight_;
    if (vertical && !horizontal)
        horizontal = width_ > roomWidth - verticalBarWidth_;
    horizontalBarVisible_ = horizontal;
    verticalBarVisible_ = vertical;
    clientWidth_ = qMax(0, roomWidth - (vertical ? verticalBarWidth_ : 0));
    clientHeight_ = qMax(0, roomHeight - (horizontal ? horizontalBarHeight_ : 0));
    setHorizontalPosition(horizontalPosition_);
    setVerticalPosition(verticalPosition_);
}

// ---- The routines ----

void ShowNaturalSize(PictureModel& image) {
    image.setAutoSize(true);
    image.setStretch(false);
    // (The control repaints here; the model has nothing to draw.)
    image.setAutoSize(false);
    image.setStretch(true);
}

void ConvertToBitmap(PictureModel& image, const PictureMemory* memory) {
    // Taken from the graphic as it is, not read as a bitmap: that read would discard it.
    image.assignPicture(toBitmap24(image.graphic(), memory), true);
}

bool LoadImageFile(const QString& path, PictureModel& image, const PictureDecoder& decoder,
                   const PictureMemory* memory) {
    // Only looked at, not opened: a pipe or a device counts as a file, and the decoder refuses
    // it without waiting on it.
    const QFileInfo file(path);
    if (!file.exists() || file.isDir())
        return false;
    image.setAutoSize(true);
    image.assignPicture(decoder(path), false);
    image.setAutoSize(false);
    ConvertToBitmap(image, memory);
    return true;
}

void FitImageToParent(PictureModel& control) {
    const QImage& bitmap = control.bitmap();
    const int bh = bitmap.height();
    if (bh <= 0)
        return;
    const int bw = bitmap.width();
    const int pw = control.outerWidth();
    const int ph = control.outerHeight();
    if (pw <= 0 || ph <= 0)
        return;
    control.setAutoSize(false);
    control.setStretch(true);
    const double s =
        double(bw) / double(bh) > double(pw) / double(ph) ? double(bw) / pw : double(bh) / ph;
    control.setWidth(trunc(double(bw) / s * 0.98));
    control.setHeight(trunc(double(bh) / s * 0.98));
    if (!control.parentIsScrollBox())
        throwInvalidCast();
    control.setVerticalPosition(0);
    control.setHorizontalPosition(0);
}

void ScaleImage(PictureModel& image, float factor, QPoint& point) {
    if (factor == 0) {
        ShowNaturalSize(image);
        return;
    }
    image.setAutoSize(false);
    image.setStretch(true);
    const int bw = image.bitmap().width();
    const float c = currentScale(image.width(), bw);
    if (image.width() < 10 && factor < 1)
        return;
    const float s = float(nearest(double(c) * double(factor) * 1000.0) / 1000.0);
    if (s > 100 && factor > 1)
        return;
    const int bh = image.bitmap().height();
    image.setWidth(nearest(double(bw) * double(s)));
    image.setHeight(nearest(double(bh) * double(s)));
    point.setX(nearest(double(point.x()) * double(factor)));
    point.setY(nearest(double(point.y()) * double(factor)));
    if (!image.parentIsScrollBox())
        throwInvalidCast();
    image.setHorizontalPosition(point.x() - image.clientWidth() / 2);
    image.setVerticalPosition(point.y() - image.clientHeight() / 2);
}

void ZoomImageAt(PictureModel& image, float factor, QPoint& point) {
    const int bw = image.bitmap().width();
    if (bw == 0)
        return;
    if (!image.parentIsScrollBox())
        return;
    const QPoint q(nearest(double(point.x()) * double(factor)),
                   nearest(double(point.y()) * double(factor)));
    const float c = float(double(image.width()) / double(bw));
    if (factor == 0) {
        ShowNaturalSize(image);
        return;
    }
    image.setAutoSize(false);
    image.setStretch(true);
    if (image.width() < 10 && factor < 1)
        return;
    if (c > 100 && factor > 1)
        return;
    const int bh = image.bitmap().height();
    image.setWidth(nearest(double(image.width()) * double(factor)));
    image.setHeight(nearest(double(image.width()) * (double(bh) / double(bw))));
    const int dx = nearest(double(point.x()) * double(factor) - double(point.x()));
    const int dy = nearest(double(point.y()) * double(factor) - double(point.y()));
    // Scrolling by the growth of the point keeps the picture position under it in place.
    const int horizontal = image.horizontalPosition() + dx;
    image.setHorizontalPosition(horizontal < 0 ? 0 : horizontal);
    const int vertical = image.verticalPosition() + dy;
    image.setVerticalPosition(vertical < 0 ? 0 : vertical);
    point = q;
}

} // namespace runpad
