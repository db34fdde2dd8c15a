#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <QtGlobal>

namespace runpad {

// Reads the icon an internet shortcut names in its "IconFile" value.
//
// Windows executables and DLLs (recognised by content, whatever their name)
// give the first icon of their first icon group. Files named .ico give the
// first image of their directory; .png, .bmp, .xpm and .svg files give their
// image, decoded as the extension says. Anything else reads as no icon.
class IconExtractor {
public:
    virtual ~IconExtractor() = default;

    // The first icon of the file (index 0), at its own size; a null image when
    // the file holds no icon we can read (missing, unreadable, corrupt, no icon).
    virtual QImage extractFirstIcon(const QString& path) const;
};

// The icon size of the system for a window's scale: 32 × 32 at 96 dpi, scaled
// with the device pixel ratio (rounded). A ratio that is not positive counts
// as 1.
QSize systemIconSize(qreal devicePixelRatio);

} // namespace runpad
