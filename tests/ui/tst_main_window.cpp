#include "core/table/ini_document.h"
#include "form_fixture.h"
#include "ui/string_grid_view.h"
#include "ui/window_bars.h"

#include <QAction>
#include <QComboBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>
#include <QToolButton>

using namespace runpad;
using namespace runpad::testing;

namespace {

QStringList checkedItems(QMenu* menu) {
    QStringList names;
    for (QAction* a : menu->actions())
        if (a->isChecked())
            names << a->text();
    return names;
}

// Where a window of this size placed at pos ends up: no right or bottom edge
// beyond the (test platform's) virtual screen.
QPoint limited(QPoint pos, QSize size) {
    const QSize screen = QGuiApplication::primaryScreen()->virtualGeometry().size();
    return {qMin(pos.x(), screen.width() - size.width()),
            qMin(pos.y(), screen.height() - size.height())};
}

QAction* styleItem(TForm1& form, const QString& name) {
    for (QAction* a : form.StyleMenu->actions())
        if (QString(a->text()).remove(u'&') == name)
            return a;
    return nullptr;
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
    std::unique_ptr<FormFixture> fx;

private slots:
    void init() { fx = std::make_unique<FormFixture>(); }
    void cleanup() { fx.reset(); }

    void toolbarShowsItsItemsInOrder() {
        auto form = fx->makeForm();
        QStringList visible;
        for (QWidget* item : form->ToolBar1->items())
            if (!item->isHidden())
                visible << item->objectName();
        QCOMPARE(visible, QStringList({"ToolButton5", "ComboBox_search", "ToolButton6",
                                       "ToolButton7", "ToolButton8", "ToolButton9", "ToolButton10",
                                       "ToolButton11", "ToolButton12", "ToolButton15", "LabelXAxis",
                                       "LabelYAxis", "LabelButton"}));
        QCOMPARE(form->ToolButton7->size(), QSize(43, 42));
        QCOMPARE(form->ComboBox_search->currentText(), QString("Qucik Search"));
        QCOMPARE(form->ToolButton7->defaultAction(), form->Action_insert_row);
    }

    void columnCommandsAreUnreachable() {
        auto form = fx->makeForm();
        QList<QAction*> menuActions;
        for (QAction* top : form->menuBar()->actions())
            if (top->menu())
                menuActions += top->menu()->actions();
        for (QAction* a : {form->Action_insert_col, form->Action_del_col,
                           form->Action_move_col_to_left, form->Action_move_col_to_right}) {
            QVERIFY(a->shortcut().isEmpty());
            QVERIFY(!menuActions.contains(a));
        }
        QVERIFY(form->ToolButton1->isHidden() || !form->ToolButton1->isVisibleTo(form.get()));
        QVERIFY(menuActions.contains(form->Action_load_table_contents));
        for (QAction* item : menuActions) // the menu bar shows no images
            QVERIFY(item->icon().isNull() || !item->isIconVisibleInMenu());
    }

    void menusGetAcceleratorsWhenOpened() {
        auto form = fx->makeForm();
        QStringList top;
        for (QAction* a : form->menuBar()->actions())
            top << a->text();
        QCOMPARE(top, QStringList({"&File", "&Tool", "&style", "&Help"}));
        // Before the style menu opens, captions are the bare names.
        QCOMPARE(form->StyleMenu->actions().value(3)->text(), QString("Glow"));
        emit form->File1->aboutToShow();
        emit form->StyleMenu->aboutToShow();
        QCOMPARE(form->LoadTableContents1->text(), QString("&Load Table Contents"));
        QCOMPARE(form->Exit1->text(), QString("E&xit"));
        QCOMPARE(form->StyleMenu->actions().value(3)->text(), QString("G&low"));
    }

    void statusBarHasSixPanelsAndTheLastStretches() {
        auto form = fx->makeForm();
        form->resize(1200, 750);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        const QList<QLabel*> panels = form->StatusLine->findChildren<QLabel*>();
        QCOMPARE(panels.size(), 6);
        const int widths[] = {50, 50, 240, 120, 240};
        for (int i = 0; i < 5; ++i)
            QCOMPARE(panels[i]->width(), widths[i]);
        QVERIFY(panels[5]->geometry().right() >= form->StatusLine->width() - 10);
    }

    void statusTipsGoToPanelFiveOnly_data() {
        QTest::addColumn<QString>("tip");
        QTest::addColumn<QString>("panel5");
        QTest::newRow("plain hint") << "Insert a Column"
                                    << "Insert a Column";
        QTest::newRow("long part after the first bar") << "short|long|tail"
                                                       << "long|tail";
        QTest::newRow("control without hint clears it") << ""
                                                        << "";
    }
    void statusTipsGoToPanelFiveOnly() {
        QFETCH(QString, tip);
        QFETCH(QString, panel5);
        auto form = fx->makeForm();
        form->setApplicationHint("something before");
        QStatusTipEvent event(tip);
        QApplication::sendEvent(form.get(), &event);
        QCOMPARE(form->panelText(5), panel5);
        QVERIFY(form->StatusLine->currentMessage().isEmpty());
    }

    void rowHints() {
        QVERIFY(writeFile(fx->ini(), "[Table]\n2-0=command\n3-0=Description\n1-1=f\n2-1=ls\n"
                                     "3-1=list\n1-2=g\n2-2=pwd\n"));
        auto form = fx->makeForm();
        form->resize(1200, 750);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        StringGridView* grid = form->StringGrid1;
        const auto pointOf = [&](int col, int row) {
            return grid->viewport()->mapTo(grid,
                                           grid->visualRect(grid->indexOfCell(col, row)).center());
        };
        const QPoint header = grid->horizontalHeader()->mapTo(
            grid, QPoint(grid->horizontalHeader()->sectionViewportPosition(2) + 5, 5));

        form->StringGrid1MouseMove(pointOf(2, 1).x(), pointOf(2, 1).y());
        QCOMPARE(grid->hint(), QString("ls-->list"));
        QCOMPARE(form->panelText(5), QString("ls-->list"));
        form->StringGrid1MouseMove(pointOf(0, 2).x(), pointOf(0, 2).y());
        QCOMPARE(grid->hint(), QString("pwd-->"));
        form->StringGrid1MouseMove(pointOf(1, 4).x(), pointOf(1, 4).y());
        QCOMPARE(grid->hint(), QString("-->"));
        form->StringGrid1MouseMove(header.x(), header.y());
        QCOMPARE(grid->hint(), QString("command-->Description"));
        // The top-left header cell and points on no cell change nothing.
        const QPoint topLeft = grid->horizontalHeader()->mapTo(grid, QPoint(3, 5));
        form->StringGrid1MouseMove(topLeft.x(), topLeft.y());
        form->StringGrid1MouseMove(grid->width() - 3, grid->height() - 3);
        QCOMPARE(grid->hint(), QString("command-->Description"));
    }

    void editorKeystrokesMarkPanelFive() {
        auto form = fx->makeForm();
        fx->clock.now = 1000;
        form->StringGrid1->cellTextEdited(3, 1, "x");
        QCOMPARE(form->panelText(5), QString("edit1007"));
        form->StringGrid1->cellTextEdited(3, 1, "xy");
        QCOMPARE(form->panelText(5), QString("edit1014"));
    }

    void f3WorksFromEveryControl() {
        auto form = fx->makeForm();
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QSignalSpy forward(form->Action_search, &QAction::triggered);
        QSignalSpy backward(form->Action_search_up, &QAction::triggered);
        for (QWidget* focus : {static_cast<QWidget*>(form->StringGrid1),
                               static_cast<QWidget*>(form->ComboBox_search)}) {
            focus->setFocus();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_F3);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_F3, Qt::ShiftModifier);
        }
        QCOMPARE(forward.size(), 2);
        QCOMPARE(backward.size(), 2);
    }

    void editToggleSwitchesTheImage() {
        auto form = fx->makeForm();
        const QImage notEditable = form->Action_edit->icon().pixmap(36).toImage();
        form->Action_edit->trigger();
        QCOMPARE(form->Action_edit->property("imageIndex").toInt(), 13);
        QVERIFY(form->Action_edit->icon().pixmap(36).toImage() != notEditable);
        form->Action_edit->trigger();
        QCOMPARE(form->Action_edit->property("imageIndex").toInt(), 12);
    }

    void firstStartShowsDefaults() {
        auto form = fx->makeForm();
        QCOMPARE(form->size(), QSize(800, 750));
        QCOMPARE(form->pos(), limited(QPoint(0, 0), QSize(800, 750)));
        QCOMPARE(form->StringGrid1->width(), 736);
        QVERIFY(checkedItems(form->StyleMenu).isEmpty());
        QCOMPARE(fx->styles.activeName(), QString());
    }

    void placementIsRestored_data() {
        QTest::addColumn<QByteArray>("styles");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QPoint>("pos");
        QTest::newRow("too small grows to the minimum")
            << QByteArray("Form Width=640\nForm Height=480\n") << QSize(800, 600) << QPoint(0, 0);
        QTest::newRow("larger size kept")
            << QByteArray("Form Width=1200\nForm Height=700\nForm Left=10\nForm Top=20\n")
            << QSize(1200, 700) << QPoint(10, 20);
        QTest::newRow("not an integer gives the default")
            << QByteArray("Form Width=wide\nForm Height=0x320\n") << QSize(800, 800)
            << QPoint(0, 0);
    }
    void placementIsRestored() {
        QFETCH(QByteArray, styles);
        QFETCH(QSize, size);
        QFETCH(QPoint, pos);
        QVERIFY(writeFile(fx->ini(), "[Styles]\n" + styles + "table width=500\n"));
        auto form = fx->makeForm();
        QCOMPARE(form->size(), size);
        QCOMPARE(form->pos(), limited(pos, size));
        QCOMPARE(form->StringGrid1->width(), 500);
    }

    void storedStyleIsRestored_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QStringList>("checked");
        QTest::newRow("exact name") << "Glow" << QStringList{"Glow"};
        QTest::newRow("other letter case matches nothing") << "glow" << QStringList{};
        QTest::newRow("unknown name matches nothing") << "Neon" << QStringList{};
    }
    void storedStyleIsRestored() {
        QFETCH(QString, stored);
        QFETCH(QStringList, checked);
        QVERIFY(writeFile(fx->ini(), "[Styles]\nStyle Name=" + stored.toUtf8() + "\n"));
        auto form = fx->makeForm();
        QCOMPARE(checkedItems(form->StyleMenu), checked);
        QCOMPARE(fx->styles.activeName(), checked.value(0));
        QCOMPARE(form->currentStyleName(), stored);
        QVERIFY(form->close());
        // The stored text goes back unchanged, matched or not.
        const IniDocument saved = IniDocument::fromBytes(readFile(fx->ini()));
        QCOMPARE(saved.readString("Styles", "Style Name"), stored);
    }

    void choosingStylesMarksExactlyOne() {
        auto form = fx->makeForm();
        emit form->StyleMenu->aboutToShow(); // captions now carry accelerators
        for (const QString name : {"Glow", "Sky", "Windows", "Glossy"}) {
            styleItem(*form, name)->trigger();
            QCOMPARE(checkedItems(form->StyleMenu).size(), 1);
            QCOMPARE(QString(checkedItems(form->StyleMenu).first()).remove(u'&'), name);
            QCOMPARE(form->currentStyleName(), name);
            QCOMPARE(fx->styles.activeName(), name);
        }
        QVERIFY(fx->prompts.errors.isEmpty());
        QVERIFY(form->close());
        const IniDocument saved = IniDocument::fromBytes(readFile(fx->ini()));
        QCOMPARE(saved.readString("Styles", "Style Name"), QString("Glossy"));
    }

    void closingWritesPlacementAsItIs() {
        auto form = fx->makeForm();
        form->resize(900, 650);
        form->move(-40, 30);
        QVERIFY(form->close());
        const IniDocument saved = IniDocument::fromBytes(readFile(fx->ini()));
        QCOMPARE(saved.readInteger("Styles", "Form Width", 0), 900);
        QCOMPARE(saved.readInteger("Styles", "Form Height", 0), 650);
        QCOMPARE(saved.readInteger("Styles", "Form Left", 0), -40);
        QCOMPARE(saved.readInteger("Styles", "Form Top", 0), 30);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
