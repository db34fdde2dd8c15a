#include "core/common/app_error.h"
#include "form_fixture.h"
#include "ui/picture_view.h"
#include "ui/string_grid_view.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

using namespace runpad;
using namespace runpad::testing;

namespace {

// Rows 1..9 hold commands; row 0 is the header.
const QByteArray kTenRows = [] {
    QByteArray ini = "[Table]\n1-0=Function\n2-0=command\n3-0=Description\n";
    for (int r = 1; r <= 9; ++r)
        ini += QByteArray("1-") + QByteArray::number(r) + "=fn" + QByteArray::number(r) + "\n2-" +
               QByteArray::number(r) + "=cmd" + QByteArray::number(r) + "\n";
    return ini;
}();

// Changes the current directory for the life of the object.
class CurrentDir {
public:
    explicit CurrentDir(const QString& path) : old_(QDir::currentPath()) { QDir::setCurrent(path); }
    ~CurrentDir() { QDir::setCurrent(old_); }

private:
    QString old_;
};

} // namespace

class TestLaunchKeyboard : public QObject {
    Q_OBJECT
    std::unique_ptr<FormFixture> fx;
    std::unique_ptr<TForm1> form;

    void start(const QByteArray& ini) {
        QVERIFY(writeFile(fx->ini(), ini));
        form = fx->makeForm();
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
    }
    void doubleClickCell(int col, int row) {
        StringGridView* view = form->StringGrid1;
        const QPoint at = view->visualRect(view->indexOfCell(col, row)).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
    }
    QStringList startedFiles() const {
        QStringList files;
        for (const ShellStartRequest& r : fx->shell.requests)
            files << r.file;
        return files;
    }

private slots:
    void init() { fx = std::make_unique<FormFixture>(); }
    void cleanup() {
        form.reset();
        fx.reset();
    }

    void doubleClickStartsTheCommand_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("parameters");
        QTest::newRow("program with arguments") << "tool.exe -x 5"
                                                << "tool.exe"
                                                << "-x 5";
        QTest::newRow("other command") << "gimp photo.png"
                                       << "gimp photo.png"
                                       << "";
        QTest::newRow("control panel item") << "/name Item"
                                            << "control.exe"
                                            << "/name Item";
    }
    void doubleClickStartsTheCommand() {
        QFETCH(QString, command);
        QFETCH(QString, file);
        QFETCH(QString, parameters);
        start("[Table]\n2-0=command\n1-1=f\n2-1=" + command.toUtf8() + "\n");
        doubleClickCell(3, 1);
        QCOMPARE(startedFiles(), QStringList{file});
        QCOMPARE(fx->shell.requests.first().parameters.value_or(QString()), parameters);
        QVERIFY(form->grid().hasOption(goEditing));
        QVERIFY(form->grid().hasOption(goRowSelect));
    }

    void rowWithoutNumberStartsNothing() {
        start(kTenRows);
        form->grid().setRow(3);
        form->Action_insert_row->trigger();
        form->Action_edit->trigger(); // back to row-select mode
        form->grid().setCell(2, 3, "fresh command");
        doubleClickCell(2, 3);
        QVERIFY(fx->shell.requests.isEmpty());
    }

    void editModeStartsOnlyFromTheCommandCell() {
        start(kTenRows);
        form->Action_edit->trigger();
        form->grid().setCol(3);
        form->StringGrid1DblClick();
        QVERIFY(fx->shell.requests.isEmpty());
        form->grid().setCol(4);
        form->StringGrid1DblClick();
        QVERIFY(fx->shell.requests.isEmpty());
        form->grid().setCol(2);
        form->StringGrid1DblClick();
        QCOMPARE(startedFiles(), QStringList{"cmd1"});
    }

    void enterInTheGridStarts() {
        start(kTenRows);
        form->grid().setRow(4);
        form->StringGrid1->setFocus();
        QTest::keyClick(form->StringGrid1, Qt::Key_Return);
        QCOMPARE(startedFiles(), QStringList{"cmd4"});
        QCOMPARE(form->panelText(0), QString("13"));
    }

    void enterThatEndsACellEditStartsNothing() {
        start(kTenRows);
        form->Action_edit->trigger();
        form->grid().setCol(2);
        form->grid().setRow(3);
        form->StringGrid1->setFocus();
        QTest::keyClick(form->StringGrid1, Qt::Key_F2);
        auto* editor = form->StringGrid1->findChild<QLineEdit*>();
        QVERIFY(editor);
        QTest::keyClick(editor, Qt::Key_End);
        QTest::keyClicks(editor, "x");
        QTest::keyPress(editor, Qt::Key_Return);
        // The key-down closed the editor; the key-up reaches the grid.
        QTRY_COMPARE(QApplication::focusWidget(), form->StringGrid1);
        QTest::keyRelease(form->StringGrid1, Qt::Key_Return);
        QVERIFY(fx->shell.requests.isEmpty());
        QCOMPARE(form->grid().cell(2, 3), QString("cmd3x"));
        QTest::keyClick(form->StringGrid1, Qt::Key_Return);
        QCOMPARE(startedFiles(), QStringList{"cmd3x"});
    }

    void enterInTheSearchBoxNeedsASuccessfulSearch() {
        start(kTenRows);
        QLineEdit* edit = form->ComboBox_search->lineEdit();
        edit->setFocus();
        // Keys go where the application delivers them: to the focused box.
        QWidget* box = QApplication::focusWidget();
        QTest::keyClick(box, Qt::Key_Return);
        QVERIFY(fx->shell.requests.isEmpty());
        edit->selectAll();
        QTest::keyClicks(box, "CMD7");
        QCOMPARE(edit->text(), QString("CMD7"));
        QVERIFY(form->searchHit());
        QCOMPARE(form->grid().row(), 7);
        QVERIFY(!form->grid().hasOption(goRowSelect));
        QTest::keyClick(box, Qt::Key_Return);
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(startedFiles(), QStringList({"cmd7", "cmd7"}));
    }

    void f3WalksOnAndReleaseShowsItsCode() {
        start(kTenRows);
        form->ComboBox_search->setEditText("fn");
        const int first = form->grid().row();
        form->StringGrid1->setFocus();
        QTest::keyClick(form->StringGrid1, Qt::Key_F3);
        QVERIFY(form->grid().row() > first || form->grid().col() > 1);
        QCOMPARE(form->panelText(0), QString("114"));
        QVERIFY(!form->keyHeld());
    }

    void shiftKeysMoveTheRow_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("to");
        QTest::newRow("shift end stops above the last row") << 5 << int(Qt::Key_End) << 8;
        QTest::newRow("shift end from the row above the last") << 8 << int(Qt::Key_End) << 8;
        QTest::newRow("shift home goes to row one") << 5 << int(Qt::Key_Home) << 1;
        QTest::newRow("shift up moves one place") << 5 << int(Qt::Key_Up) << 4;
        QTest::newRow("shift down moves one place") << 5 << int(Qt::Key_Down) << 6;
    }
    void shiftKeysMoveTheRow() {
        QFETCH(int, from);
        QFETCH(int, key);
        QFETCH(int, to);
        start(kTenRows);
        QCOMPARE(form->grid().rowCount(), 11);
        form->grid().setRowCount(10); // rows 0-9
        form->grid().setRow(from);
        const QString moved = form->grid().cell(2, from);
        form->StringGrid1->setFocus();
        QTest::keyClick(form->StringGrid1, Qt::Key(key), Qt::ShiftModifier);
        QCOMPARE(form->grid().row(), key == Qt::Key_Home ? 1 : to);
        QCOMPARE(form->grid().cell(2, to), moved);
    }

    void shiftDeleteRemovesTheRow() {
        start(kTenRows);
        form->grid().setRow(2);
        form->StringGrid1->setFocus();
        QTest::keyClick(form->StringGrid1, Qt::Key_Delete, Qt::ShiftModifier);
        QCOMPARE(form->grid().cell(2, 2), QString("cmd3"));
    }

    void shiftLetterIsStillTyped() {
        start(kTenRows);
        QLineEdit* edit = form->ComboBox_search->lineEdit();
        edit->setFocus();
        edit->clear();
        QTest::keyClick(QApplication::focusWidget(), 'A', Qt::ShiftModifier);
        QCOMPARE(edit->text(), QString("A"));
        QVERIFY(!form->keyHeld());
    }

    void homeReleaseSelectsRowOne() {
        start(kTenRows);
        form->grid().setRow(6);
        QLineEdit* edit = form->ComboBox_search->lineEdit();
        edit->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Home);
        QCOMPARE(form->grid().row(), 1);
        QCOMPARE(form->panelText(1), QString("1"));
        // The key code went to panel 0 first; moving to row 1 then wrote the column.
        QCOMPARE(form->panelText(0), QString("0"));
    }

    void clickShowsRowDetailsAndAppendsOneRow() {
        start("[Table]\n2-0=command\n1-1=a\n2-1=first\n1-2=b\n2-2=second\n1-3=c\n2-3=third\n"
              "1-4=d\n2-4=fourth\n");
        QCOMPARE(form->grid().rowCount(), 7);
        form->grid().setRowCount(5); // the last row now holds a command
        form->grid().setRow(4);
        QCOMPARE(form->grid().rowCount(), 6);
        QCOMPARE(form->panelText(1), QString("4"));
        QCOMPARE(form->panelText(2), QString("fourth"));
        form->grid().setRow(5); // the empty last row appends nothing
        QCOMPARE(form->grid().rowCount(), 6);
    }

    void heldKeyDefersTheDetails() {
        start(kTenRows);
        form->grid().setRow(2);
        form->FormKeyDown(40, false);
        form->grid().setRow(3);
        QCOMPARE(form->panelText(0), QString("0"));
        QCOMPARE(form->panelText(2), QString("cmd2"));
        form->FormKeyUp(40);
        QCOMPARE(form->panelText(2), QString("cmd3"));
    }

    void previewPictureFollowsTheRow() {
        CurrentDir here(fx->dir.path());
        QImage picture(40, 30, QImage::Format_RGB32);
        picture.fill(Qt::green);
        QVERIFY(picture.save(fx->dir.filePath("dir_sub.jpg")));
        start("[Table]\n2-0=command\n1-1=a\n2-1=dir/sub\n1-2=b\n2-2=none\n");
        form->grid().setRow(2);
        form->grid().setRow(1);
        QCOMPARE(form->windowTitle(), QString("Launch dir/sub"));
        QCOMPARE(form->panelText(4), QString("dir_sub.jpg"));
        QCOMPARE(form->ScrollBox1->model().naturalSize(), QSize(40, 30));
        QCOMPARE(form->Image1->size(), QSize(40, 30));
        form->grid().setRow(2); // no picture: the previous one and the caption stay
        QCOMPARE(form->windowTitle(), QString("Launch dir/sub"));
        QCOMPARE(form->panelText(4), QString());
        QCOMPARE(form->panelText(2), QString("none"));
    }

    void internetShortcutShowsItsValues_data() {
        QTest::addColumn<QByteArray>("shortcut");
        QTest::addColumn<QString>("panel4");
        QTest::addColumn<bool>("iconShown");
        QTest::newRow("usable icon file")
            << QByteArray("[InternetShortcut]\nURL=https://example.org\nWorkingDirectory=/w\n"
                          "IconFile=known.ico\n")
            << "/w https://example.org known.ico" << true;
        QTest::newRow("no icon file key")
            << QByteArray("[InternetShortcut]\nURL=https://x\n") << " https://x " << false;
        QTest::newRow("missing shortcut file") << QByteArray() << "  " << false;
    }
    void internetShortcutShowsItsValues() {
        QFETCH(QByteArray, shortcut);
        QFETCH(QString, panel4);
        QFETCH(bool, iconShown);
        CurrentDir here(fx->dir.path());
        if (!shortcut.isEmpty())
            QVERIFY(writeFile(fx->dir.filePath("site.url"), shortcut));
        start("[Table]\n2-0=command\n1-1=a\n2-1=x\n1-2=b\n2-2=site.url\n");
        form->grid().setRow(2);
        QCOMPARE(form->panelText(4), panel4);
        const QStringList expectedMessages =
            iconShown ? QStringList()
                      : QStringList{"Failed to extract icon from the specified EXE file."};
        QCOMPARE(fx->prompts.messages, expectedMessages);
        if (iconShown) {
            const QImage shown = form->ScrollBox1->model().graphic();
            QCOMPARE(shown.pixelColor(2, 2), QColor(Qt::red));
            QCOMPARE(shown.pixelColor(20, 20), QColor(Qt::white));
        }
    }

    void capitalUrlExtensionIsNoShortcut() {
        CurrentDir here(fx->dir.path());
        start("[Table]\n2-0=command\n1-1=a\n2-1=x\n1-2=b\n2-2=SITE.URL\n1-3=c\n2-3=a.url\\b\n");
        form->grid().setRow(2);
        form->grid().setRow(3);
        QVERIFY(fx->prompts.messages.isEmpty());
    }

    void clipboardPictureBecomesThePreview_data() {
        QTest::addColumn<int>("col");
        QTest::addColumn<bool>("imageOnClipboard");
        QTest::addColumn<bool>("pasted");
        QTest::newRow("image column with a picture") << 4 << true << true;
        QTest::newRow("image column with text only") << 4 << false << false;
        QTest::newRow("other column with a picture") << 3 << true << false;
    }
    void clipboardPictureBecomesThePreview() {
        QFETCH(int, col);
        QFETCH(bool, imageOnClipboard);
        QFETCH(bool, pasted);
        CurrentDir here(fx->dir.path());
        start("[Table]\n2-0=command\n1-1=a\n2-1=tools/run me\n");
        QImage picture(64, 48, QImage::Format_ARGB32);
        picture.fill(QColor(200, 30, 30));
        if (imageOnClipboard)
            QGuiApplication::clipboard()->setImage(picture);
        else
            QGuiApplication::clipboard()->setText("just text");
        form->Action_edit->trigger();
        form->grid().setCol(col);
        form->StringGrid1DblClick();
        QCOMPARE(QFile::exists(fx->dir.filePath("tools_run me.jpg")), pasted);
        QCOMPARE(form->grid().cell(4, 1), pasted ? QString("*") : QString());
        if (pasted) {
            QCOMPARE(form->ScrollBox1->model().naturalSize(), QSize(64, 48));
            const QImage written(fx->dir.filePath("tools_run me.jpg"));
            QCOMPARE(written.size(), QSize(64, 48));
        }
        QVERIFY(fx->shell.requests.isEmpty()); // the image column starts nothing
    }

    void failedPictureWriteLeavesNoMarker() {
        CurrentDir here(fx->dir.path());
        start("[Table]\n2-0=command\n1-1=a\n2-1=blocked/x\n");
        // "blocked/x" names the picture "blocked_x.jpg"; make that a folder so it cannot be
        // written.
        QVERIFY(QDir(fx->dir.path()).mkdir("blocked_x.jpg"));
        QImage picture(8, 8, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        QGuiApplication::clipboard()->setImage(picture);
        form->Action_edit->trigger();
        form->grid().setCol(4);
        QVERIFY_THROWS_EXCEPTION(AppError, form->StringGrid1DblClick());
        QCOMPARE(form->grid().cell(4, 1), QString());
    }

    void helpButtonOpensTheDocumentation() {
        start(kTenRows);
        form->ToolButton15->click();
        QCOMPARE(fx->shell.requests.size(), 1);
        QVERIFY(fx->shell.requests.first().file.startsWith("https://"));
        QVERIFY(fx->shell.requests.first().file.endsWith(
            "/en-us/windows/win32/shell/executing-control-panel-items"));
    }
};

QTEST_MAIN(TestLaunchKeyboard)
#include "tst_launch_keyboard.moc"
