#pragma once

#include <QString>

namespace runpad {

class GridModel;
class IniDocument;
class PictureFinder;

inline constexpr auto kTableSection = "Table";
inline constexpr auto kSaveTimeSection = "save time";
inline constexpr auto kSaveTimeKey = "save time ";

// Key of a cell in the table section: column, "-", row.
QString tableKey(int col, int row);

// Fills the grid from the table section: rows are read from row 0 on until the
// first empty command; image markers follow the preview picture files; then
// the header texts and the two default rows. Width fitting is the caller's.
void loadTable(GridModel& grid, const IniDocument& settings, PictureFinder& pictures);

// Replaces the table section with the grid's non-empty cells of columns 1 and
// up, column by column. The save time is the caller's.
void saveTable(const GridModel& grid, IniDocument& settings);

} // namespace runpad
