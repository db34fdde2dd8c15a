#include "core/table/table_search.h"

namespace runpad {

QString foldToCapitals(QStringView text) {
    QString folded(text.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(folded.data());
    for (qsizetype i = 0; i < text.size(); ++i)
        out[i] = foldCapital(text[i].unicode());
    return folded;
}

bool cellMatches(QStringView cell, QStringView foldedText) {
    const qsizetype m = foldedText.size();
    const qsizetype n = cell.size();
    if (m == 0 || n < m)
        return false;
    const char16_t* hay = cell.utf16();
    const char16_t* needle = foldedText.utf16();

    // Candidates are found by the first character alone. For a capital, OR-ing
    // 0x20 makes its small letter compare equal too and nothing else; any
    // other first character is never changed by the fold, so it must appear
    // as it is.
    const char16_t first = needle[0];
    const char16_t mask = (first >= u'A' && first <= u'Z') ? 0x20 : 0;
    const char16_t key = first | mask;
    const auto isCandidate = [&](qsizetype i) { return char16_t(hay[i] | mask) == key; };
    const auto restMatches = [&](qsizetype i) {
        qsizetype j = 1;
        while (j < m && foldCapital(hay[i + j]) == needle[j])
            ++j;
        return j == m;
    };

    const qsizetype lastStart = n - m;
    qsizetype i = 0;
    // Blocks without an early exit let the compiler vectorise the common
    // no-candidate case.
    constexpr qsizetype kBlock = 16;
    for (; i + kBlock - 1 <= lastStart; i += kBlock) {
        bool any = false;
        for (qsizetype k = 0; k < kBlock; ++k)
            any |= isCandidate(i + k);
        if (!any)
            continue;
        for (qsizetype k = 0; k < kBlock; ++k) {
            if (isCandidate(i + k) && restMatches(i + k))
                return true;
        }
    }
    for (; i <= lastStart; ++i) {
        if (isCandidate(i) && restMatches(i))
            return true;
    }
    return false;
}

namespace {

// The model keeps text outside the counts (even at negative indexes), so the
// walk must not read such a cell as part of the table.
bool matchesAt(const GridModel& grid, int col, int row, QStringView foldedText) {
    if (col < 0 || col >= grid.colCount() || row < 0 || row >= grid.rowCount())
        return false;
    const QStringView text = grid.cellView(col, row);
    return cellMatches(text, foldedText);
}

} // namespace

std::optional<CellPos> findForward(const GridModel& grid, QStringView text) {
    if (text.isEmpty())
        return std::nullopt;
    const QString folded = foldToCapitals(text);
    const int lastCol = grid.colCount() - 1;
    const int lastRow = grid.rowCount() - 1;
    int c = grid.col() + 1;
    int r = grid.row();
    for (;;) {
        if (matchesAt(grid, c, r, folded))
            return CellPos{c, r};
        if (++c > lastCol) {
            c = 1;
            if (++r > lastRow)
                return std::nullopt;
        }
    }
}

std::optional<CellPos> findBackward(const GridModel& grid, QStringView text) {
    if (text.isEmpty())
        return std::nullopt;
    const QString folded = foldToCapitals(text);
    const int lastCol = grid.colCount() - 1;
    int c = grid.col() - 1;
    int r = grid.row();
    for (;;) {
        if (matchesAt(grid, c, r, folded))
            return CellPos{c, r};
        if (--c < 1) {
            c = lastCol;
            if (--r < 1)
                return std::nullopt;
        }
    }
}

} // namespace runpad
