#include "ui/image_list.h"

#include "core/common/app_error.h"
#include "core/image/jpeg_codec.h"

#include <QFile>
#include <QPainter>
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

} // namespace

QString ImageList::resourcePath(int index) {
    if (!isValidIndex(index))
        return {};
    return QStringLiteral(":/images/icons/%1.svg").arg(QLatin1String(kFileNames[index]));
}

QIcon ImageList::icon(int index) const {
    if (!isValidIndex(index))
        return {};
    // Qt's SVG icon engine is an optional plugin, so the icon is built from
    // pixmaps; the large one keeps it sharp at twice the size, and the
    // pixmap engine still derives the disabled look from them.
    QIcon icon;
    for (int pixels : {kSize, 2 * kSize}) {
        const QImage image = render(resourcePath(index), pixels);
        if (!image.isNull())
            icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
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

QImage ImageList::builtinPreview() {
    // Decoded by the program's own JPEG codec: Qt's image reader would first
    // load and query every image format plugin, which costs more start-up
    // time than the decode.
    QFile file(QStringLiteral(":/images/builtin_preview.jpg"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    try {
        return decodeJpeg(file.readAll());
    } catch (const AppError&) {
        return {};
    }
}

} // namespace runpad
