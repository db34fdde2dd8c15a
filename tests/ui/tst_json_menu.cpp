#include "core/table/grid_model.h"
#include "form_fixture.h"
#include "ui/string_grid_view.h"

#include <QAction>
#include <QDir>

using namespace runpad;
using namespace runpad::testing;

// The Tool menu's two items write the table to runpad.json in the current
// folder and read it back from Runpad.json, through the form's error display.
class TestJsonMenu : public QObject {
    Q_OBJECT

    std::unique_ptr<FormFixture> fixture;
    QString previousCurrent;

private slots:
    void init() {
        fixture = std::make_unique<FormFixture>();
        previousCurrent = QDir::currentPath();
        QVERIFY(QDir::setCurrent(fixture->dir.path()));
    }
    void cleanup() {
        QDir::setCurrent(previousCurrent);
        fixture.reset();
    }

    void exportThenImportRestoresTheTable() {
        auto form = fixture->makeForm();
        GridModel& grid = form->grid();
        grid.setCell(2, 1, QStringLiteral("C:/Tools/app.exe"));
        form->savetabletojsonfile1->trigger();
        QVERIFY(fixture->prompts.errors.isEmpty());
        const QByteArray written = readFile(fixture->dir.filePath(QStringLiteral("runpad.json")));
        QVERIFY2(written.startsWith(R"({"data":[["#","Function","command","Description","img"],)"),
                 written.constData());
        QVERIFY(written.contains(R"("C:\/Tools\/app.exe")"));

        grid.setCell(2, 1, QStringLiteral("changed"));
        grid.setRowCount(9);
        form->LoadJsontoStringGrid1->trigger();
        QVERIFY(fixture->prompts.errors.isEmpty());
        QCOMPARE(grid.cell(2, 1), QStringLiteral("C:/Tools/app.exe"));
        QCOMPARE(grid.rowCount(), 5);
        auto* view = form->findChild<StringGridView*>();
        QVERIFY(view);
        QCOMPARE(view->model()->rowCount(), 4); // the header row is the view's header
    }

    void brokenImportFileShowsTheErrorAndKeepsTheTable() {
        auto form = fixture->makeForm();
        GridModel& grid = form->grid();
        const QString before = grid.cell(2, 1);
        QVERIFY(
            writeFile(fixture->dir.filePath(QStringLiteral("Runpad.json")), "{\"data\":[[\"x\"]"));
        form->LoadJsontoStringGrid1->trigger();
        QCOMPARE(fixture->prompts.errors.size(), 1);
        QVERIFY2(fixture->prompts.errors.first().contains(QStringLiteral("line 1, column 15")),
                 qPrintable(fixture->prompts.errors.first()));
        QCOMPARE(grid.cell(2, 1), before);
        QCOMPARE(grid.rowCount(), 5);
    }

    void missingImportFileIsReported() {
        auto form = fixture->makeForm();
        form->LoadJsontoStringGrid1->trigger();
        QCOMPARE(fixture->prompts.errors, QStringList{"The specified file was not found."});
    }
};

QTEST_MAIN(TestJsonMenu)
#include "tst_json_menu.moc"
