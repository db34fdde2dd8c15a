#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <QtGlobal>

namespace runpad {

// Reads the icon an internet shortcut names in its "IconFile" value.
//
// Windows executables and DLLs (recognised by content, whatever their name)
// give an icon of their first icon group; files named .ico an image of their
// directory: of several sizes the one closest to the system icon size at 96
// dpi (32 x 32). Files named .png, .bmp, .xpm and .svg give their image,
// decoded as the extension says. Anything else reads as no icon.
class IconExtractor {
public:
    virtual ~IconExtractor() = default;

    // The first icon of the file (index 0) at its own size, or scaled down,
    // keeping its shape, to fit 32 x 32 when larger; a null image when the
    // file holds no icon we can read (missing, unreadable, corrupt, no icon).
    virtual QImage extractFirstIcon(const QString& path) const;
};

// The icon size of the system for a window's scale: 32 × 32 at 96 dpi, scaled
// with the device pixel ratio (rounded). A ratio that is not positive counts
// as 1.
QSize systemIconSize(qreal devicePixelRatio);

} // namespace runpad
