#pragma once

#include <QList>
#include <QMargins>
#include <QRect>
#include <QSize>
#include <optional>

namespace runpad {

// The main window's geometry as read from the settings file; a value that is
// missing or not an integer is nullopt.
struct StoredPlacement {
    std::optional<int> width;
    std::optional<int> height;
    std::optional<int> left;
    std::optional<int> top;
};

struct RestoredPlacement {
    int width = 0;
    int height = 0;
    int left = 0;
    int top = 0;

    friend bool operator==(const RestoredPlacement&, const RestoredPlacement&) = default;
};

inline constexpr int kDefaultWindowWidth = 800;
inline constexpr int kDefaultWindowHeight = 750;
inline constexpr int kMinWindowWidth = 800;
inline constexpr int kMinWindowHeight = 600;

// Size of the rectangle that bounds all the given screen geometries.
QSize virtualScreenSize(const QList<QRect>& screens);

// Frame geometry for the main window from the stored values: defaults for
// missing ones, the minimum size, no right or bottom edge past the virtual
// screen's size, and a window that would show on no connected screen goes
// to the top-left corner of the primary screen.
RestoredPlacement restorePlacement(const StoredPlacement& stored, QSize virtualScreenSize,
                                   const QList<QRect>& screens, QRect primaryScreen);

// Where the window's client area goes so that its outer frame, drawn by the
// window manager with these margins around it, has the restored size and
// position: right and bottom edges within the virtual screen are those of
// the frame, not of the client area.
QRect clientGeometry(const RestoredPlacement& outer, const QMargins& frame);

} // namespace runpad
