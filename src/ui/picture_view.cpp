#include "ui/picture_view.h"

#include "core/image/picture_decoder.h"

#include <QCursor>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>
#include <QtMath>

#include <cmath>
#include <vector>

namespace runpad {

namespace {

// Widgets cannot be larger than this; a deeper zoom still maps and paints from the model's size,
// only the part beyond the limit cannot be scrolled to.
int widgetExtent(int size) {
    return qBound(0, size, QWIDGETSIZE_MAX);
}

// Restores the widgets to the model also when a routine stops with an error, since what it
// changed before the error stays.
class SyncOnExit {
public:
    explicit SyncOnExit(PictureScrollBox& pane) : pane_(pane) {}
    ~SyncOnExit() { pane_.syncFromModel(); }
    SyncOnExit(const SyncOnExit&) = delete;
    SyncOnExit& operator=(const SyncOnExit&) = delete;

private:
    PictureScrollBox& pane_;
};

// One output column or row of a bilinear reduction: the two picture pixels around the sample
// point and the weight of the second, in 256ths.
struct Tap {
    int first;
    int second;
    uint weight;
};

// Sample point of display pixel `index` of the tile starting at logical `start`, on an axis with
// `scale` display pixels per picture pixel; pixel centres map onto pixel centres.
Tap tapAt(int start, int index, qreal ratio, double scale, int last) {
    const double at = (start + (index + 0.5) / ratio) / scale - 0.5;
    const double below = std::floor(at);
    int first = int(below);
    uint weight = uint((at - below) * 256 + 0.5);
    if (weight == 256) {
        ++first;
        weight = 0;
    }
    return {qBound(0, first, last), qBound(0, first + 1, last), weight};
}

// Bilinear reduction of a 24-bit picture, computed only for the exposed rect. The painter's own
// smoothing reads this format through a generic per-pixel fetch and takes about three times as
// long, too close to a frame for a fitted photo of many megapixels.
// `tile` is kept between paints: a fresh buffer would cost its page faults on every frame.
void paintReduced(QPainter& painter, const QImage& picture, const QRect& exposed, double sx,
                  double sy, qreal ratio, QImage& tile) {
    const QSize size(qCeil(exposed.width() * ratio), qCeil(exposed.height() * ratio));
    if (tile.width() < size.width() || tile.height() < size.height()) {
        tile = QImage(size.expandedTo(tile.size()), QImage::Format_RGB32);
        if (tile.isNull())
            return;
    }
    std::vector<Tap> columns(size_t(size.width()));
    for (int i = 0; i < size.width(); ++i) {
        const Tap tap = tapAt(exposed.left(), i, ratio, sx, picture.width() - 1);
        columns[size_t(i)] = {tap.first * 3, tap.second * 3, tap.weight};
    }
    for (int j = 0; j < size.height(); ++j) {
        const Tap row = tapAt(exposed.top(), j, ratio, sy, picture.height() - 1);
        const uchar* upper = picture.constScanLine(row.first);
        const uchar* lower = picture.constScanLine(row.second);
        const uint wy = row.weight;
        const uint iy = 256 - wy;
        auto* out = reinterpret_cast<QRgb*>(tile.scanLine(j));
        for (int i = 0; i < size.width(); ++i) {
            const Tap& column = columns[size_t(i)];
            const uchar* a = upper + column.first;
            const uchar* b = upper + column.second;
            const uchar* c = lower + column.first;
            const uchar* d = lower + column.second;
            const uint wx = column.weight;
            const uint ix = 256 - wx;
            const auto mix = [&](int k) {
                return ((a[k] * ix + b[k] * wx) * iy + (c[k] * ix + d[k] * wx) * wy + 32768) >> 16;
            };
            out[i] = 0xff000000u | mix(0) << 16 | mix(1) << 8 | mix(2);
        }
    }
    tile.setDevicePixelRatio(ratio);
    painter.drawImage(QRectF(exposed.topLeft(), QSizeF(size) / ratio), tile,
                      QRectF(QPointF(), QSizeF(size)));
}

} // namespace

// ---- PictureImage ----

PictureImage::PictureImage(PictureScrollBox& pane, QWidget* parent) : QWidget(parent), pane_(pane) {
    setObjectName(QStringLiteral("Image1"));
    setAccessibleName(QStringLiteral("Preview picture"));
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
}

void PictureImage::paintEvent(QPaintEvent* event) {
    const PictureModel& model = pane_.model();
    const QImage& picture = model.graphic();
    if (picture.isNull())
        return;
    const QRect exposed = event->rect();
    QPainter painter(this);
    if (!model.stretch()) {
        const QRect source = exposed & picture.rect();
        if (!source.isEmpty())
            painter.drawImage(source.topLeft(), picture, source);
        return;
    }
    const int width = model.width();
    const int height = model.height();
    if (width <= 0 || height <= 0)
        return;

    // One global mapping from display to picture pixels, so strips painted on their own (while
    // scrolling) meet the rest without a seam.
    const double sx = double(width) / picture.width();
    const double sy = double(height) / picture.height();
    const qreal ratio = devicePixelRatioF();
    const bool reducing = sx * ratio < 1 || sy * ratio < 1;
    if (reducing && picture.format() == QImage::Format_RGB888) {
        paintReduced(painter, picture, exposed, sx, sy, ratio, tile_);
        return;
    }
    // Only the picture pixels under the exposed rect go to the painter, with one more on each
    // side so smoothing at a strip's edge sees the same neighbours as a full repaint would.
    const int x0 = qBound(0, int(std::floor(exposed.left() / sx)) - 1, picture.width());
    const int y0 = qBound(0, int(std::floor(exposed.top() / sy)) - 1, picture.height());
    const int x1 = qBound(0, int(std::ceil((exposed.right() + 1) / sx)) + 1, picture.width());
    const int y1 = qBound(0, int(std::ceil((exposed.bottom() + 1) / sy)) + 1, picture.height());
    if (x1 <= x0 || y1 <= y0)
        return;
    const QRectF source(x0, y0, x1 - x0, y1 - y0);
    const QRectF target(x0 * sx, y0 * sy, (x1 - x0) * sx, (y1 - y0) * sy);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, reducing);
    painter.drawImage(target, picture, source);
}

bool PictureImage::isOverPicture(const QPoint& position) const {
    return rect().contains(position) && parentWidget()->rect().contains(mapToParent(position));
}

void PictureImage::mousePressEvent(QMouseEvent* event) {
    // Automatic drag mode: the left button starts the drag at once, with no threshold.
    if (event->button() == Qt::LeftButton && !dragging_) {
        dragging_ = true;
        dragOver_ = true;
        setCursor(Qt::DragMoveCursor);
        const QPoint at = event->position().toPoint();
        pane_.Image1DragOver(DragState::Enter, at.x(), at.y());
    }
}

void PictureImage::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (!dragging_) {
        pane_.Image1MouseMove(at.x(), at.y());
        return;
    }
    // The drag owns the mouse, so no position reports while it lasts. The picture hears of the
    // drag only where it can be seen; coming back in is a new enter with a new origin.
    const bool over = isOverPicture(at);
    if (over)
        pane_.Image1DragOver(dragOver_ ? DragState::Move : DragState::Enter, at.x(), at.y());
    else if (dragOver_)
        pane_.Image1DragOver(DragState::Leave, at.x(), at.y());
    dragOver_ = over;
    setCursor(over ? Qt::DragMoveCursor : Qt::ForbiddenCursor);
}

void PictureImage::mouseReleaseEvent(QMouseEvent* event) {
    // There is nothing to drop: releasing only ends the drag.
    if (event->button() == Qt::LeftButton && dragging_) {
        dragging_ = false;
        dragOver_ = false;
        unsetCursor();
    }
}

// ---- PictureScrollBox ----

PictureScrollBox::PictureScrollBox(QWidget* parent) : QScrollArea(parent) {
    setObjectName(QStringLiteral("ScrollBox1"));
    setAccessibleName(QStringLiteral("Preview pane"));
    setFrameShape(QFrame::NoFrame);
    // The keyboard stays with the table: the pane is worked with the mouse only.
    setFocusPolicy(Qt::NoFocus);
    horizontalScrollBar()->setFocusPolicy(Qt::NoFocus);
    verticalScrollBar()->setFocusPolicy(Qt::NoFocus);
    // A wheel over a bar zooms like anywhere else on the pane, instead of scrolling.
    horizontalScrollBar()->installEventFilter(this);
    verticalScrollBar()->installEventFilter(this);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    image_ = new PictureImage(*this, viewport());
    // The picture control sizes itself to its picture until startup switches that off.
    model_.setAutoSize(true);
    readBoxGeometry();
    syncFromModel();
}

void PictureScrollBox::readBoxGeometry() {
    const QScrollBar* vertical = verticalScrollBar();
    const QScrollBar* horizontal = horizontalScrollBar();
    const bool floating =
        style()->styleHint(QStyle::SH_ScrollBar_Transient, nullptr, vertical) != 0;
    model_.setScrollBarExtents(floating ? 0 : vertical->sizeHint().width(),
                               floating ? 0 : horizontal->sizeHint().height());
    model_.setBorderWidth(contentsRect().left());
    model_.setOuterSize(width(), height());
}

void PictureScrollBox::syncFromModel() {
    syncing_ = true;
    setHorizontalScrollBarPolicy(model_.horizontalBarVisible() ? Qt::ScrollBarAlwaysOn
                                                               : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(model_.verticalBarVisible() ? Qt::ScrollBarAlwaysOn
                                                           : Qt::ScrollBarAlwaysOff);
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setRange(0, model_.horizontalMaximum());
    horizontal->setPageStep(qMax(1, model_.clientWidth()));
    horizontal->setValue(model_.horizontalPosition());
    QScrollBar* vertical = verticalScrollBar();
    vertical->setRange(0, model_.verticalMaximum());
    vertical->setPageStep(qMax(1, model_.clientHeight()));
    vertical->setValue(model_.verticalPosition());
    syncing_ = false;

    const QImage& picture = model_.graphic();
    const QSize size(widgetExtent(model_.width()), widgetExtent(model_.height()));
    // Opaque when the picture covers the whole control, which spares the background fill.
    const bool covers =
        model_.stretch() || (picture.width() >= size.width() && picture.height() >= size.height());
    image_->setAttribute(Qt::WA_OpaquePaintEvent,
                         !picture.isNull() && !picture.hasAlphaChannel() && covers);
    image_->setGeometry(-model_.horizontalPosition(), -model_.verticalPosition(), size.width(),
                        size.height());
    const qint64 key = picture.cacheKey();
    if (key != shownKey_ || size != shownSize_ || model_.stretch() != shownStretch_) {
        shownKey_ = key;
        shownSize_ = size;
        shownStretch_ = model_.stretch();
        image_->update();
    }
}

bool PictureScrollBox::LoadImageFile(const QString& path) {
    readBoxGeometry();
    SyncOnExit sync(*this);
    if (decoder)
        return runpad::LoadImageFile(path, model_, decoder);
    return runpad::LoadImageFile(
        path, model_, [](const QString& file) { return decodePictureFile(file, nullptr); });
}

void PictureScrollBox::ConvertToBitmap() {
    SyncOnExit sync(*this);
    runpad::ConvertToBitmap(model_);
}

void PictureScrollBox::FitImageToParent() {
    readBoxGeometry();
    SyncOnExit sync(*this);
    runpad::FitImageToParent(model_);
}

void PictureScrollBox::ScaleImage(float factor, QPoint& point) {
    readBoxGeometry();
    SyncOnExit sync(*this);
    runpad::ScaleImage(model_, factor, point);
}

void PictureScrollBox::ZoomImageAt(float factor, QPoint& point) {
    readBoxGeometry();
    SyncOnExit sync(*this);
    runpad::ZoomImageAt(model_, factor, point);
}

void PictureScrollBox::assignPicture(const QImage& picture, bool isBitmap) {
    model_.assignPicture(picture, isBitmap);
    syncFromModel();
}

QImage PictureScrollBox::bitmap() {
    const QImage picture = model_.bitmap();
    syncFromModel();
    return picture;
}

void PictureScrollBox::setAutoSize(bool on) {
    model_.setAutoSize(on);
    syncFromModel();
}

void PictureScrollBox::resetPreview() {
    model_.setAutoSize(false);
    model_.setHorizontalPosition(0);
    model_.setVerticalPosition(0);
    // Image1 sits at content position (0, 0) by construction.
    LastMousePoint = QPoint(0, 0);
    ScaleImage(0, LastMousePoint);
}

bool PictureScrollBox::ScrollBox1MouseWheel(Qt::MouseButtons buttons, int wheelDelta,
                                            const QPoint& mousePos) {
    QWidget* client = clientArea_ ? clientArea_.data() : window();
    const int left = isWindow() ? 0 : x(); // a pane of its own is its own client area
    const QPoint m = client->mapFromGlobal(mousePos);
    // Only the pane's left edge is taken off: the vertical coordinate keeps the pane's top offset.
    QPoint point(m.x() + model_.horizontalPosition() - left, m.y() + model_.verticalPosition());
    if (buttons.testFlag(Qt::LeftButton) && buttons.testFlag(Qt::RightButton)) {
        ZoomImageAt(0, point);
        return false;
    }
    if (wheelDelta < 0)
        ZoomImageAt(0.8f, point);
    else if (wheelDelta > 0)
        ZoomImageAt(1.2f, point);
    point -= QPoint(model_.horizontalPosition(), model_.verticalPosition());
    QPoint screen = client->mapToGlobal(point);
    screen.rx() += left;
    if (onSetCursorPos)
        onSetCursorPos(screen);
    else
        QCursor::setPos(screen);
    return true;
}

void PictureScrollBox::Image1DragOver(DragState state, int x, int y) {
    if (state == DragState::Enter)
        DragOrigin = QPoint(x, y);
    const int dx = DragOrigin.x() - x;
    const int dy = DragOrigin.y() - y;
    model_.setHorizontalPosition(model_.horizontalPosition() + dx);
    model_.setVerticalPosition(model_.verticalPosition() + dy);
    syncFromModel();
}

void PictureScrollBox::Image1MouseMove(int x, int y) {
    LastMousePoint = QPoint(x, y);
    if (onStatusText)
        onStatusText(QString::asprintf("x:%3d y:%3d", x, y));
}

void PictureScrollBox::FormResize() {
    FitImageToParent();
}

bool PictureScrollBox::event(QEvent* event) {
    const bool result = QScrollArea::event(event);
    if (event->type() == QEvent::StyleChange || event->type() == QEvent::Show) {
        // A visual style may bring other bar widths or a border.
        readBoxGeometry();
        syncFromModel();
    }
    return result;
}

bool PictureScrollBox::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Wheel &&
        (watched == horizontalScrollBar() || watched == verticalScrollBar())) {
        handleWheel(static_cast<QWheelEvent*>(event));
        return true;
    }
    return QScrollArea::eventFilter(watched, event);
}

void PictureScrollBox::resizeEvent(QResizeEvent*) {
    // The box itself keeps its bars and positions within the new room; the picture stays as is.
    readBoxGeometry();
    syncFromModel();
    ScrollBox1Resize();
}

void PictureScrollBox::scrollContentsBy(int, int) {
    if (syncing_)
        return;
    // A bar moved by the user (thumb, arrows, page clicks) moves the content with it.
    model_.setHorizontalPosition(horizontalScrollBar()->value());
    model_.setVerticalPosition(verticalScrollBar()->value());
    syncFromModel();
}

void PictureScrollBox::wheelEvent(QWheelEvent* event) {
    handleWheel(event);
}

void PictureScrollBox::handleWheel(QWheelEvent* event) {
    const bool handled = ScrollBox1MouseWheel(event->buttons(), event->angleDelta().y(),
                                              event->globalPosition().toPoint());
    event->setAccepted(handled);
}

} // namespace runpad
