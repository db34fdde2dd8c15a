#include "core/table/json_table.h"

#include "core/common/app_error.h"
#include "core/table/grid_model.h"
#include "core/table/json_reader.h"
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

// Checks the whole document before the grid is touched. Gives the rows.
JsonValue checkedRows(const JsonDocument& document, const QString& fullPath) {
    const JsonValue root = document.root();
    if (!root.isObject())
        throw error(kInvalidClassTypecast);
    const std::optional<JsonValue> data = root.member(u"data");
    if (!data)
        throw AppError(QStringLiteral("\"%1\": the object has no member \"data\"").arg(fullPath));
    if (!data->isArray())
        throw error(kInvalidClassTypecast);
    const qsizetype rowCount = data->size();
    if (rowCount == 0)
        throw error(kArgumentOutOfRange);
    for (qsizetype r = 0; r < rowCount; ++r) {
        const JsonValue row = data->at(r);
        if (!row.isArray())
            throw error(kInvalidClassTypecast);
        if (row.size() == 0)
            throw error(kArgumentOutOfRange);
    }
    return *data;
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
    const QString fullPath = QFileInfo(path).absoluteFilePath();
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
    const JsonDocument document = JsonDocument::readFile(fullPath);
    const JsonValue rows = checkedRows(document, fullPath);

    GridModel::UpdateBatch batch(grid);
    const auto rowCount = static_cast<int>(rows.size());
    grid.setRowCount(rowCount);
    for (int r = 0; r < rowCount; ++r) {
        const JsonValue row = rows.at(r);
        const auto colCount = static_cast<int>(row.size());
        grid.setColCount(colCount);
        for (int c = 0; c < colCount; ++c)
            grid.setCell(c, r, row.at(c).text());
    }
}

} // namespace runpad
