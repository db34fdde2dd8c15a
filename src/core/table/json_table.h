#pragma once

#include <QString>

namespace runpad {

class GridModel;

// The names the Tool menu uses; relative, so the file lies in the current
// folder. They differ only in letter case (see resolveJsonImportName).
inline constexpr auto kJsonExportName = "runpad.json";
inline constexpr auto kJsonImportName = "Runpad.json";

inline constexpr auto kInvalidClassTypecast = "Invalid class typecast";
inline constexpr auto kArgumentOutOfRange = "Argument out of range";

// Checks a file name before anything is read or written, in this order:
// "Path is empty" (empty or blank), "Invalid characters in path" (a NUL),
// "The specified path was not found" (the folder does not exist) and, when
// `mustExist`, "The specified file was not found". Throws AppError.
void checkJsonFileName(const QString& path, bool mustExist);

// The file an import of `path` reads. On a case-sensitive file system the
// export's name and the import's name are two names; when no file is named
// `path` exactly, the file of its folder whose name matches ignoring case is
// taken (the most recently written one if several match). Gives `path` when
// none matches.
QString resolveJsonImportName(const QString& path);

// Writes every cell inside the grid's counts as {"data":[[...],...]} (see
// gridToJson). The new text replaces an older file only once it has been
// written completely: a failed export leaves the older file whole. Throws
// AppError ("Cannot create file "<full path>". <reason>") on failure.
void SaveGridToJson(const GridModel& grid, const QString& path);

// Fills the grid from a file written by SaveGridToJson or by hand: row count
// from the "data" array, then each row's column count and cells in turn
// (cells beyond a row's own length keep their texts; the last row decides the
// column count). The whole file is read and checked first and the grid changes
// only when all of it is good: a failure leaves the grid exactly as it was.
// Throws AppError with the file name checks' texts, "Cannot open file ...",
// the parse error with line and column, "Invalid class typecast" (no object,
// "data" or a row no array), "Argument out of range" (an empty "data" or row
// array), or a text naming the file when "data" is missing.
void LoadJsonToGrid(GridModel& grid, const QString& path);

} // namespace runpad
