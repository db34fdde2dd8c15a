#include "core/table/json_table.h"

#include "core/common/app_error.h"
#include "core/table/grid_model.h"
#include "core/table/json_parse.h"
#include "core/table/json_writer.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace runpad {

namespace {

AppError error(const char* text) {
    return AppError(QString::fromLatin1(text));
}

// Collects the rows of the first "data" member of the top-level object while
// the file is parsed, without building a document: a table file holds little
// else, and its cells go straight into the texts the grid keeps. Records the
// first fault of the file's shape, in the order the rows are imported; once
// there is one, nothing more is collected.
class TableCollector {
public:
    enum class Fault { None, NotObject, DataNotArray, DataEmpty, RowNotArray, RowEmpty };

    // Where a cell's text lies in the parsed text, or which fixed text it is.
    // Converting only after the parse keeps the list small while it grows.
    struct CellRef {
        quint32 offset;
        quint32 length;
    };
    static constexpr quint32 kEmptyText = 0xFFFFFFFF;
    static constexpr quint32 kNullText = 0xFFFFFFFE;
    static constexpr quint32 kTrueText = 0xFFFFFFFD;
    static constexpr quint32 kFalseText = 0xFFFFFFFC;

    explicit TableCollector(const char* text) : text_(text) {}

    Fault fault() const { return fault_; }
    bool dataFound() const { return dataFound_; }
    const std::vector<CellRef>& cells() const { return cells_; }
    const std::vector<int>& rowLengths() const { return rowLengths_; }

    QString cellText(CellRef cell) const {
        switch (cell.offset) {
        case kEmptyText:
            return QString();
        case kNullText:
            return json_detail::nullText();
        case kTrueText:
            return json_detail::boolText(true);
        case kFalseText:
            return json_detail::boolText(false);
        default:
            return QString::fromUtf8(text_ + cell.offset, qsizetype(cell.length));
        }
    }

    bool Null() { return scalar({kNullText, 0}); }
    bool Bool(bool b) { return scalar({b ? kTrueText : kFalseText, 0}); }
    // Numbers come as RawNumber, as text of the parsed text.
    bool Int(int) { return unexpectedNumber(); }
    bool Uint(unsigned) { return unexpectedNumber(); }
    bool Int64(int64_t) { return unexpectedNumber(); }
    bool Uint64(uint64_t) { return unexpectedNumber(); }
    bool Double(double) { return unexpectedNumber(); }
    bool RawNumber(const char* text, rapidjson::SizeType length, bool) {
        return scalar({quint32(text - text_), quint32(length)});
    }
    bool String(const char* text, rapidjson::SizeType length, bool) {
        return scalar({quint32(text - text_), quint32(length)});
    }
    bool Key(const char* text, rapidjson::SizeType length, bool) {
        if (depth_ == 1 && !dataFound_ && QByteArrayView(text, qsizetype(length)) == "data") {
            dataFound_ = true;
            dataNext_ = true;
        }
        return true;
    }
    bool StartObject() {
        open(false);
        return true;
    }
    bool EndObject(rapidjson::SizeType) {
        --depth_;
        return true;
    }
    bool StartArray() {
        open(true);
        return true;
    }
    bool EndArray(rapidjson::SizeType elements) {
        --depth_;
        if (inRow_ && depth_ == 2) {
            inRow_ = false;
            if (elements == 0)
                setFault(Fault::RowEmpty);
            else if (fault_ == Fault::None)
                rowLengths_.push_back(int(elements));
        } else if (inData_ && depth_ == 1) {
            inData_ = false;
            if (elements == 0)
                setFault(Fault::DataEmpty);
        }
        return true;
    }

private:
    enum class Role { Other, Data, Row, Cell };

    // What the value that starts now is to the table.
    Role role() {
        if (depth_ == 1 && dataNext_) {
            dataNext_ = false;
            return Role::Data;
        }
        if (inData_ && depth_ == 2)
            return Role::Row;
        if (inRow_ && depth_ == 3)
            return Role::Cell;
        return Role::Other;
    }

    static bool unexpectedNumber() {
        Q_ASSERT(false);
        return false;
    }

    bool scalar(CellRef cell) {
        if (depth_ == 0) {
            setFault(Fault::NotObject);
            return true;
        }
        switch (role()) {
        case Role::Data:
            setFault(Fault::DataNotArray);
            break;
        case Role::Row:
            setFault(Fault::RowNotArray);
            break;
        case Role::Cell:
            if (fault_ == Fault::None)
                cells_.push_back(cell);
            break;
        case Role::Other:
            break;
        }
        return true;
    }

    void open(bool isArray) {
        if (depth_ == 0) {
            if (isArray)
                setFault(Fault::NotObject);
        } else {
            switch (role()) {
            case Role::Data:
                if (isArray)
                    inData_ = true;
                else
                    setFault(Fault::DataNotArray);
                break;
            case Role::Row:
                if (isArray)
                    inRow_ = true;
                else
                    setFault(Fault::RowNotArray);
                break;
            case Role::Cell: // an object or an array in a row reads as empty text
                if (fault_ == Fault::None)
                    cells_.push_back({kEmptyText, 0});
                break;
            case Role::Other:
                break;
            }
        }
        ++depth_;
    }

    void setFault(Fault fault) {
        if (fault_ == Fault::None)
            fault_ = fault;
    }

    int depth_ = 0; // containers open
    bool dataFound_ = false;
    bool dataNext_ = false; // the next value is that of the first "data" member
    bool inData_ = false;
    bool inRow_ = false;
    Fault fault_ = Fault::None;
    const char* text_;
    std::vector<CellRef> cells_;
    std::vector<int> rowLengths_;
};

// Reads and checks the whole file before the grid is touched. The cells
// refer to `buffer`.
TableCollector readTable(const QString& fullPath, QByteArray& buffer) {
    QByteArray bytes = json_detail::readJsonFile(fullPath);
    const QString sourceName = QStringLiteral("\"%1\"").arg(fullPath);
    qsizetype begin = 0;
    buffer = json_detail::decodeJsonText(bytes, sourceName, begin);
    // UTF-8, the usual case, comes back sharing the bytes read: letting go of
    // them lets the parse work in them without a copy. A failed parse reads
    // the file again for the error position, which needs the text unchanged.
    const bool sharedWithFile = buffer.constData() == bytes.constData();
    if (sharedWithFile)
        bytes = QByteArray();
    QByteArray original;
    auto originalText = [&]() -> QByteArrayView {
        qsizetype originalBegin = 0;
        if (sharedWithFile) {
            try {
                bytes = json_detail::readJsonFile(fullPath);
            } catch (const AppError&) {
                bytes = QByteArray();
            }
        }
        original = json_detail::decodeJsonText(bytes, sourceName, originalBegin);
        if (originalBegin != begin || original.size() != buffer.size())
            return QByteArrayView(); // changed since: no position beats a wrong one
        return QByteArrayView(original).sliced(begin);
    };
    TableCollector table(buffer.data());
    json_detail::parseInPlace(buffer, begin, originalText, sourceName, table);
    using Fault = TableCollector::Fault;
    if (table.fault() == Fault::NotObject)
        throw error(kInvalidClassTypecast);
    if (!table.dataFound())
        throw AppError(QStringLiteral("\"%1\": the object has no member \"data\"").arg(fullPath));
    switch (table.fault()) {
    case Fault::None:
        break;
    case Fault::NotObject:
    case Fault::DataNotArray:
    case Fault::RowNotArray:
        throw error(kInvalidClassTypecast);
    case Fault::DataEmpty:
    case Fault::RowEmpty:
        throw error(kArgumentOutOfRange);
    }
    return table;
}

} // namespace

void checkJsonFileName(const QString& path, bool mustExist) {
    // Any other text is a well-formed path on this system, so no name is
    // refused with "The path format is not supported".
    if (path.trimmed().isEmpty())
        throw error("Path is empty");
    if (path.contains(QChar(u'\0')))
        throw error("Invalid characters in path");
    const QFileInfo info(path);
    if (!QFileInfo(info.absolutePath()).isDir())
        throw error("The specified path was not found");
    if (mustExist && !info.exists())
        throw error("The specified file was not found");
}

QString resolveJsonImportName(const QString& path) {
    const QFileInfo wanted(path);
    if (wanted.exists() || wanted.isSymLink())
        return path;
    const QDir folder = wanted.absoluteDir();
    const QString name = wanted.fileName();
    QString best;
    QDateTime bestTime;
    const QFileInfoList entries =
        folder.entryInfoList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        if (entry.fileName().compare(name, Qt::CaseInsensitive) != 0)
            continue;
        const QDateTime time = entry.lastModified();
        if (best.isEmpty() || time > bestTime) {
            best = entry.filePath();
            bestTime = time;
        }
    }
    if (best.isEmpty())
        return path;
    // Only the file name changes: a relative name stays relative.
    return path.left(path.size() - name.size()) + QFileInfo(best).fileName();
}

void SaveGridToJson(const GridModel& grid, const QString& path) {
    checkJsonFileName(path, false);
    const QByteArray text = gridToJson(grid);
    const QFileInfo target(path);
    const QString fullPath = target.absoluteFilePath();
    // Written in place where the folder forbids new files: opening a FIFO or
    // a device for that would block, or write where no file is.
    if (target.exists() && !target.isFile())
        throw AppError(
            QStringLiteral("Cannot create file \"%1\". Not a regular file").arg(fullPath));
    QSaveFile file(path);
    // Where the folder forbids new files, an existing file may still be writable.
    file.setDirectWriteFallback(true);
    auto failure = [&] {
        return AppError(
            QStringLiteral("Cannot create file \"%1\". %2").arg(fullPath, file.errorString()));
    };
    // Unbuffered, so a short write (full disk, size limit) shows in the count
    // write() returns instead of slipping through the flush in commit().
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw failure();
    if (file.write(text) != text.size()) {
        const AppError failed = failure();
        file.cancelWriting();
        throw failed;
    }
    if (!file.commit())
        throw failure();
}

void LoadJsonToGrid(GridModel& grid, const QString& path) {
    checkJsonFileName(path, false);
    const QString actual = resolveJsonImportName(path);
    checkJsonFileName(actual, true);
    const QString fullPath = QFileInfo(actual).absoluteFilePath();
    QByteArray buffer;
    const TableCollector table = readTable(fullPath, buffer);

    GridModel::UpdateBatch batch(grid);
    const std::vector<int>& lengths = table.rowLengths();
    const auto rowCount = static_cast<int>(lengths.size());
    grid.setRowCount(rowCount);
    // Each row sets the column count to its length in turn, which can pull the
    // current cell left; cells never depend on the counts, so they are written
    // afterwards, last row first, which lets the cell store grow only once.
    for (const int length : lengths)
        grid.setColCount(length);
    const std::vector<TableCollector::CellRef>& cells = table.cells();
    auto next = cells.size();
    for (int r = rowCount - 1; r >= 0; --r) {
        next -= size_t(lengths[size_t(r)]);
        for (int c = 0; c < lengths[size_t(r)]; ++c)
            grid.setCell(c, r, table.cellText(cells[next + size_t(c)]));
    }
}

} // namespace runpad
