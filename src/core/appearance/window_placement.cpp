#include "core/appearance/window_placement.h"

#include <algorithm>

namespace runpad {

QSize virtualScreenSize(const QList<QRect>& screens) {
    QRect bounds;
    for (const QRect& screen : screens)
        bounds |= screen;
    return bounds.size();
}

RestoredPlacement restorePlacement(const StoredPlacement& stored, QSize virtualScreenSize,
                                   const QList<QRect>& screens, QRect primaryScreen) {
    RestoredPlacement result;
    result.width = std::max(stored.width.value_or(kDefaultWindowWidth), kMinWindowWidth);
    result.height = std::max(stored.height.value_or(kDefaultWindowHeight), kMinWindowHeight);

    // Only the right and bottom edges are held in: a left or top edge below
    // zero is a real place on a screen left of or above the primary one.
    result.left = std::min(stored.left.value_or(0), virtualScreenSize.width() - result.width);
    result.top = std::min(stored.top.value_or(0), virtualScreenSize.height() - result.height);

    // A window saved on a monitor that has since been unplugged would open
    // out of sight.
    const QRect frame(result.left, result.top, result.width, result.height);
    const bool visible =
        std::any_of(screens.cbegin(), screens.cend(),
                    [&frame](const QRect& screen) { return frame.intersects(screen); });
    if (!visible) {
        result.left = primaryScreen.left();
        result.top = primaryScreen.top();
    }
    return result;
}

QRect clientGeometry(const RestoredPlacement& outer, const QMargins& frame) {
    const QRect frameRect(outer.left, outer.top, outer.width, outer.height);
    return frameRect.marginsRemoved(frame);
}

} // namespace runpad
