#pragma once

#include "core/image/picture_memory.h"

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QString>

namespace runpad {

// The toolbar's images. They are kept as SVG in the resources and drawn on
// request, so they stay sharp on high-density screens.
class ImageList {
public:
    static constexpr int kCount = 16;
    static constexpr int kSize = 36;

    // Resource path of image `index`, or an empty string outside 0..kCount-1.
    static QString resourcePath(int index);

    // Null for an index outside 0..kCount-1.
    QIcon icon(int index) const;
    // kSize x kSize logical pixels at the given ratio, on a transparent
    // background. Null for an index outside 0..kCount-1 or a ratio <= 0.
    QPixmap pixmap(int index, qreal devicePixelRatio = 1.0) const;

    // The picture shown when no picture of the selected command is found.
    static QImage builtinPreview(const PictureMemory* memory = nullptr);
};

} // namespace runpad
