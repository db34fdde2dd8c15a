#include "ui/main_form.h"

#include "core/table/ini_document.h"
#include "core/table/picture_finder.h"
#include "core/table/table_persistence.h"
#include "platform/clock.h"
#include "platform/settings_file.h"
#include "ui/error_display.h"
#include "ui/string_grid_view.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

namespace runpad {

namespace {
constexpr int kPanelWidths[TForm1::kStatusPanels] = {50, 50, 240, 120, 240, 40};

QString withExtension(const QString& path, const QString& extension) {
    const QFileInfo info(path);
    const QString base =
        info.completeSuffix().isEmpty() ? path : path.left(path.size() - info.suffix().size() - 1);
    return base + extension;
}

QFont commandRowFont(const QFont& base) {
    QFont font = base;
    font.setPointSize(10);
    font.setBold(false);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}
} // namespace

TForm1::TForm1(const FormDependencies& deps, QWidget* parent)
    : QMainWindow(parent), clock_(deps.clock), prompts_(deps.prompts), errors_(deps.errors),
      executablePath_(deps.executablePath), editor_(grid_, [this](const QString& text) {
          return commandRowMetrics_->horizontalAdvance(text);
      }) {
    buildLayout();
    buildActions();
    buildMenus();
    commandRowMetrics_ = std::make_unique<QFontMetrics>(commandRowFont(StringGrid1->font()));
    grid_.setClickHandler([this] { StringGrid1Click(); });
    // An error in the startup sequence skips its remaining steps; the window
    // still opens.
    errors_.guard([this] { FormCreate(); });
}

TForm1::~TForm1() {
    FormDestroy();
    // The widgets show the grid model: they go first, while it still exists.
    qDeleteAll(findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
}

void TForm1::FormDestroy() {
    // The game controller is released here once it exists.
}

void TForm1::buildLayout() {
    setWindowTitle(QStringLiteral("Runpad"));
    resize(800, 750);

    ToolBar1 = addToolBar(QStringLiteral("ToolBar1"));
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);

    StringGrid1 = new StringGridView(grid_, errors_, this);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    setCentralWidget(StringGrid1);

    StatusLine = new QStatusBar(this);
    StatusLine->setObjectName(QStringLiteral("StatusLine"));
    StatusLine->setSizeGripEnabled(false);
    for (int i = 0; i < kStatusPanels; ++i) {
        auto* label = new QLabel(StatusLine);
        label->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        const bool last = i == kStatusPanels - 1;
        if (last)
            label->setMinimumWidth(kPanelWidths[i]);
        else
            label->setFixedWidth(kPanelWidths[i]);
        StatusLine->addWidget(label, last ? 1 : 0);
        panels_[static_cast<size_t>(i)] = label;
    }
    setStatusBar(StatusLine);
}

QAction* TForm1::addAction(const QString& caption, void (TForm1::*handler)()) {
    auto* action = new QAction(caption, this);
    action->setObjectName(caption);
    connect(action, &QAction::triggered, this,
            [this, handler] { errors_.guard([this, handler] { (this->*handler)(); }); });
    return action;
}

void TForm1::buildActions() {
    Action_insert_col =
        addAction(QStringLiteral("Action_insert_col"), &TForm1::Action_insert_colExecute);
    Action_del_col = addAction(QStringLiteral("Action_del_col"), &TForm1::Action_del_colExecute);
    Action_move_col_to_left = addAction(QStringLiteral("Action_move_col_to_left"),
                                        &TForm1::Action_move_col_to_leftExecute);
    Action_move_col_to_right = addAction(QStringLiteral("Action_move_col_to_right"),
                                         &TForm1::Action_move_col_to_rightExecute);
    Action_load_table_contents = addAction(QStringLiteral("Load Table Contents"),
                                           &TForm1::Action_load_table_contentsExecute);
    Action_save_table_contents = addAction(QStringLiteral("Save Table Contents"),
                                           &TForm1::Action_save_table_contentsExecute);
    Action_adj_all_table_width = addAction(QStringLiteral("Action_adj_all_table_width"),
                                           &TForm1::Action_adj_all_table_widthExecute);
    Action_insert_row =
        addAction(QStringLiteral("Action_insert_row"), &TForm1::Action_insert_rowExecute);
    Action_del_row = addAction(QStringLiteral("Action_del_row"), &TForm1::Action_del_rowExecute);
    Action_move_row_down =
        addAction(QStringLiteral("Action_move_row_down"), &TForm1::Action_move_row_downExecute);
    Action_move_row_up =
        addAction(QStringLiteral("Action_move_row_up"), &TForm1::Action_move_row_upExecute);
    Action_edit = addAction(QStringLiteral("Action_edit"), &TForm1::Action_editExecute);

    for (QAction* a : {Action_insert_row, Action_del_row, Action_move_row_down, Action_move_row_up,
                       Action_edit, Action_adj_all_table_width})
        ToolBar1->addAction(a);
}

void TForm1::buildMenus() {
    File1 = menuBar()->addMenu(QStringLiteral("&File"));
    LoadTableContents1 = Action_load_table_contents;
    SaveTableContents1 = Action_save_table_contents;
    File1->addAction(LoadTableContents1);
    File1->addAction(SaveTableContents1);
    File1->addSeparator();
    Exit1 = File1->addAction(QStringLiteral("E&xit"));
    connect(Exit1, &QAction::triggered, this, &TForm1::Exit1Click);
}

QString TForm1::panelText(int panel) const {
    return panels_.at(static_cast<size_t>(panel))->text();
}

void TForm1::setPanelText(int panel, const QString& text) {
    panels_.at(static_cast<size_t>(panel))->setText(text);
}

void TForm1::FormCreate() {
    // Later steps of the startup sequence: gamepad, hints and status bar
    // fonts, preview reset and the style menu come before the settings file.
    SettingsFileName = withExtension(executablePath_, QStringLiteral(".ini"));
    Action_load_table_contentsExecute();
    // Style and placement, then the startup picture, follow the table load.
}

void TForm1::FormActivate() {
    StringGrid1->setFocus();
}

void TForm1::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
}

bool TForm1::FormClose() {
    if (editor_.tableModified())
        Action_save_table_contentsExecute();
    // Saving style and placement joins here once styles exist.
    return true;
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (errors_.guard([this] { FormClose(); })) {
        event->accept();
        return;
    }
    // The error has been shown. Closing now would lose the edits, staying
    // open must not trap the user: let them choose.
    if (prompts_.confirm(QStringLiteral("The command table could not be saved.\n"
                                        "Close anyway and lose the changes?")))
        event->accept();
    else
        event->ignore();
}

void TForm1::Exit1Click() {
    close();
}

void TForm1::StringGrid1Click() {
    // Row details, picture and status texts hook in here.
}

void TForm1::Action_insert_rowExecute() {
    editor_.insertRow();
}
void TForm1::Action_del_rowExecute() {
    editor_.deleteRow();
}
void TForm1::Action_move_row_upExecute() {
    editor_.moveRowUp();
}
void TForm1::Action_move_row_downExecute() {
    editor_.moveRowDown();
}
void TForm1::Action_insert_colExecute() {
    editor_.insertCol();
}
void TForm1::Action_del_colExecute() {
    editor_.deleteCol();
}
void TForm1::Action_move_col_to_leftExecute() {
    editor_.moveColLeft();
}
void TForm1::Action_move_col_to_rightExecute() {
    editor_.moveColRight();
}

void TForm1::Action_editExecute() {
    editor_.toggleEdit();
    updateEditImage();
}

void TForm1::updateEditImage() {
    // Images arrive with the toolbar's image list; until then the caption
    // tells the state.
    Action_edit->setProperty("imageIndex", editor_.editImageIndex());
}

void TForm1::ADJ_PIS_width(int ACol) {
    editor_.fitColumn(ACol);
}

void TForm1::Action_adj_all_table_widthExecute() {
    editor_.fitAllColumns();
    StringGrid1->viewport()->update();
}

void TForm1::Action_load_table_contentsExecute() {
    {
        const SettingsFile settings(SettingsFileName);
        PictureFinder pictures;
        loadTable(grid_, settings, pictures);
    }
    Action_adj_all_table_widthExecute();
}

void TForm1::Action_save_table_contentsExecute() {
    const quint32 t0 = clock_.tickCount();
    SettingsFile settings(SettingsFileName);
    saveTable(grid_, settings);
    settings.writeInteger(QString::fromLatin1(kSaveTimeSection), QString::fromLatin1(kSaveTimeKey),
                          static_cast<int>(clock_.tickCount() - t0));
    settings.release();
}

} // namespace runpad
