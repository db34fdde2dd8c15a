#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QStringView>
#include <vector>

namespace runpad {

// The width of a text in one font as the sum of its characters' advances,
// without kerning or shaping: the extent the width fit is defined by. Each
// character is measured once; a table of many rows then costs one lookup per
// character instead of a full text layout per cell.
class TextExtent {
public:
    explicit TextExtent(const QFont& font);

    int width(QStringView text) const;
    // The advance of one character (a surrogate pair counts as one).
    int advance(char32_t codePoint) const;

private:
    QFontMetrics metrics_;
    mutable std::vector<qint32> basic_; // advances of U+0000..U+FFFF, -1 until measured
    mutable QHash<char32_t, int> supplementary_;
};

} // namespace runpad
