#include "platform/metafile_renderer.h"

#include "core/common/app_error.h"
#include "platform/linux/emf_to_svg.h"
#include "platform/linux/wmf_to_svg.h"

#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>

#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace runpad {

namespace {

struct Converted {
    std::string svg;
    QSize size; // what the converter made the picture's size
};

QString kindName(MetafileRenderer::Kind kind) {
    return kind == MetafileRenderer::Kind::Emf ? QStringLiteral("EMF") : QStringLiteral("WMF");
}

[[noreturn]] void throwInvalid(MetafileRenderer::Kind kind) {
    throw AppError(QStringLiteral("Invalid %1 file").arg(kindName(kind)));
}

[[noreturn]] void throwTooLarge(qint64 width, qint64 height) {
    ensurePictureSizeAllowed(width, height);
    // Only reached should the converters' limits ever differ from the decoder's.
    throw AppError(
        QStringLiteral("The picture size %1 x %2 is not supported").arg(width).arg(height));
}

Converted take(SvgConversion&& result, MetafileRenderer::Kind kind) {
    if (result.status == SvgConversion::Status::TooLarge)
        throwTooLarge(result.width, result.height);
    if (result.status == SvgConversion::Status::Unavailable)
        throw AppError(QStringLiteral("%1 pictures cannot be shown: %2")
                           .arg(kindName(kind), QString::fromStdString(result.problem)));
    if (result.status != SvgConversion::Status::Ok)
        throwInvalid(kind);
    return {std::move(result.svg),
            QSize(static_cast<int>(result.width), static_cast<int>(result.height))};
}

Converted convert(const QByteArray& data, MetafileRenderer::Kind kind) {
    const std::string_view bytes(data.constData(), static_cast<std::size_t>(data.size()));
    if (kind == MetafileRenderer::Kind::Emf)
        return take(emfToSvg(bytes, kMaxPictureSide, kMaxPicturePixels), kind);
    return take(wmfToSvg(bytes, kMaxPictureSide, kMaxPicturePixels), kind);
}

} // namespace

QImage SvgMetafileRenderer::render(const QByteArray& data, Kind kind) const {
    const Converted converted = convert(data, kind);

    QSvgRenderer svg;
    if (!svg.load(QByteArray::fromStdString(converted.svg)) || !svg.isValid())
        throwInvalid(kind);

    // The SVG's own size is the picture's; the converter's stands in should it have none.
    QSize size = svg.defaultSize();
    if (size.isEmpty())
        size = converted.size;
    if (size.isEmpty())
        throwInvalid(kind);
    ensurePictureSizeAllowed(size.width(), size.height());

    QImage image = newPicture(size.width(), size.height(), QImage::Format_RGB888);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    svg.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    painter.end();
    return image;
}

} // namespace runpad
