// Construction of the main window's controls, actions and menus.

#include "core/gamepad/gamepad_poll.h"
#include "core/image/picture_decoder.h"
#include "ui/error_display.h"
#include "ui/image_list.h"
#include "ui/main_form.h"
#include "ui/menu_accelerators.h"
#include "ui/picture_view.h"
#include "ui/string_grid_view.h"
#include "ui/table_splitter.h"
#include "ui/window_bars.h"

#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

namespace runpad {

namespace {
constexpr int kPanelWidths[TForm1::kStatusPanels] = {50, 50, 240, 120, 240, 40};
constexpr int kToolBarHeight = 42;
constexpr int kButtonWidth = 43;
constexpr int kStatusLineHeight = 35;
constexpr int kPanel2Height = 123;
constexpr int kGridWidth = 736;
constexpr int kSplitterWidth = 9;
constexpr int kLabelPadding = 3;
constexpr const char* kPanelRoles[TForm1::kStatusPanels] = {
    "key or column", "row", "command", "mouse position", "picture or gamepad", "hint"};

constexpr const char* kHintProperty = "hint";

QFont pixelFont(const QString& family, int pixels, bool bold = false) {
    QFont font(family);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}
} // namespace

QFont TForm1::windowFont() {
    return pixelFont(QStringLiteral("Segoe UI"), 12);
}

QFont TForm1::gridFont() {
    return pixelFont(QStringLiteral("Segoe UI"), 14, true);
}

void TForm1::buildLayout() {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Runpad"));
    setFont(windowFont());
    resize(1881, 1076);
    ImageList1 = std::make_unique<ImageList>();

    buildActions();
    buildPanels();
    buildStatusLine();
    buildMenus();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kPollingInterval);
    connect(Timer1, &QTimer::timeout, this, [this] {
        // An error box runs its own event loop: no further tick until it closes.
        if (inTimerTick_)
            return;
        inTimerTick_ = true;
        errors_.guard([this] { Timer1Timer(); });
        inTimerTick_ = false;
    });
    Timer1->start();
}

template <typename Fn> void TForm1::onTriggered(QAction* action, Fn handler) {
    connect(action, &QAction::triggered, this,
            [this, handler] { errors_.guard([this, handler] { handler(); }); });
}

QAction* TForm1::newAction(const QString& caption, const QString& hint, int image,
                           void (TForm1::*handler)()) {
    auto* action = new QAction(caption, this);
    action->setObjectName(caption);
    action->setProperty(kHintProperty, hint);
    if (!hint.isEmpty()) {
        action->setToolTip(hint);
        action->setStatusTip(hint);
    } else {
        // No hint: hovering its button clears the status hint.
        action->setToolTip(QString());
    }
    if (image >= 0)
        action->setIcon(ImageList1->icon(image));
    action->setProperty("imageIndex", image);
    onTriggered(action, [this, handler] { (this->*handler)(); });
    ActionList1.append(action);
    return action;
}

void TForm1::buildActions() {
    Action_insert_col =
        newAction(QStringLiteral("Action_insert_col"), QStringLiteral("Insert a Column"), 2,
                  &TForm1::Action_insert_colExecute);
    Action_del_col = newAction(QStringLiteral("Action_del_col"), QStringLiteral("Delete a Column"),
                               3, &TForm1::Action_del_colExecute);
    Action_move_col_to_left = newAction(QStringLiteral("Action_move_col_to_left"),
                                        QStringLiteral("Swap current column to left"), 4,
                                        &TForm1::Action_move_col_to_leftExecute);
    Action_move_col_to_right = newAction(QStringLiteral("Action_move_col_to_right"),
                                         QStringLiteral("Swap current column to Right"), 5,
                                         &TForm1::Action_move_col_to_rightExecute);
    Action_load_table_contents = newAction(QStringLiteral("Load Table Contents"), {}, 6,
                                           &TForm1::Action_load_table_contentsExecute);
    Action_save_table_contents = newAction(QStringLiteral("Save Table Contents"), {}, 7,
                                           &TForm1::Action_save_table_contentsExecute);
    Action_Save_style =
        newAction(QStringLiteral("Action_Save_style"), {}, -1, &TForm1::Action_Save_styleExecute);
    Action_Load_style =
        newAction(QStringLiteral("Action_Load_style"), {}, -1, &TForm1::Action_Load_styleExecute);
    Action_search =
        newAction(QStringLiteral("Action_search"), {}, 8, &TForm1::Action_searchExecute);
    Action_search->setShortcut(QKeySequence(Qt::Key_F3));
    Action_search_up =
        newAction(QStringLiteral("Action_search_up"), {}, 9, &TForm1::Action_search_upExecute);
    Action_search_up->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3));
    Action_adj_all_table_width = newAction(QStringLiteral("Action_adj_all_table_width"), {}, 14,
                                           &TForm1::Action_adj_all_table_widthExecute);
    Action_insert_row =
        newAction(QStringLiteral("Action_insert_row"), {}, 0, &TForm1::Action_insert_rowExecute);
    Action_del_row =
        newAction(QStringLiteral("Action_del_row"), {}, 1, &TForm1::Action_del_rowExecute);
    Action_move_row_down = newAction(QStringLiteral("Action_move_row_down"), {}, 11,
                                     &TForm1::Action_move_row_downExecute);
    Action_move_row_up =
        newAction(QStringLiteral("Action_move_row_up"), {}, 10, &TForm1::Action_move_row_upExecute);
    Action_edit = newAction(QStringLiteral("Action_edit"), {}, TableEditor::kImageNotEditable,
                            &TForm1::Action_editExecute);
    // The two shortcuts work wherever the focus is inside the window.
    addAction(Action_search);
    addAction(Action_search_up);
}

QToolButton* TForm1::newToolButton(const QString& name, QAction* action) {
    auto* button = new QToolButton(ToolBar1);
    button->setObjectName(name);
    button->setFixedSize(kButtonWidth, kToolBarHeight);
    button->setIconSize(QSize(ImageList::kSize, ImageList::kSize));
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    button->setAutoRaise(true);
    if (action)
        button->setDefaultAction(action);
    // A button whose action has no hint shows none: Qt would pop up the
    // action's caption instead.
    button->installEventFilter(this);
    ToolBar1->addWidget(button);
    return button;
}

void TForm1::buildToolBar() {
    // The toolbar sits on top of the client area, below the menu bar; it
    // grows a second row when its items do not fit the window's width.
    ToolBar1 = new WrappingToolBar(kToolBarHeight, this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));

    ToolButton1 = newToolButton(QStringLiteral("ToolButton1"), Action_insert_col);
    ToolButton2 = newToolButton(QStringLiteral("ToolButton2"), Action_del_col);
    ToolButton3 = newToolButton(QStringLiteral("ToolButton3"), Action_move_col_to_left);
    ToolButton4 = newToolButton(QStringLiteral("ToolButton4"), Action_move_col_to_right);
    ToolButton5 = newToolButton(QStringLiteral("ToolButton5"), Action_search);

    ComboBox_search = new QComboBox(ToolBar1);
    ComboBox_search->setObjectName(QStringLiteral("ComboBox_search"));
    ComboBox_search->setEditable(true);
    ComboBox_search->setInsertPolicy(QComboBox::NoInsert);
    ComboBox_search->setFixedSize(234, 31);
    ComboBox_search->setFont(pixelFont(QStringLiteral("Segoe UI"), 17));
    ComboBox_search->setEditText(QStringLiteral("Qucik Search"));
    ComboBox_search->setAccessibleName(QStringLiteral("Quick search"));
    ToolBar1->addWidget(ComboBox_search);

    ToolButton6 = newToolButton(QStringLiteral("ToolButton6"), Action_search_up);
    ToolButton7 = newToolButton(QStringLiteral("ToolButton7"), Action_insert_row);
    ToolButton8 = newToolButton(QStringLiteral("ToolButton8"), Action_del_row);
    ToolButton9 = newToolButton(QStringLiteral("ToolButton9"), Action_move_row_down);
    ToolButton10 = newToolButton(QStringLiteral("ToolButton10"), Action_move_row_up);
    ToolButton11 = newToolButton(QStringLiteral("ToolButton11"), Action_edit);
    ToolButton12 = newToolButton(QStringLiteral("ToolButton12"), Action_adj_all_table_width);
    ToolButton13 = newToolButton(QStringLiteral("ToolButton13"), Action_load_table_contents);
    ToolButton14 = newToolButton(QStringLiteral("ToolButton14"), Action_save_table_contents);
    ToolButton15 = newToolButton(QStringLiteral("ToolButton15"), nullptr);
    ToolButton15->setIcon(ImageList1->icon(15));
    ToolButton15->setAccessibleName(QStringLiteral("Help on Control Panel items"));
    connect(ToolButton15, &QToolButton::clicked, this,
            [this] { errors_.guard([this] { ToolButton15Click(); }); });

    // The column commands and the table file commands have no visible button.
    for (QToolButton* hidden :
         {ToolButton1, ToolButton2, ToolButton3, ToolButton4, ToolButton13, ToolButton14})
        hidden->hide();

    // Each label is as wide as its text, so every value it is given shows in full.
    const auto addLabel = [this](const QString& name) {
        auto* label = new QLabel(name, ToolBar1);
        label->setObjectName(name);
        label->setTextFormat(Qt::PlainText);
        label->setFixedHeight(kToolBarHeight);
        label->setContentsMargins(kLabelPadding, 0, kLabelPadding, 0);
        ToolBar1->addWidget(label);
        return label;
    };
    LabelXAxis = addLabel(QStringLiteral("LabelXAxis"));
    LabelYAxis = addLabel(QStringLiteral("LabelYAxis"));
    LabelButton = addLabel(QStringLiteral("LabelButton"));
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == windowHandle() && event->type() == QEvent::Expose && !exposed_ &&
        windowHandle()->isExposed()) {
        exposed_ = true;
        windowHandle()->removeEventFilter(this);
        // After this exposure has been painted.
        QMetaObject::invokeMethod(this, &TForm1::runShownWork, Qt::QueuedConnection);
        return QMainWindow::eventFilter(watched, event);
    }
    const auto* button = qobject_cast<QToolButton*>(watched);
    if (button && button->defaultAction()) {
        const QString hint = button->defaultAction()->property(kHintProperty).toString();
        if (event->type() == QEvent::ToolTip && hint.isEmpty())
            return true;
        // The control under the mouse gives the current hint, an empty one included.
        if (event->type() == QEvent::Enter)
            setApplicationHint(hint);
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::buildPanels() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    auto* column = new QVBoxLayout(client);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    buildToolBar();

    Panel1 = new QWidget(client);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    auto* row = new QHBoxLayout(Panel1);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    Splitter2 = new TableSplitter(kSplitterWidth, Panel1);
    Splitter2->setObjectName(QStringLiteral("Splitter2"));

    StringGrid1 = new StringGridView(grid_, errors_, Splitter2);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->setFont(gridFont());
    StringGrid1->setAccessibleName(QStringLiteral("Command table"));

    ScrollBox1 = new PictureScrollBox(Splitter2);
    Image1 = ScrollBox1->image();
    // The built-in picture is a JPEG picture, not yet a bitmap.
    ScrollBox1->assignPicture(ImageList::builtinPreview(pictureMemory_), false);
    ScrollBox1->onStatusText = [this](const QString& text) { setPanelText(3, text); };
    ScrollBox1->decoder = [this](const QString& path) {
        return decodePictureFile(path, metafiles_, pictureMemory_);
    };
    // The client area starts below the menu bar, at the toolbar's top edge.
    ScrollBox1->setClientArea(client);

    Splitter2->setSides(StringGrid1, ScrollBox1);
    row->addWidget(Splitter2);
    setTableWidth(kGridWidth);

    Panel2 = new QWidget(client);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFixedHeight(kPanel2Height);
    Panel2->hide();

    column->addWidget(ToolBar1);
    column->addWidget(Panel1, 1);
    column->addWidget(Panel2);
    setCentralWidget(client);
}

int TForm1::tableWidth() const {
    return Splitter2->shownTableWidth();
}

void TForm1::setTableWidth(int width) {
    Splitter2->setTableWidth(width);
}

void TForm1::buildStatusLine() {
    StatusLine = new PanelStatusBar(this);
    StatusLine->setObjectName(QStringLiteral("StatusLine"));
    StatusLine->setFixedHeight(kStatusLineHeight);
    for (int i = 0; i < kStatusPanels; ++i) {
        auto* label = new QLabel(StatusLine);
        label->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        // The name a screen reader reads is the panel's text (QLabel's
        // default); the description says which panel it is.
        label->setAccessibleDescription(
            QStringLiteral("Status panel %1: %2").arg(i).arg(QLatin1String(kPanelRoles[i])));
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setTextFormat(Qt::PlainText);
        StatusLine->addPanel(label, kPanelWidths[i]);
        panels_[static_cast<size_t>(i)] = label;
    }
    setStatusBar(StatusLine);
}

void TForm1::buildMenus() {
    QMenuBar* MainMenu1 = menuBar();
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));

    File1 = MainMenu1->addMenu(QStringLiteral("File"));
    File1->setObjectName(QStringLiteral("File1"));
    LoadTableContents1 = Action_load_table_contents;
    SaveTableContents1 = Action_save_table_contents;
    // The menu bar shows no images, although these actions carry them.
    LoadTableContents1->setIconVisibleInMenu(false);
    SaveTableContents1->setIconVisibleInMenu(false);
    File1->addAction(LoadTableContents1);
    File1->addAction(SaveTableContents1);
    N1 = File1->addSeparator();
    Exit1 = File1->addAction(QStringLiteral("E&xit"));
    Exit1->setObjectName(QStringLiteral("Exit1"));
    onTriggered(Exit1, [this] { Exit1Click(); });

    File2 = MainMenu1->addMenu(QStringLiteral("Tool"));
    File2->setObjectName(QStringLiteral("File2"));
    savetabletojsonfile1 = File2->addAction(QStringLiteral("save table to json file"));
    savetabletojsonfile1->setObjectName(QStringLiteral("savetabletojsonfile1"));
    onTriggered(savetabletojsonfile1, [this] { savetabletojsonfile1Click(); });
    LoadJsontoStringGrid1 = File2->addAction(QStringLiteral("LoadJsontoStringGrid"));
    LoadJsontoStringGrid1->setObjectName(QStringLiteral("LoadJsontoStringGrid1"));
    onTriggered(LoadJsontoStringGrid1, [this] { LoadJsontoStringGrid1Click(); });

    StyleMenu = MainMenu1->addMenu(QStringLiteral("style"));
    StyleMenu->setObjectName(QStringLiteral("StyleMenu"));

    Help1 = MainMenu1->addMenu(QStringLiteral("Help"));
    Help1->setObjectName(QStringLiteral("Help1"));
    About1 = Help1->addAction(QStringLiteral("About"));
    About1->setObjectName(QStringLiteral("About1"));
    onTriggered(About1, [this] { About1Click(); });

    // Captions get their accelerators when a menu level is built or opened.
    assignAccelerators(MainMenu1->actions());
    for (QMenu* menu : {File1, File2, StyleMenu, Help1}) {
        connect(menu, &QMenu::aboutToShow, this, [menu] { assignAccelerators(menu->actions()); });
    }
}

} // namespace runpad
