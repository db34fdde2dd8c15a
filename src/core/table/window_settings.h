#pragma once

#include "core/appearance/window_placement.h"

#include <QString>
#include <optional>

namespace runpad {

class IniDocument;

inline constexpr auto kStylesSection = "Styles";

// The [Styles] values as stored; a missing value or one that is no integer
// is nullopt (the style name is empty when missing).
struct StoredWindowSettings {
    QString styleName;
    StoredPlacement placement;
    std::optional<int> tableWidth;
};

// The values the closing sequence writes back: the outer frame's size and
// position and the table width as the user saw them.
struct WindowSettingsToSave {
    QString styleName; // not written when empty: a stored name stays
    int width = 0;
    int height = 0;
    int left = 0;
    int top = 0;
    int tableWidth = 0;
};

StoredWindowSettings readWindowSettings(const IniDocument& settings);
void writeWindowSettings(IniDocument& settings, const WindowSettingsToSave& values);

} // namespace runpad
