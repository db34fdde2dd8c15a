// Message boxes opened by handlers while a key or mouse event is still being
// delivered: with the real boxes and the real application object, typing
// into the cell editor until a box opens must neither crash nor lose the edit.

#include "core/appearance/style_registry.h"
#include "form_fixture.h"
#include "ui/string_grid_view.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

using namespace runpad;
using namespace runpad::testing;

namespace {

// Closes every message box that opens, and counts them with their texts.
class BoxCloser : public QObject {
public:
    BoxCloser() {
        timer_.setInterval(20);
        connect(&timer_, &QTimer::timeout, this, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            texts << box->text();
            box->done(QMessageBox::Ok);
        });
        timer_.start();
    }
    QStringList texts;

private:
    QTimer timer_;
};

} // namespace

class TestBoxesDuringInput : public QObject {
    Q_OBJECT

    std::unique_ptr<FormFixture> fixture;
    MessageBoxPrompts realPrompts;
    ErrorReporter realErrors{realPrompts};

    std::unique_ptr<TForm1> makeForm() {
        return std::make_unique<TForm1>(FormDependencies{fixture->exe(), fixture->clock,
                                                         realPrompts, realErrors, fixture->styles,
                                                         fixture->shell, fixture->icons});
    }

    // Edit mode, the command cell of the first empty row current, its editor open.
    QLineEdit* openCommandEditor(TForm1& form) {
        form.show();
        if (!QTest::qWaitForWindowActive(&form))
            return nullptr;
        form.Action_edit->trigger();
        GridModel& grid = form.grid();
        grid.setCol(2);
        grid.setRow(grid.rowCount() - 1);
        form.StringGrid1->setFocus();
        QTest::keyClick(form.StringGrid1, Qt::Key_F2);
        return form.StringGrid1->findChild<QLineEdit*>();
    }

private slots:
    void init() {
        fixture = std::make_unique<FormFixture>();
        static_cast<RunpadApplication*>(qApp)->setErrorReporter(&realErrors);
        QDir::setCurrent(fixture->dir.path());
    }
    void cleanup() {
        static_cast<RunpadApplication*>(qApp)->setErrorReporter(nullptr);
        fixture.reset();
    }

    void typingAShortcutNameKeepsTheEditorAndTheEdit_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("fileExists");
        QTest::addColumn<int>("endKey");
        QTest::newRow("shortcut that does not exist, ended with Enter")
            << "a.url" << false << int(Qt::Key_Return);
        QTest::newRow("shortcut that exists, ended with Esc")
            << "made.url" << true << int(Qt::Key_Escape);
    }
    void typingAShortcutNameKeepsTheEditorAndTheEdit() {
        QFETCH(QString, typed);
        QFETCH(bool, fileExists);
        QFETCH(int, endKey);
        if (fileExists)
            QVERIFY(writeFile(fixture->dir.filePath(typed), ""));
        BoxCloser closer;
        auto form = makeForm();
        QPointer<QLineEdit> editor = openCommandEditor(*form);
        QVERIFY(editor);
        const int row = form->grid().row();
        QTest::keyClicks(editor, typed);
        QTRY_VERIFY(!closer.texts.isEmpty());
        QCOMPARE(closer.texts.first(), "Failed to extract icon from the specified EXE file.");
        QCOMPARE(form->grid().cell(2, row), typed);
        // The box took the focus and may have closed the editor; the edit stays.
        QTest::keyClick(editor ? static_cast<QWidget*>(editor) : form->StringGrid1,
                        Qt::Key(endKey));
        QTest::qWait(100);
        QCOMPARE(form->grid().cell(2, row), typed);
    }

    void errorInAKeyHandlerIsShownAfterTheKeyIsDelivered() {
        BoxCloser closer;
        auto form = makeForm();
        QLineEdit* editor = openCommandEditor(*form);
        QVERIFY(editor);
        // A preview picture that is no picture: showing the row's details
        // fails on the key release that completes its name.
        QVERIFY(writeFile(fixture->dir.filePath("bad.bmp"), "not a bitmap"));
        const int row = form->grid().row();
        QTest::keyClicks(editor, "bad");
        QTRY_VERIFY(!closer.texts.isEmpty());
        QCOMPARE(closer.texts.first(), QString("The file is not in BMP format."));
        QCOMPARE(form->grid().cell(2, row), QString("bad"));
    }
};

int main(int argc, char** argv) {
    RunpadApplication app(argc, argv);
    TestBoxesDuringInput test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_boxes_during_input.moc"
