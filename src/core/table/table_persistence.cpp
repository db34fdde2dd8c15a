#include "core/table/table_persistence.h"

#include "core/table/grid_model.h"
#include "core/table/ini_document.h"
#include "core/table/picture_finder.h"
#include "core/table/table_columns.h"

#include <charconv>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

namespace runpad {

QString tableKey(int col, int row) {
    // One allocation per key: a large table asks for hundreds of thousands.
    char text[32];
    char* dash = std::to_chars(text, text + 12, col).ptr; // 12 holds any int
    *dash = '-';
    const char* end = std::to_chars(dash + 1, text + sizeof text, row).ptr;
    return QString::fromLatin1(text, end - text);
}

namespace {

// The column and row a key names when it is written as tableKey writes it,
// the only form a lookup of "c-r" finds ("01-2" or "+1-2" are other keys).
std::optional<std::pair<int, int>> parseTableKey(QByteArrayView key) {
    const auto number = [](QByteArrayView digits) -> std::optional<int> {
        if (digits.isEmpty() || (digits.size() > 1 && digits.front() == '0'))
            return std::nullopt;
        int value = 0;
        const auto [end, error] = std::from_chars(digits.begin(), digits.end(), value);
        if (error != std::errc() || end != digits.end())
            return std::nullopt;
        return value;
    };
    const qsizetype dash = key.indexOf('-');
    if (dash < 0)
        return std::nullopt;
    const std::optional<int> col = number(key.first(dash));
    const std::optional<int> row = number(key.sliced(dash + 1));
    if (!col || !row)
        return std::nullopt;
    return std::pair(*col, *row);
}

// The value lines of the table's cells, read in one pass over the section:
// a lookup per cell costs a hash probe into a large index for every one.
class TableCells {
public:
    TableCells(const IniDocument& settings, int colCount)
        : pairs_(settings.keyValues(QString::fromLatin1(kTableSection))), colCount_(colCount) {
        // Rows are read up to the first one without a command. That is
        // almost always a row within the number of keys; a command kept in a
        // column beyond the grid's count can lead further, so the rare keys
        // of farther rows wait in a map instead of sizing the table.
        const auto rows = pairs_.size() + 1;
        lineOf_.assign(rows * size_t(colCount_), kNone);
        for (size_t i = 0; i < pairs_.size(); ++i) {
            const auto cell = parseTableKey(pairs_[i].key);
            if (!cell || cell->first >= colCount_)
                continue;
            // The first line of a key is the one a lookup finds.
            if (size_t(cell->second) < rows) {
                quint32& line =
                    lineOf_[size_t(cell->second) * size_t(colCount_) + size_t(cell->first)];
                if (line == kNone)
                    line = quint32(i);
            } else {
                farLines_.try_emplace(farKey(cell->first, cell->second), quint32(i));
            }
        }
    }

    QString text(int col, int row) const {
        const size_t at = size_t(row) * size_t(colCount_) + size_t(col);
        quint32 line = kNone;
        if (at < lineOf_.size()) {
            line = lineOf_[at];
        } else if (const auto far = farLines_.find(farKey(col, row)); far != farLines_.end()) {
            line = far->second;
        }
        return line == kNone ? QString() : QString::fromUtf8(pairs_[line].value);
    }

private:
    static constexpr quint32 kNone = ~quint32(0);
    std::vector<IniDocument::KeyValue> pairs_;
    int colCount_;
    std::vector<quint32> lineOf_;
    std::unordered_map<quint64, quint32> farLines_;

    static quint64 farKey(int col, int row) { return quint64(quint32(col)) << 32 | quint32(row); }
};

} // namespace

void loadTable(GridModel& grid, const IniDocument& settings, PictureFinder& pictures) {
    const TableCells cells(settings, grid.colCount());
    GridModel::UpdateBatch batch(grid);
    for (int r = 0;;) {
        for (int c = kFunctionCol; c < grid.colCount(); ++c)
            grid.setCell(c, r, cells.text(c, r));
        const QString command = grid.cell(kCommandCol, r);
        if (command.isEmpty())
            break;
        const bool hasPicture = !findPreviewPicture(command, [&pictures](const QString& name) {
                                     return pictures.exists(name);
                                 }).isEmpty();
        grid.setCell(kImageCol, r, hasPicture ? QString(kImageMarker) : QString());
        grid.setCell(kNumberCol, r, QString::number(r));
        ++r;
        if (r >= grid.rowCount())
            grid.setRowCount(grid.rowCount() + 2);
    }

    const char* const header[] = {"#", "Function", "command", "Description", "img"};
    for (int c = 0; c < kTableColumns; ++c)
        grid.setCell(c, 0, QString::fromLatin1(header[c]));
    if (grid.cell(kFunctionCol, 1).isEmpty()) {
        grid.setCell(kFunctionCol, 1, QStringLiteral("DOS command"));
        grid.setCell(kCommandCol, 1, QStringLiteral("cmd"));
        grid.setCell(kDescriptionCol, 1, QStringLiteral("DOS command window"));
    }
    if (grid.cell(kFunctionCol, 2).isEmpty()) {
        grid.setCell(kFunctionCol, 2, QStringLiteral("power command"));
        grid.setCell(kCommandCol, 2, QStringLiteral("powershell.exe"));
        grid.setCell(kDescriptionCol, 2, QStringLiteral("powershell command"));
    }
}

void saveTable(const GridModel& grid, IniDocument& settings) {
    const QString section = QString::fromLatin1(kTableSection);
    settings.eraseSection(section);
    for (int c = 1; c < grid.colCount(); ++c)
        for (int r = 0; r < grid.rowCount(); ++r) {
            const QString text = grid.cell(c, r);
            if (!text.isEmpty())
                settings.writeString(section, tableKey(c, r), text);
        }
}

} // namespace runpad
