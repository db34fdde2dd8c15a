// A long random session on the real main window, checked after every step
// against a plain model of the table written from the table's documented
// rules: cell store, counts, current cell, modes, row and column operations,
// search, the settings file and the JSON exchange.
//
// The seed is printed; RUNPAD_SEED=<seed> replays a session, RUNPAD_STEPS
// sets its length.
#include "core/table/grid_model.h"
#include "core/table/table_persistence.h"
#include "form_fixture.h"
#include "ui/string_grid_view.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QMenu>
#include <QRandomGenerator>

#include <deque>
#include <map>
#include <optional>
#include <vector>

using namespace runpad;
using namespace runpad::testing;

namespace {

// ---- The reference model ----

constexpr unsigned kRowSelectMode = goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine |
                                    goColSizing | goRowSelect | goFixedRowDefAlign;
constexpr unsigned kCellMode = goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine |
                               goRangeSelect | goColSizing | goRowMoving;

struct GridIndexError {};

struct TableModel {
    std::map<std::pair<int, int>, QString> cells; // (col, row); a missing cell is empty
    int colCount = 5;
    int rowCount = 5;
    int fixedRows = 1;
    int col = 0;
    int row = 1;
    unsigned options = kRowSelectMode;
    bool tableModified = false;
    bool searchHit = false;
    QString searchText = QStringLiteral("Qucik Search");
    std::map<QString, QString> settingsTable; // the [Table] section on disk
    std::optional<std::vector<std::vector<QString>>> jsonFile;

    QString cell(int c, int r) const {
        const auto it = cells.find({c, r});
        return it == cells.end() ? QString() : it->second;
    }
    void setCell(int c, int r, const QString& text) {
        if (text.isEmpty())
            cells.erase({c, r});
        else
            cells[{c, r}] = text;
    }
    bool has(unsigned option) const { return (options & option) != 0; }

    // The click handling: a command in the last row grows the table by one.
    void click() {
        if (row == rowCount - 1 && !cell(2, row).isEmpty())
            ++rowCount;
    }
    void setRow(int r) {
        if (r == row)
            return;
        if (r < 0 || r >= rowCount)
            throw GridIndexError();
        row = r;
        click();
    }
    void setCol(int c) {
        if (c == col)
            return;
        if (c < 0 || c >= colCount)
            throw GridIndexError();
        if (!has(goRowSelect))
            col = c;
        click();
    }
    void setOptions(unsigned o) {
        options = o;
        if (has(goRowSelect))
            col = 0;
    }
    void setRowCount(int n) {
        n = qMax(n, 1);
        if (n <= fixedRows)
            fixedRows = n - 1;
        rowCount = n;
        row = qMin(row, n - 1);
    }
    void setColCount(int n) {
        n = qMax(n, 1);
        colCount = n;
        col = qMin(col, n - 1);
    }
    void userClick(int c, int r) {
        row = r;
        col = has(goRowSelect) ? 0 : c;
        click();
    }

    void insertRow() {
        setCol(3);
        setOptions(kCellMode);
        const int oldLast = rowCount - 1;
        setRowCount(rowCount + 1);
        for (int r = oldLast; r >= row; --r)
            for (int c = 0; c < colCount; ++c)
                setCell(c, r + 1, cell(c, r));
        for (int c = 0; c < colCount; ++c)
            setCell(c, row, QString());
    }
    void deleteRow() {
        setCol(3);
        setOptions(kCellMode);
        if (rowCount < 3)
            return;
        for (int r = row; r <= rowCount - 1; ++r)
            for (int c = 0; c < colCount; ++c)
                setCell(c, r, cell(c, r + 1));
        setRowCount(rowCount - 1);
    }
    void swapRows(int a, int b) {
        for (int c = 1; c < colCount; ++c) {
            const QString t = cell(c, a);
            setCell(c, a, cell(c, b));
            setCell(c, b, t);
        }
    }
    void moveRowUp() {
        if (row <= 1)
            return;
        swapRows(row, row - 1);
        setRow(row - 1);
    }
    void moveRowDown() {
        if (row >= rowCount - 1)
            return;
        swapRows(row, row + 1);
        setRow(row + 1);
    }
    void insertCol() {
        const int oldLast = colCount - 1;
        setColCount(colCount + 1);
        for (int c = oldLast; c >= col; --c)
            for (int r = 0; r < rowCount; ++r)
                setCell(c + 1, r, cell(c, r));
        for (int r = 0; r < rowCount; ++r)
            setCell(col, r, QString());
    }
    void deleteCol() {
        if (colCount <= 2) {
            for (int r = 1; r < rowCount; ++r)
                setCell(1, r, QString());
            return;
        }
        for (int c = col; c <= colCount - 2; ++c)
            for (int r = 0; r < rowCount; ++r)
                setCell(c, r, cell(c + 1, r));
        for (int r = 0; r < rowCount; ++r)
            setCell(colCount - 1, r, QString());
        setColCount(colCount - 1);
    }
    void swapCols(int a, int b) {
        for (int r = 0; r < rowCount; ++r) {
            const QString t = cell(a, r);
            setCell(a, r, cell(b, r));
            setCell(b, r, t);
        }
    }
    void moveColLeft() {
        if (col <= 1)
            return;
        swapCols(col, col - 1);
        setCol(col - 1);
    }
    void moveColRight() {
        if (col >= colCount - 1)
            return;
        swapCols(col, col + 1);
        setCol(col + 1);
    }
    void editToggle() {
        if (has(goRowSelect)) {
            setOptions((options | goEditing) & ~goRowSelect);
            tableModified = true;
        } else {
            setOptions((options & ~goEditing) | goRowSelect);
        }
    }

    // Only a to z fold to capitals.
    static QString fold(const QString& text) {
        QString folded = text;
        for (QChar& ch : folded)
            if (ch >= u'a' && ch <= u'z')
                ch = QChar(ch.unicode() - 'a' + 'A');
        return folded;
    }
    bool matches(int c, int r) const {
        if (c < 0 || c >= colCount)
            return false; // a start cell outside the table holds nothing
        const QString text = cell(c, r);
        return !searchText.isEmpty() && !text.isEmpty() && fold(text).contains(fold(searchText));
    }
    void found(int c, int r) {
        setRow(r);
        setCol(c);
        searchHit = true;
    }
    void searchForward() {
        for (int c = col + 1, r = row;;) {
            if (matches(c, r))
                return found(c, r);
            if (++c > colCount - 1) {
                c = 1;
                if (++r > rowCount - 1)
                    return;
            }
        }
    }
    void searchBackward() {
        for (int c = col - 1, r = row;;) {
            if (matches(c, r))
                return found(c, r);
            if (--c < 1) {
                c = colCount - 1;
                if (--r < 1)
                    return;
            }
        }
    }
    void searchTextChanged(const QString& text) {
        searchText = text;
        setOptions(options & ~goRowSelect);
        searchForward();
    }

    static QString key(int c, int r) { return QString::number(c) + u'-' + QString::number(r); }
    void saveTable() {
        settingsTable.clear();
        for (int c = 1; c < colCount; ++c)
            for (int r = 0; r < rowCount; ++r)
                if (!cell(c, r).isEmpty())
                    settingsTable[key(c, r)] = cell(c, r);
    }
    // No preview pictures exist in the session's folder, so no row gets a marker.
    void loadTable() {
        for (int r = 0;;) {
            for (int c = 1; c < colCount; ++c) {
                const auto it = settingsTable.find(key(c, r));
                setCell(c, r, it == settingsTable.end() ? QString() : it->second);
            }
            if (cell(2, r).isEmpty())
                break;
            setCell(4, r, QString());
            setCell(0, r, QString::number(r));
            if (++r >= rowCount)
                setRowCount(rowCount + 2);
        }
        const char* const header[] = {"#", "Function", "command", "Description", "img"};
        for (int c = 0; c < 5; ++c)
            setCell(c, 0, QString::fromLatin1(header[c]));
        if (cell(1, 1).isEmpty()) {
            setCell(1, 1, QStringLiteral("DOS command"));
            setCell(2, 1, QStringLiteral("cmd"));
            setCell(3, 1, QStringLiteral("DOS command window"));
        }
        if (cell(1, 2).isEmpty()) {
            setCell(1, 2, QStringLiteral("power command"));
            setCell(2, 2, QStringLiteral("powershell.exe"));
            setCell(3, 2, QStringLiteral("powershell command"));
        }
    }
    void exportJson() {
        std::vector<std::vector<QString>> rows;
        for (int r = 0; r < rowCount; ++r) {
            rows.emplace_back();
            for (int c = 0; c < colCount; ++c)
                rows.back().push_back(cell(c, r));
        }
        jsonFile = rows;
    }
    // Gives false when there is no file to import.
    bool importJson() {
        if (!jsonFile)
            return false;
        setRowCount(int(jsonFile->size()));
        for (int r = 0; r < int(jsonFile->size()); ++r) {
            const auto& cellsOfRow = (*jsonFile)[size_t(r)];
            setColCount(int(cellsOfRow.size()));
            for (int c = 0; c < int(cellsOfRow.size()); ++c)
                setCell(c, r, cellsOfRow[size_t(c)]);
        }
        return true;
    }
};

// ---- Comparing the window with the model ----

QString mismatch(TForm1& form, const TableModel& model) {
    const GridModel& grid = form.grid();
    const auto differ = [](const char* what, auto actual, auto expected) {
        return QStringLiteral("%1: window %2, model %3")
            .arg(QLatin1StringView(what))
            .arg(actual)
            .arg(expected);
    };
    if (grid.rowCount() != model.rowCount)
        return differ("row count", grid.rowCount(), model.rowCount);
    if (grid.colCount() != model.colCount)
        return differ("column count", grid.colCount(), model.colCount);
    if (grid.fixedRows() != model.fixedRows)
        return differ("fixed rows", grid.fixedRows(), model.fixedRows);
    if (grid.col() != model.col || grid.row() != model.row)
        return QStringLiteral("current cell: window (%1, %2), model (%3, %4)")
            .arg(grid.col())
            .arg(grid.row())
            .arg(model.col)
            .arg(model.row);
    if (grid.options() != model.options)
        return differ("options", grid.options(), model.options);
    if (form.editor().tableModified() != model.tableModified)
        return differ("table modified", form.editor().tableModified(), model.tableModified);
    if (form.searchHit() != model.searchHit)
        return differ("search hit", form.searchHit(), model.searchHit);
    // Every cell of the model (hidden ones too) and every cell inside the counts.
    for (const auto& [at, text] : model.cells)
        if (grid.cell(at.first, at.second) != text)
            return QStringLiteral("cell (%1, %2): window \"%3\", model \"%4\"")
                .arg(at.first)
                .arg(at.second)
                .arg(grid.cell(at.first, at.second), text);
    for (int r = 0; r < grid.rowCount(); ++r)
        for (int c = 0; c < grid.colCount(); ++c)
            if (grid.cell(c, r) != model.cell(c, r))
                return QStringLiteral("cell (%1, %2): window \"%3\", model \"%4\"")
                    .arg(c)
                    .arg(r)
                    .arg(grid.cell(c, r), model.cell(c, r));
    // The view shows the table's rows below the fixed ones and all its columns.
    const QAbstractItemModel* view = form.StringGrid1->model();
    if (view->rowCount() != grid.rowCount() - grid.fixedRows())
        return differ("view rows", view->rowCount(), grid.rowCount() - grid.fixedRows());
    if (view->columnCount() != grid.colCount())
        return differ("view columns", view->columnCount(), grid.colCount());
    if (form.ComboBox_search->currentText() != model.searchText)
        return QStringLiteral("search text: \"%1\", model \"%2\"")
            .arg(form.ComboBox_search->currentText(), model.searchText);
    return {};
}

// Texts that exercise the escapes and encodings of both files, case folding
// in the search and the INI syntax inside values.
const QStringList kPieces = {
    QStringLiteral("a"),          QStringLiteral("B"),      QStringLiteral("cmd"),
    QStringLiteral("note"),       QStringLiteral("NOTE"),   QStringLiteral("x/y"),
    QStringLiteral("\u00e9"),     QStringLiteral("\u00c9"), QStringLiteral("\u4e2d"),
    QStringLiteral("\"q\""),      QStringLiteral("b\\s"),   QStringLiteral(" sp "),
    QStringLiteral("k=v"),        QStringLiteral("[s]"),    QStringLiteral(";c"),
    QStringLiteral("\U0001F600"), QStringLiteral("\t"),     QStringLiteral("0x1F")};
const QStringList kSearchTexts = {QString(),
                                  QStringLiteral("a"),
                                  QStringLiteral("no"),
                                  QStringLiteral("NOTE"),
                                  QStringLiteral("\u00e9"),
                                  QStringLiteral("x/"),
                                  QStringLiteral("sp"),
                                  QStringLiteral("\u4e2d")};

QString randomText(QRandomGenerator& random) {
    QString text;
    const int pieces = int(random.bounded(4));
    for (int i = 0; i < pieces; ++i)
        text += kPieces[random.bounded(int(kPieces.size()))];
    return text;
}

} // namespace

class TestRandomSession : public QObject {
    Q_OBJECT
private slots:
    void sessionFollowsTheTableRules();
};

void TestRandomSession::sessionFollowsTheTableRules() {
    const quint32 seed = qEnvironmentVariableIsSet("RUNPAD_SEED")
                             ? qgetenv("RUNPAD_SEED").toUInt() // seeds pass 2^31
                             : QRandomGenerator::global()->generate();
    // The sanitized build is some thirty times slower: it walks a shorter session.
    const int steps = qEnvironmentVariableIsSet("RUNPAD_STEPS")
                          ? qEnvironmentVariableIntValue("RUNPAD_STEPS")
                      : qEnvironmentVariableIsSet("RUNPAD_SANITIZED") ? 1000
                                                                      : 10000;
    qInfo("seed %u: replay with RUNPAD_SEED=%u", seed, seed);
    QRandomGenerator random(seed);

    FormFixture fixture;
    const QString previousCurrent = QDir::currentPath();
    QVERIFY(QDir::setCurrent(fixture.dir.path()));
    auto restoreCurrent = qScopeGuard([&] { QDir::setCurrent(previousCurrent); });
    auto form = fixture.makeForm();
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    QAbstractItemModel* view = form->StringGrid1->model();
    const QList<QAction*> styles = form->StyleMenu->actions();
    QVERIFY(!styles.isEmpty());

    TableModel model;
    model.loadTable(); // the start loads from a settings file that does not exist yet
    int errorsExpected = 0;

    enum Op {
        InsertRow,
        DeleteRow,
        RowUp,
        RowDown,
        InsertCol,
        DeleteCol,
        ColLeft,
        ColRight,
        EditToggle,
        EditCell,
        Click,
        TypeSearch,
        SearchForward,
        SearchBackward,
        LoadTable,
        SaveTable,
        ExportJson,
        ImportJson,
        Style,
        FitWidths,
        OpCount
    };
    const char* const names[] = {
        "insert row",    "delete row",  "row up",       "row down",    "insert column",
        "delete column", "column left", "column right", "edit toggle", "edit cell",
        "click",         "type search", "F3",           "Shift+F3",    "load table",
        "save table",    "JSON export", "JSON import",  "style",       "fit widths"};
    const int weights[OpCount] = {7, 7, 5, 5, 3, 3, 4, 4, 6, 14, 10, 5, 5, 5, 2, 3, 2, 2, 1, 1};
    int totalWeight = 0;
    for (const int w : weights)
        totalWeight += w;

    std::deque<QString> recent; // the last steps, for the failure message
    for (int step = 0; step < steps; ++step) {
        int pick = int(random.bounded(totalWeight));
        int op = 0;
        while (pick >= weights[op])
            pick -= weights[op++];
        // Keep the table to a size a person would scroll through.
        if (op == InsertRow && model.rowCount > 40)
            op = DeleteRow;
        if (op == InsertCol && model.colCount > 9)
            op = DeleteCol;

        QString detail;
        const auto expectGridIndexError = [&](auto&& change) {
            try {
                change();
            } catch (const GridIndexError&) {
                ++errorsExpected;
            }
        };
        switch (op) {
        case InsertRow:
            expectGridIndexError([&] { model.insertRow(); });
            form->Action_insert_row->trigger();
            break;
        case DeleteRow:
            expectGridIndexError([&] { model.deleteRow(); });
            form->Action_del_row->trigger();
            break;
        case RowUp:
            model.moveRowUp();
            form->Action_move_row_up->trigger();
            break;
        case RowDown:
            model.moveRowDown();
            form->Action_move_row_down->trigger();
            break;
        case InsertCol:
            model.insertCol();
            form->Action_insert_col->trigger();
            break;
        case DeleteCol:
            model.deleteCol();
            form->Action_del_col->trigger();
            break;
        case ColLeft:
            model.moveColLeft();
            form->Action_move_col_to_left->trigger();
            break;
        case ColRight:
            model.moveColRight();
            form->Action_move_col_to_right->trigger();
            break;
        case EditToggle:
            model.editToggle();
            form->Action_edit->trigger();
            break;
        case EditCell:
        case Click: {
            if (model.rowCount <= model.fixedRows)
                break;
            const int c = int(random.bounded(model.colCount));
            const int r = model.fixedRows + int(random.bounded(model.rowCount - model.fixedRows));
            detail = QStringLiteral(" (%1, %2)").arg(c).arg(r);
            model.userClick(c, r);
            form->grid().selectByUser(c, r, true);
            // The in-place editor exists only in edit mode (editing on, row select off).
            if (op == EditCell && model.has(goEditing) && !model.has(goRowSelect)) {
                const QString text = randomText(random);
                detail += QStringLiteral(" \"%1\"").arg(text);
                const QModelIndex index = view->index(model.row - model.fixedRows, model.col);
                QVERIFY(view->flags(index).testFlag(Qt::ItemIsEditable));
                QVERIFY(view->setData(index, text, Qt::EditRole));
                model.setCell(model.col, model.row, text);
            }
            break;
        }
        case TypeSearch: {
            const QString text = kSearchTexts[random.bounded(int(kSearchTexts.size()))];
            detail = QStringLiteral(" \"%1\"").arg(text);
            // The box reports a change only when its text changes.
            if (text != model.searchText)
                model.searchTextChanged(text);
            form->ComboBox_search->setEditText(text);
            break;
        }
        case SearchForward:
            model.searchForward();
            form->Action_search->trigger();
            break;
        case SearchBackward:
            model.searchBackward();
            form->Action_search_up->trigger();
            break;
        case LoadTable:
            model.loadTable();
            form->Action_load_table_contents->trigger();
            break;
        case SaveTable:
            model.saveTable();
            form->Action_save_table_contents->trigger();
            break;
        case ExportJson:
            model.exportJson();
            form->savetabletojsonfile1->trigger();
            break;
        case ImportJson:
            if (!model.importJson())
                ++errorsExpected; // no export yet: "The specified file was not found"
            form->LoadJsontoStringGrid1->trigger();
            break;
        case Style: {
            QAction* style = styles[random.bounded(int(styles.size()))];
            detail = u' ' + style->text();
            form->StyleMenuItemClick(style);
            break;
        }
        case FitWidths:
            form->Action_adj_all_table_width->trigger();
            break;
        }
        recent.push_back(QString::number(step) + u' ' + QLatin1StringView(names[op]) + detail);
        if (recent.size() > 12)
            recent.pop_front();
        if (step % 200 == 0)
            QCoreApplication::processEvents(); // paint and lay out now and then

        QString problem = mismatch(*form, model);
        if (problem.isEmpty() && fixture.prompts.errors.size() != errorsExpected)
            problem = QStringLiteral("%1 error boxes, model expects %2; last: %3")
                          .arg(fixture.prompts.errors.size())
                          .arg(errorsExpected)
                          .arg(fixture.prompts.errors.value(fixture.prompts.errors.size() - 1));
        if (!problem.isEmpty()) {
            QStringList steps(recent.begin(), recent.end());
            QFAIL(qPrintable(QStringLiteral("seed %1, step %2: %3\nlast steps:\n  %4")
                                 .arg(seed)
                                 .arg(step)
                                 .arg(problem, steps.join(QStringLiteral("\n  ")))));
        }
    }
}

QTEST_MAIN(TestRandomSession)
#include "tst_random_session.moc"
