#include "core/table/grid_model.h"
#include "core/table/ini_document.h"
#include "form_fixture.h"
#include "ui/picture_view.h"
#include "ui/startup_table_read.h"
#include "ui/string_grid_view.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>

#include <unistd.h>

using namespace runpad;
using namespace runpad::testing;

namespace {

const QByteArray kPreparedIni = "[Styles]\nStyle Name=Windows10\n"
                                "[Table]\n1-0=Function\n2-0=command\n3-0=Description\n"
                                "1-1=Editor\n2-1=gedit notes.txt\n3-1=edit notes\n"
                                "1-2=Shell\n2-2=bash\n"
                                "1-3=List\n2-3=ls -l\n";

} // namespace

class TestMainForm : public QObject {
    Q_OBJECT

    std::unique_ptr<FormFixture> fixture;
    QTemporaryDir* dir = nullptr;

    std::unique_ptr<TForm1> makeForm(const QString& exePath) { return fixture->makeForm(exePath); }
    QString exe() const { return fixture->exe(); }
    QString ini() const { return fixture->ini(); }

private slots:
    void init() {
        fixture = std::make_unique<FormFixture>();
        dir = &fixture->dir;
    }
    void cleanup() { fixture.reset(); }

    void settingsFileSitsBesideTheExecutable_data() {
        QTest::addColumn<QString>("exeName");
        QTest::addColumn<QString>("iniName");
        QTest::newRow("no extension") << "Runpad"
                                      << "Runpad.ini";
        QTest::newRow("extension replaced") << "Runpad.bin"
                                            << "Runpad.ini";
        QTest::newRow("only the last extension replaced") << "run.pad.exe"
                                                          << "run.pad.ini";
    }
    void settingsFileSitsBesideTheExecutable() {
        QFETCH(QString, exeName);
        QFETCH(QString, iniName);
        auto form = makeForm(dir->filePath(exeName));
        QCOMPARE(form->settingsFileName(), dir->filePath(iniName));
    }

    // An installed copy keeps its files in another folder: the table, the
    // style and the startup picture come from there and go back there.
    void filesKeptElsewhere() {
        const QString folder = dir->filePath("config/Runpad/");
        QVERIFY(QDir().mkpath(folder));
        const ProgramFiles files{folder, folder + "Runpad.ini", folder + "Runpad.png"};
        QVERIFY(writeFile(files.settingsFile, kPreparedIni));
        QImage picture(7, 5, QImage::Format_RGB32);
        picture.fill(Qt::green);
        QVERIFY(picture.save(files.startupPicture, "PNG"));

        FormDependencies deps{exe(),           fixture->clock, fixture->prompts, fixture->errors,
                              fixture->styles, fixture->shell, fixture->icons};
        deps.files = &files;
        auto form = std::make_unique<TForm1>(deps);
        QCOMPARE(form->settingsFileName(), files.settingsFile);
        QCOMPARE(form->grid().cell(2, 1), QString("gedit notes.txt"));
        QCOMPARE(form->ScrollBox1->model().naturalSize(), QSize(7, 5));
        form->Action_edit->trigger();
        form->grid().setCell(3, 2, "login shell");
        QVERIFY(form->close());
        const IniDocument saved = IniDocument::fromBytes(readFile(files.settingsFile));
        QCOMPARE(saved.readString("Table", "3-2"), QString("login shell"));
        QVERIFY2(!QFileInfo::exists(ini()), "nothing is written beside the executable");
        QVERIFY(fixture->prompts.errors.isEmpty());
    }

    void startupLoadsThePreparedTable() {
        QVERIFY(writeFile(ini(), kPreparedIni));
        auto form = makeForm(exe());
        GridModel& grid = form->grid();
        QCOMPARE(grid.cell(2, 1), QString("gedit notes.txt"));
        QCOMPARE(grid.cell(1, 3), QString("List"));
        QCOMPARE(grid.cell(0, 3), QString("3"));
        QCOMPARE(grid.rowCount(), 5);
        // Widths were fitted after the load: the long command widens column 2.
        QVERIFY(grid.colWidth(2) > GridModel::kDefaultColWidth);
        QCOMPARE(grid.colWidth(0), GridModel::kDefaultColWidth);
        QVERIFY(fixture->prompts.errors.isEmpty());
    }

    // The program starts reading before the window exists, and has the
    // table's columns fitted on that thread once the application exists; the
    // window takes that read only when it is of its own settings file, and
    // those widths only when they were fitted in its own command-row font.
    void startupReadStartedBeforeTheWindow_data() {
        QTest::addColumn<bool>("ofOwnSettingsFile");
        QTest::addColumn<int>("fitFontPixels"); // 0: no fit asked for; -1: the window's font
        QTest::addColumn<bool>("widthsTaken");
        QTest::newRow("own settings file, fitted in the window's font") << true << -1 << true;
        QTest::newRow("own settings file, not fitted") << true << 0 << false;
        QTest::newRow("own settings file, fitted in another font") << true << 30 << false;
        QTest::newRow("another file: left alone") << false << -1 << false;
    }
    void startupReadStartedBeforeTheWindow() {
        QFETCH(bool, ofOwnSettingsFile);
        QFETCH(int, fitFontPixels);
        QFETCH(bool, widthsTaken);
        QVERIFY(writeFile(ini(), kPreparedIni));
        const QString other = dir->filePath("Other.ini");
        QVERIFY(writeFile(other, "[Table]\n1-1=Other\n2-1=other command\n"));
        StartupTableRead read(ofOwnSettingsFile ? ini() : other);
        if (fitFontPixels < 0) {
            read.fitColumns(TForm1::commandRowFont());
        } else if (fitFontPixels > 0) {
            QFont font = TForm1::commandRowFont();
            font.setPixelSize(fitFontPixels);
            read.fitColumns(font);
        }

        FormDependencies deps{exe(),           fixture->clock, fixture->prompts, fixture->errors,
                              fixture->styles, fixture->shell, fixture->icons};
        deps.startupRead = &read;
        auto form = std::make_unique<TForm1>(deps);
        QCOMPARE(read.pending(), !ofOwnSettingsFile);
        QCOMPARE(form->startupWidthsTaken(), widthsTaken);
        QCOMPARE(form->grid().cell(2, 1), QString("gedit notes.txt"));
        QCOMPARE(form->grid().rowCount(), 5);
        // Whichever way they came, the widths are those the window's own fit gives.
        QList<int> widths;
        for (int c = 0; c < form->grid().colCount(); ++c)
            widths.append(form->grid().colWidth(c));
        QVERIFY(widths[2] > GridModel::kDefaultColWidth);
        form->Action_adj_all_table_width->trigger();
        for (int c = 0; c < form->grid().colCount(); ++c)
            QCOMPARE(form->grid().colWidth(c), widths[c]);
        QVERIFY(fixture->prompts.errors.isEmpty());
    }

    void closingAfterEditModeSavesTheTable() {
        QVERIFY(writeFile(ini(), kPreparedIni));
        auto form = makeForm(exe());
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        form->Action_edit->trigger(); // enter edit mode
        form->Action_edit->trigger(); // and leave it without any change
        form->grid().setCell(3, 2, "login shell");
        QVERIFY(form->close());
        const IniDocument saved = IniDocument::fromBytes(readFile(ini()));
        QCOMPARE(saved.readString("Table", "3-2"), QString("login shell"));
        QCOMPARE(saved.readString("Table", "2-3"), QString("ls -l"));
        QCOMPARE(saved.readString("Table", "4-0"), QString("img"));
        QVERIFY(!saved.hasKey("Table", "0-1"));
        QCOMPARE(saved.readString("Styles", "Style Name"), QString("Windows10"));
        // The tick counter wrapped during the save; the difference is still small.
        QCOMPARE(saved.readInteger("save time", "save time ", -1), 7);
        QVERIFY(readFile(ini()).contains("\n[save time]\nsave time =7\n"));
    }

    void firstCloseWithoutEditModeWritesOnlyTheStyleSection() {
        auto form = makeForm(exe());
        form->Action_insert_row->trigger(); // cell mode, not edit mode
        QVERIFY(form->close());
        const IniDocument saved = IniDocument::fromBytes(readFile(ini()));
        QCOMPARE(saved.sectionNames(), QStringList{"Styles"});
        QCOMPARE(saved.readInteger("Styles", "Form Width", 0), 800);
        QCOMPARE(saved.readInteger("Styles", "Form Height", 0), 750);
        QCOMPARE(saved.readInteger("Styles", "Form Left", -1), 0);
        QCOMPARE(saved.readInteger("Styles", "Form Top", -1), 0);
        QCOMPARE(saved.readInteger("Styles", "table width", 0), 736);
        QVERIFY(!saved.hasKey("Styles", "Style Name"));
    }

    void exitSavesLikeTheCloseBox() {
        QVERIFY(writeFile(ini(), kPreparedIni));
        auto form = makeForm(exe());
        form->show();
        form->Action_edit->trigger();
        form->grid().setCell(1, 1, "Text editor");
        form->Exit1->trigger();
        QVERIFY(!form->isVisible());
        const IniDocument saved = IniDocument::fromBytes(readFile(ini()));
        QCOMPARE(saved.readString("Table", "1-1"), QString("Text editor"));
    }

    void failedSaveAtCloseAsksBeforeLosingEdits_data() {
        QTest::addColumn<bool>("closeAnyway");
        QTest::newRow("user keeps the window open") << false;
        QTest::newRow("user closes and drops the edits") << true;
    }
    void failedSaveAtCloseAsksBeforeLosingEdits() {
        QFETCH(bool, closeAnyway);
        // A regular file where the folder should be makes every write fail,
        // also for root.
        QVERIFY(writeFile(dir->filePath("notafolder"), "x"));
        const QString exePath = dir->filePath("notafolder/Runpad");
        auto form = makeForm(exePath);
        form->show();
        form->Action_edit->trigger();
        fixture->prompts.answer = closeAnyway;
        QCOMPARE(form->close(), closeAnyway);
        QCOMPARE(form->isVisible(), !closeAnyway);
        QCOMPARE(fixture->prompts.errors,
                 QStringList{"Unable to write to " + dir->filePath("notafolder/Runpad.ini") + "."});
        QCOMPARE(fixture->prompts.questions.size(), 1);
    }

    void saveTimeCoversTheFileWrite() {
        // A clock that moves on only once the new table is on disk.
        class WriteWatchingClock : public Clock {
        public:
            explicit WriteWatchingClock(QString path) : path_(std::move(path)) {}
            quint32 tickCount() const override {
                return readFile(path_).contains("login shell") ? 1000 : 0;
            }

        private:
            QString path_;
        } clock(ini());
        QVERIFY(writeFile(ini(), kPreparedIni));
        auto form = std::make_unique<TForm1>(FormDependencies{exe(), clock, fixture->prompts,
                                                              fixture->errors, fixture->styles,
                                                              fixture->shell, fixture->icons});
        form->grid().setCell(3, 2, "login shell");
        form->Action_save_table_contents->trigger();
        const IniDocument saved = IniDocument::fromBytes(readFile(ini()));
        QCOMPARE(saved.readInteger("save time", "save time ", -1), 1000);
    }

    void unreadableSettingsAreNeverWrittenOver_data() {
        QTest::addColumn<bool>("folderInItsPlace");
        QTest::newRow("a folder named like the file") << true;
        QTest::newRow("a file the user may write but not read") << false;
    }
    void unreadableSettingsAreNeverWrittenOver() {
        QFETCH(bool, folderInItsPlace);
        if (folderInItsPlace) {
            QVERIFY(QDir(dir->path()).mkdir("Runpad.ini"));
        } else {
            if (::geteuid() == 0)
                QSKIP("permission bits do not stop root from reading");
            QVERIFY(writeFile(ini(), kPreparedIni));
            QVERIFY(QFile::setPermissions(ini(), QFileDevice::WriteOwner));
        }
        auto form = makeForm(exe());
        form->show();
        QCOMPARE(fixture->prompts.errors.size(), 1);
        QVERIFY2(fixture->prompts.errors[0].startsWith("Cannot open file \"" + ini() + "\". "),
                 qPrintable(fixture->prompts.errors[0]));
        // The window stays usable; edits and the close do not touch the file.
        form->Action_edit->trigger();
        form->grid().setCell(2, 1, "typed command");
        fixture->prompts.answer = true;
        QVERIFY(form->close());
        QCOMPARE(fixture->prompts.errors.size(), 2);
        QVERIFY2(fixture->prompts.errors[1].startsWith("The table was not saved: " + ini()),
                 qPrintable(fixture->prompts.errors[1]));
        QCOMPARE(fixture->prompts.questions.size(), 1);
        if (folderInItsPlace) {
            QVERIFY(QFileInfo(ini()).isDir());
        } else {
            QVERIFY(QFile::setPermissions(ini(), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
            QCOMPARE(readFile(ini()), kPreparedIni);
        }
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot),
                 QStringList{"Runpad.ini"});
    }

    void saveCommandReportsAFailedWrite() {
        QVERIFY(writeFile(dir->filePath("notafolder"), "x"));
        auto form = makeForm(dir->filePath("notafolder/Runpad"));
        form->Action_save_table_contents->trigger();
        QCOMPARE(fixture->prompts.errors,
                 QStringList{"Unable to write to " + dir->filePath("notafolder/Runpad.ini") + "."});
        QCOMPARE(form->grid().cell(2, 1), QString("cmd")); // the table in memory is untouched
    }

    void loadCommandRereadsTheFile() {
        auto form = makeForm(exe());
        QCOMPARE(form->grid().cell(2, 1), QString("cmd"));
        QVERIFY(writeFile(ini(), kPreparedIni));
        form->Action_load_table_contents->trigger();
        QCOMPARE(form->grid().cell(2, 1), QString("gedit notes.txt"));
    }

    void viewFollowsTheModelsCurrentCell() {
        QVERIFY(writeFile(ini(), kPreparedIni));
        auto form = makeForm(exe());
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        StringGridView* view = form->StringGrid1;
        form->grid().setRow(3);
        QCOMPARE(view->currentIndex(), view->indexOfCell(0, 3));
        QVERIFY(view->selectionModel()->isRowSelected(view->indexOfCell(0, 3).row(), {}));
    }

    void userClicksAndKeysMoveTheModel() {
        QVERIFY(writeFile(ini(), kPreparedIni));
        auto form = makeForm(exe());
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        StringGridView* view = form->StringGrid1;
        int clicks = 0;
        form->grid().setClickHandler([&] { ++clicks; });

        const QPoint cell = view->visualRect(view->indexOfCell(2, 2)).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell);
        QCOMPARE(form->grid().row(), 2);
        QCOMPARE(form->grid().col(), 0); // row-select mode holds the column at 0
        QCOMPARE(clicks, 1);

        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell);
        QCOMPARE(clicks, 2); // a click on the current row still counts

        view->setFocus();
        QTest::keyClick(view, Qt::Key_Down);
        QCOMPARE(form->grid().row(), 3);
        QCOMPARE(clicks, 3);
    }

    void editModeWritesEveryKeystrokeAtOnce() {
        QVERIFY(writeFile(ini(), kPreparedIni));
        auto form = makeForm(exe());
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        form->Action_edit->trigger();
        StringGridView* view = form->StringGrid1;
        QStringList seen;
        view->setEditTextHandler([&](int, int, const QString& text) { seen << text; });
        form->grid().setCol(3);
        form->grid().setRow(4);
        view->setFocus();
        QTest::keyClick(view, Qt::Key_F2);
        auto* editor = view->findChild<QLineEdit*>();
        QVERIFY(editor);
        QTest::keyClicks(editor, "abc");
        QCOMPARE(form->grid().cell(3, 4), QString("abc"));
        QCOMPARE(seen, QStringList({"a", "ab", "abc"}));
    }

    void editingIsOffInRowSelectMode() {
        auto form = makeForm(exe());
        StringGridView* view = form->StringGrid1;
        const QModelIndex index = view->indexOfCell(2, 1);
        QVERIFY(!(view->model()->flags(index) & Qt::ItemIsEditable));
        form->Action_edit->trigger();
        QVERIFY(view->model()->flags(index) & Qt::ItemIsEditable);
        QCOMPARE(form->editor().editImageIndex(), 13);
    }

    void insertedRowAppearsInTheView() {
        auto form = makeForm(exe());
        StringGridView* view = form->StringGrid1;
        const int before = view->model()->rowCount();
        form->grid().setRow(2);
        form->Action_insert_row->trigger();
        QCOMPARE(view->model()->rowCount(), before + 1);
        QCOMPARE(view->model()->data(view->indexOfCell(2, 3)).toString(),
                 QString("powershell.exe"));
        QCOMPARE(view->model()->data(view->indexOfCell(2, 2)).toString(), QString());
        QCOMPARE(view->selectionMode(), QAbstractItemView::ContiguousSelection);
    }

    // An import that shrinks the table takes rows before columns away; Qt then
    // moves the view's current index into a column the table no longer has.
    void shrinkingTheTableIsNotAUserMove() {
        QVERIFY(writeFile(ini(), kPreparedIni));
        auto form = makeForm(exe());
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        form->Action_edit->trigger(); // cell mode: the current column is free
        GridModel& grid = form->grid();
        grid.setColCount(6);
        grid.setRowCount(8);
        grid.setCol(5);
        grid.setRow(7);
        int clicks = 0;
        grid.setClickHandler([&] { ++clicks; });
        {
            GridModel::UpdateBatch batch(grid);
            grid.setRowCount(3);
            grid.setColCount(2);
        }
        QCOMPARE(fixture->prompts.errors, QStringList());
        QCOMPARE(clicks, 0);
        QCOMPARE(grid.row(), 2);
        QCOMPARE(grid.col(), 1);
        StringGridView* view = form->StringGrid1;
        QCOMPARE(view->currentIndex(), view->indexOfCell(1, 2));
    }

    void columnWidthsFollowTheModel() {
        auto form = makeForm(exe());
        StringGridView* view = form->StringGrid1;
        form->grid().setColWidth(3, 150);
        QCOMPARE(view->columnWidth(3), 150);
        view->horizontalHeader()->resizeSection(1, 90); // a drag in the header
        QCOMPARE(form->grid().colWidth(1), 90);
        QCOMPARE(view->rowHeight(0), GridModel::kRowHeight);
    }
};

QTEST_MAIN(TestMainForm)
#include "tst_main_form.moc"
