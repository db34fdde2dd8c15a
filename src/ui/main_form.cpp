#include "ui/main_form.h"

#include "core/appearance/window_placement.h"
#include "core/common/app_error.h"
#include "core/gamepad/gamepad_poll.h"
#include "core/table/ini_document.h"
#include "core/table/json_table.h"
#include "core/table/picture_finder.h"
#include "core/table/table_columns.h"
#include "core/table/table_persistence.h"
#include "core/table/text_extent.h"
#include "core/table/window_settings.h"
#include "platform/clock.h"
#include "platform/gamepad_input.h"
#include "platform/settings_file.h"
#include "ui/about_box.h"
#include "ui/cell_painter.h"
#include "ui/error_display.h"
#include "ui/image_list.h"
#include "ui/picture_view.h"
#include "ui/startup_table_read.h"
#include "ui/string_grid_view.h"
#include "ui/style_manager.h"
#include "ui/window_bars.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QWindow>

namespace runpad {

namespace {

QFont commandRowFontOf(const QFont& base) {
    QFont font = base;
    font.setPointSize(10);
    font.setBold(false);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}

// Only the marked item is checkable: a checkable item without its mark would
// still show an empty box in some appearances.
void markStyleItem(QAction* item, bool marked) {
    item->setCheckable(marked);
    item->setChecked(marked);
}

} // namespace

TForm1::TForm1(const FormDependencies& deps, QWidget* parent)
    : QMainWindow(parent), clock_(deps.clock), prompts_(deps.prompts), errors_(deps.errors),
      styles_(deps.styles), shell_(deps.shell), icons_(deps.icons), metafiles_(deps.metafiles),
      makeGamepad_(deps.makeGamepad), pictureMemory_(deps.pictureMemory), about_(deps.about),
      executablePath_(deps.executablePath),
      files_(deps.files ? *deps.files : filesBesideExecutable(deps.executablePath)),
      editor_(grid_, [this](const QString& text) { return commandRowExtent_->width(text); }) {
    // The settings and table are read on another thread while the window is built.
    if (deps.startupRead && deps.startupRead->settingsFile() == files_.settingsFile) {
        startupRead_ = deps.startupRead;
    } else {
        ownStartupRead_ = std::make_unique<StartupTableRead>(files_.settingsFile);
        startupRead_ = ownStartupRead_.get();
    }
    buildLayout();
    commandRowExtent_ = std::make_unique<TextExtent>(commandRowFontOf(StringGrid1->font()));
    cellPainter_ =
        std::make_unique<CellPainter>(StringGrid1->font(), QPen(StringGrid1->gridLineColor()));
    grid_.setClickHandler([this] { StringGrid1Click(); });
    StringGrid1->setDrawCellHandler([this](QPainter& painter, int col, int row, const QRect& rect) {
        StringGrid1DrawCell(painter, col, row, rect);
    });
    StringGrid1->setMouseMoveHandler([this](int x, int y) { StringGrid1MouseMove(x, y); });
    StringGrid1->setEditTextHandler(
        [this](int col, int row, const QString& text) { StringGrid1SetEditText(col, row, text); });
    StringGrid1->setDoubleClickHandler([this] { StringGrid1DblClick(); });
    connect(ComboBox_search, &QComboBox::editTextChanged, this,
            [this] { errors_.guard([this] { ComboBox_searchChange(); }); });
    installKeyPreview();
    // An error in the startup sequence skips its remaining steps; the window
    // still opens.
    errors_.guard([this] { FormCreate(); });
}

QFont TForm1::commandRowFont() {
    // The grid's font over the window's over the application's, as widgets
    // resolve theirs.
    return commandRowFontOf(gridFont().resolve(windowFont().resolve(QApplication::font())));
}

TForm1::~TForm1() {
    FormDestroy();
    // The widgets show the grid model: they go first, while it still exists.
    qDeleteAll(findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
}

// ---- Life of the window ----

void TForm1::FormCreate() {
    // The controller is opened as soon as the window shows, not before:
    // its library and device scan would delay the first sight of the window.
    whenShown([this] { startGamepad(); });

    // Hints: every change of the current hint reaches the status bar (see
    // event()); pop-ups use 20 points, the status bar 12.
    QFont hintFont = QToolTip::font();
    hintFont.setPointSize(20);
    QToolTip::setFont(hintFont);
    QFont statusFont = StatusLine->font();
    statusFont.setPointSize(12);
    StatusLine->setFont(statusFont);

    ScrollBox1->resetPreview();
    fillStyleMenu();
    SettingsFileName = files_.settingsFile;
    {
        // Both steps read the same file: it is read and parsed once for them.
        const SettingsFile settings = takeStartupSettings();
        if (startupGrid_) {
            grid_.takeRows(*startupGrid_);
            if (startupWidthsTaken_) {
                editor_.takeFittedWidths(*startupGrid_);
                StringGrid1->viewport()->update();
            } else {
                Action_adj_all_table_widthExecute();
            }
            startupGrid_.reset();
        } else {
            loadTableContents(settings);
        }
        loadStyle(settings);
    }
    // The startup picture, when there is one.
    ScrollBox1->LoadImageFile(files_.startupPicture);
}

void TForm1::startGamepad() {
    if (makeGamepad_)
        TheGamepad = makeGamepad_();
    if (TheGamepad && TheGamepad->Initialize()) {
        Timer1->setInterval(kPollingInterval);
    } else {
        setPanelText(4, kGamepadFailedText);
        Timer1->setInterval(kRetryInterval);
    }
}

void TForm1::whenShown(std::function<void()> work) {
    if (exposed_) {
        errors_.guard(work);
        return;
    }
    shownWork_.push_back(std::move(work));
}

void TForm1::runShownWork() {
    // Each piece may show an error box, whose event loop could add more.
    while (!shownWork_.empty()) {
        const std::function<void()> work = std::move(shownWork_.front());
        shownWork_.erase(shownWork_.begin());
        errors_.guard(work);
    }
}

void TForm1::fillStyleMenu() {
    for (const QString& name : styles_.styleNames()) {
        QAction* item = StyleMenu->addAction(name);
        connect(item, &QAction::triggered, this,
                [this, item] { errors_.guard([this, item] { StyleMenuItemClick(item); }); });
    }
}

void TForm1::FormActivate() {
    StringGrid1->setFocus();
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    // Only once the window is up: fitting reads the picture as a bitmap, which
    // would discard the built-in picture while the startup sequence sizes the
    // window.
    if (isVisible())
        errors_.guard([this] { ScrollBox1->FormResize(); });
}

void TForm1::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
}

void TForm1::FormClose() {
    if (editor_.tableModified())
        Action_save_table_contentsExecute();
    Action_Save_styleExecute();
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (errors_.guard([this] { FormClose(); })) {
        event->accept();
        return;
    }
    // The error has been shown. Closing now could lose edits, staying open
    // must not trap the user: let them choose.
    if (prompts_.confirm(QStringLiteral("The settings could not be saved.\n"
                                        "Close anyway and lose the changes?")))
        event->accept();
    else
        event->ignore();
}

void TForm1::FormDestroy() {
    // No tick may run against a released controller.
    Timer1->stop();
    TheGamepad.reset();
}

void TForm1::Timer1Timer() {
    if (!TheGamepad)
        return; // the startup sequence stopped before the controller existed
    if (Timer1->interval() == kRetryInterval) {
        if (TheGamepad->Initialize())
            Timer1->setInterval(kPollingInterval);
        else
            setPanelText(4, kGamepadFailedText);
        return;
    }
    TheGamepad->UpdateState();
    const qint32 povBefore = LastPovValue;
    const std::optional<quint32> hatActedBefore = pollCarry_.hatActedAt;
    const PollTick tick =
        pollTick({TheGamepad->GetXAxis(), TheGamepad->GetYAxis(), TheGamepad->GetButtonState(0),
                  TheGamepad->GetPOVState(0)},
                 grid_.row(), grid_.rowCount(), LastPovValue, pollCarry_, clock_.tickCount());
    LabelXAxis->setText(tick.xLabel);
    LabelYAxis->setText(tick.yLabel);
    LabelButton->setText(tick.buttonLabel);
    if (tick.launch) {
        try {
            StringGrid1DblClick();
        } catch (...) {
            // A failed launch ends the tick before the hat is looked at.
            LastPovValue = povBefore;
            pollCarry_.hatActedAt = hatActedBefore;
            throw;
        }
    }
    if (tick.newRow)
        grid_.setRow(*tick.newRow);
}

void TForm1::Exit1Click() {
    close();
}

bool TForm1::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        // The status bar shows hints in its panel 5 only; the toolkit's own
        // status message would paint over every panel.
        setApplicationHint(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    // The native window exists from the first show on; its first exposure
    // means the window is on the screen (the X server maps before it exposes).
    if (event->type() == QEvent::Show && !exposed_ && windowHandle())
        windowHandle()->installEventFilter(this);
    const bool handled = QMainWindow::event(event);
    // The frame becomes known after the window is mapped, with a move or
    // resize when the window manager adds it.
    if (restoredPlacement_) {
        if (event->type() == QEvent::Show)
            QMetaObject::invokeMethod(this, &TForm1::placeInKnownFrame, Qt::QueuedConnection);
        else if (event->type() == QEvent::Move || event->type() == QEvent::Resize)
            placeInKnownFrame();
    }
    return handled;
}

// ---- Status bar ----

QString TForm1::panelText(int panel) const {
    return panels_.at(static_cast<size_t>(panel))->text();
}

void TForm1::setPanelText(int panel, const QString& text) {
    panels_.at(static_cast<size_t>(panel))->setText(text);
}

void TForm1::setApplicationHint(const QString& hint) {
    if (hint == applicationHint_)
        return;
    applicationHint_ = hint;
    StatusLineHint();
}

void TForm1::StatusLineHint() {
    const qsizetype bar = applicationHint_.indexOf(u'|');
    setPanelText(5, bar < 0 ? applicationHint_ : applicationHint_.mid(bar + 1));
}

// ---- Grid feedback ----

void TForm1::StringGrid1DrawCell(QPainter& painter, int ACol, int ARow, const QRect& Rect) {
    if (ARow == 0) {
        cellPainter_->drawHeaderCell(painter, Rect, grid_.cell(ACol, ARow));
        return;
    }
    CellState state;
    state.currentRow = ARow == grid_.row();
    state.currentCol = ACol == grid_.col();
    state.rowSelect = grid_.hasOption(goRowSelect);
    cellPainter_->drawBodyCell(painter, Rect, ACol, grid_.cell(ACol, ARow), state);
}

void TForm1::StringGrid1MouseMove(int X, int Y) {
    int col = -1;
    int row = -1;
    StringGrid1->mouseToCell(X, Y, col, row);
    if (col <= 0 && row <= 0)
        return;
    const QString hint =
        grid_.cell(kCommandCol, row) + QStringLiteral("-->") + grid_.cell(kDescriptionCol, row);
    if (StringGrid1->hint() == hint)
        return; // the pop-up stays while the mouse moves within the row
    QToolTip::hideText();
    StringGrid1->setHint(hint);
    StringGrid1->setStatusTip(hint);
    setApplicationHint(hint);
}

void TForm1::StringGrid1SetEditText(int, int, const QString&) {
    setPanelText(5, QStringLiteral("edit") + QString::number(clock_.tickCount()));
}

// ---- Table actions ----

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
    showEditImage();
}

void TForm1::showEditImage() {
    const int image = editor_.editImageIndex();
    Action_edit->setIcon(ImageList1->icon(image));
    Action_edit->setProperty("imageIndex", image);
    ToolButton11->setProperty("imageIndex", image);
}

void TForm1::ADJ_PIS_width(int ACol) {
    editor_.fitColumn(ACol);
}

void TForm1::Action_adj_all_table_widthExecute() {
    editor_.fitAllColumns();
    StringGrid1->viewport()->update();
}

SettingsFile TForm1::openSettingsForLoad(StartupTableRead* read) {
    try {
        SettingsFile settings = read ? read->takeSettings() : SettingsFile(SettingsFileName);
        settingsUnreadable_ = false;
        return settings;
    } catch (const AppError&) {
        // The file holds a table we could not read: no save of this run
        // may replace it with the (empty) table the window shows.
        settingsUnreadable_ = true;
        throw;
    }
}

SettingsFile TForm1::takeStartupSettings() {
    if (!startupRead_ || !startupRead_->pending())
        return openSettingsForLoad();
    StartupTableRead* read = std::exchange(startupRead_, nullptr);
    SettingsFile settings = openSettingsForLoad(read);
    std::unique_ptr<GridModel> filled = read->takeGrid();
    // A grid that no longer starts as the reader's did is loaded again.
    if (grid_.colCount() == filled->colCount() && grid_.fixedRows() == filled->fixedRows()) {
        startupGrid_ = std::move(filled);
        // Columns fitted in another font than this window's are fitted again.
        const std::optional<QFont>& fitted = read->fittedFont();
        startupWidthsTaken_ = fitted && *fitted == commandRowFontOf(StringGrid1->font());
    }
    return settings;
}

void TForm1::Action_load_table_contentsExecute() {
    loadTableContents(openSettingsForLoad());
}

void TForm1::loadTableContents(const IniDocument& settings) {
    PictureFinder pictures;
    loadTable(grid_, settings, pictures);
    Action_adj_all_table_widthExecute();
}

void TForm1::Action_save_table_contentsExecute() {
    ensureSettingsWritable();
    const quint32 t0 = clock_.tickCount();
    SettingsFile settings(SettingsFileName);
    saveTable(grid_, settings);
    settings.save();
    // Measured over the whole save, the file write included.
    settings.writeInteger(QString::fromLatin1(kSaveTimeSection), QString::fromLatin1(kSaveTimeKey),
                          static_cast<int>(clock_.tickCount() - t0));
    settings.save();
}

void TForm1::ensureSettingsWritable() const {
    if (settingsUnreadable_)
        throw AppError(QStringLiteral("The table was not saved: %1 could not be read when it was "
                                      "loaded, so it is left as it is")
                           .arg(SettingsFileName));
}

// ---- Styles and placement ----

void TForm1::Action_Load_styleExecute() {
    loadStyle(SettingsFile(SettingsFileName));
}

void TForm1::loadStyle(const IniDocument& settings) {
    {
        const StoredWindowSettings stored = readWindowSettings(settings);
        CurrentStyleName = stored.styleName;
        QList<QRect> screens;
        for (const QScreen* screen : QGuiApplication::screens())
            screens.append(screen->geometry());
        const QScreen* primary = QGuiApplication::primaryScreen();
        restoredPlacement_ = restorePlacement(stored.placement, virtualScreenSize(screens), screens,
                                              primary ? primary->geometry() : QRect());
        placeWindow();
        setTableWidth(stored.tableWidth.value_or(tableWidth()));
    }
    for (QAction* item : StyleMenu->actions()) {
        if (item->text() == CurrentStyleName) {
            markStyleItem(item, true);
            styles_.activate(CurrentStyleName);
        } else {
            markStyleItem(item, false);
        }
    }
}

QMargins TForm1::frameMargins() const {
    const QRect frame = frameGeometry();
    const QRect client = geometry();
    return {client.left() - frame.left(), client.top() - frame.top(),
            frame.right() - client.right(), frame.bottom() - client.bottom()};
}

void TForm1::placeWindow() {
    if (!restoredPlacement_)
        return;
    placedWithFrame_ = frameMargins();
    const QRect client = clientGeometry(*restoredPlacement_, placedWithFrame_);
    resize(client.size());
    move(restoredPlacement_->left, restoredPlacement_->top); // the frame's position
    // The window manager tells its frame only once the window is mapped:
    // until then the client area stands for the whole window, and the
    // placement is made again when the frame becomes known.
    if (!placedWithFrame_.isNull())
        restoredPlacement_.reset();
}

void TForm1::placeInKnownFrame() {
    if (restoredPlacement_ && isVisible() && frameMargins() != placedWithFrame_)
        placeWindow();
}

void TForm1::Action_Save_styleExecute() {
    ensureSettingsWritable();
    SettingsFile settings(SettingsFileName);
    const QRect frame = frameGeometry();
    writeWindowSettings(settings, {CurrentStyleName, frame.width(), frame.height(), frame.left(),
                                   frame.top(), tableWidth()});
    settings.save();
}

void TForm1::StyleMenuItemClick(QAction* Sender) {
    const QString name = QString(Sender->text()).remove(u'&');
    CurrentStyleName = name;
    styles_.activate(name);
    markStyleItem(Sender, true);
    for (QAction* item : StyleMenu->actions())
        if (item != Sender)
            markStyleItem(item, false);
}

// ---- Commands that later parts of the program fill in ----

void TForm1::About1Click() {
    if (!about_)
        return;
    // One more hidden dialog, kept until the program ends, then the one shown.
    // The hidden one checks on a worker thread while the shown one checks (as
    // may the start-up check still), so a silent host holds the command for
    // one wait, not several; the outcomes are stored in the order of setup.
    auto* hidden = new TAboutBox(*about_, TAboutBox::CheckMode::Background, this);
    hidden->hide();
    ShowAboutBox(*about_);
}

void TForm1::savetabletojsonfile1Click() {
    SaveGridToJson(grid_, QString::fromLatin1(kJsonExportName));
}

void TForm1::LoadJsontoStringGrid1Click() {
    LoadJsonToGrid(grid_, QString::fromLatin1(kJsonImportName));
}

} // namespace runpad
