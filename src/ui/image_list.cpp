#include "ui/image_list.h"

#include "core/common/app_error.h"
#include "core/image/jpeg_codec.h"

#include <QApplication>
#include <QFile>
#include <QIconEngine>
#include <QPainter>
#include <QPixmapCache>
#include <QStyle>
#include <QStyleOption>
#include <QSvgRenderer>
#include <array>

namespace runpad {

namespace {

constexpr std::array<const char*, ImageList::kCount> kFileNames = {
    "00_insert_row",     "01_delete_row",      "02_insert_column", "03_delete_column",
    "04_column_left",    "05_column_right",    "06_load_table",    "07_save_table",
    "08_search_forward", "09_search_backward", "10_row_up",        "11_row_down",
    "12_edit_off",       "13_edit_on",         "14_fit_widths",    "15_help",
};

bool isValidIndex(int index) {
    return index >= 0 && index < ImageList::kCount;
}

QImage render(const QString& path, int pixels) {
    QSvgRenderer renderer(path);
    if (!renderer.isValid())
        return {};
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter, QRectF(0, 0, pixels, pixels));
    return image;
}

// Draws an image when a control first shows it, at the size and pixel ratio
// it is shown at: a start renders none of the images, hidden buttons never
// do, and the picture stays sharp at any ratio. Qt's own SVG icon engine is
// an optional plugin, and QIcon's pixmap engine would need every size drawn
// up front.
class SvgIconEngine : public QIconEngine {
public:
    explicit SvgIconEngine(QString path) : path_(std::move(path)) {}

    QIconEngine* clone() const override { return new SvgIconEngine(path_); }
    QString key() const override { return QStringLiteral("runpad-svg"); }
    bool isNull() override { return false; }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
        const int side = qMin(size.width(), size.height());
        return QSize(side, side);
    }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        return {QSize(ImageList::kSize, ImageList::kSize),
                QSize(2 * ImageList::kSize, 2 * ImageList::kSize)};
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
        const QPixmap image = scaledPixmap(rect.size(), mode, state, ratio);
        const QSize shown = actualSize(rect.size(), mode, state);
        painter->drawPixmap(QRect(rect.topLeft() + QPoint((rect.width() - shown.width()) / 2,
                                                          (rect.height() - shown.height()) / 2),
                                  shown),
                            image);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1.0);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override {
        const int pixels = qRound(actualSize(size, mode, state).width() * scale);
        if (pixels <= 0)
            return {};
        // The disabled look depends on the style's palette, which can change.
        const QString cacheKey =
            QStringLiteral("runpad-svg:%1:%2:%3:%4")
                .arg(path_)
                .arg(pixels)
                .arg(int(mode))
                .arg(mode == QIcon::Normal ? 0 : QApplication::palette().cacheKey());
        QPixmap pixmap;
        if (QPixmapCache::find(cacheKey, &pixmap))
            return pixmap;
        pixmap = QPixmap::fromImage(render(path_, pixels));
        if (pixmap.isNull())
            return {};
        if (mode != QIcon::Normal) {
            // The disabled and selected looks of the style in use.
            QStyleOption option;
            option.palette = QApplication::palette();
            pixmap = QApplication::style()->generatedIconPixmap(mode, pixmap, &option);
        }
        pixmap.setDevicePixelRatio(scale);
        QPixmapCache::insert(cacheKey, pixmap);
        return pixmap;
    }

private:
    QString path_;
};

} // namespace

QString ImageList::resourcePath(int index) {
    if (!isValidIndex(index))
        return {};
    return QStringLiteral(":/images/icons/%1.svg").arg(QLatin1String(kFileNames[index]));
}

QIcon ImageList::icon(int index) const {
    if (!isValidIndex(index))
        return {};
    return QIcon(new SvgIconEngine(resourcePath(index)));
}

QPixmap ImageList::pixmap(int index, qreal devicePixelRatio) const {
    if (!isValidIndex(index) || !(devicePixelRatio > 0))
        return {};
    const QImage image = render(resourcePath(index), qRound(kSize * devicePixelRatio));
    if (image.isNull())
        return {};
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

QImage ImageList::builtinPreview(const PictureMemory* memory) {
    // Decoded by the program's own JPEG codec: Qt's image reader would first
    // load and query every image format plugin, which costs more start-up
    // time than the decode.
    QFile file(QStringLiteral(":/images/builtin_preview.jpg"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    try {
        return decodeJpeg(file.readAll(), memory);
    } catch (const AppError&) {
        return {};
    }
}

} // namespace runpad
