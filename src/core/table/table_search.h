#pragma once

#include "core/table/grid_model.h"

#include <QString>
#include <QStringView>
#include <optional>

namespace runpad {

struct CellPos {
    int col;
    int row;

    friend bool operator==(const CellPos&, const CellPos&) = default;
};

// The search folds only a-z to A-Z; every other character, accented and
// non-Latin letters included, stays as it is, so "é" never finds "É".
constexpr char16_t foldCapital(char16_t c) noexcept {
    return (c >= u'a' && c <= u'z') ? char16_t(c - (u'a' - u'A')) : c;
}

// The search text folded once, ready for cellMatches.
QString foldToCapitals(QStringView text);

// True when foldedText occurs in cell with the cell folded on the fly. Empty
// text or an empty cell never match.
bool cellMatches(QStringView cell, QStringView foldedText);

// The next matching cell after the grid's current cell, walking right along
// the row and then on to column 1 of the following rows; no wrap from the last
// row. Column 0 and cells outside the counts are never examined.
std::optional<CellPos> findForward(const GridModel& grid, QStringView text);

// The previous matching cell before the current cell, walking left and then
// on to the last column of the rows above; no wrap from row 1. Column 0 is
// examined only as the first cell, when the current column is 1.
std::optional<CellPos> findBackward(const GridModel& grid, QStringView text);

} // namespace runpad
