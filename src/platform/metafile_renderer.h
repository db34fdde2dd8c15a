#pragma once

#include "core/image/picture_decoder.h"

namespace runpad {

// Draws Windows metafiles by turning them into SVG (libemf2svg for EMF, libwmf for WMF) and
// rendering that with QSvgRenderer at the picture's own size, on white.
//
// EMF pictures take the size of the header's bounds (reference-device pixels, or the frame
// when the bounds are empty); WMF pictures the bounding box of what they draw, at 96 dpi.
// Broken data throws AppError ("Invalid EMF file" / "Invalid WMF file"); a picture beyond
// kMaxPictureSide / kMaxPicturePixels throws ensurePictureSizeAllowed's error before anything
// that size is allocated. The result is Format_RGB888. Safe to call from several threads.
class SvgMetafileRenderer : public MetafileRenderer {
public:
    QImage render(const QByteArray& data, Kind kind) const override;
};

} // namespace runpad
