#pragma once

#include "core/appearance/window_placement.h"
#include "core/gamepad/gamepad_poll.h"
#include "core/startup/program_files.h"
#include "core/table/grid_actions.h"
#include "core/table/grid_model.h"
#include "platform/settings_file.h"

#include <QFont>
#include <QMainWindow>
#include <QMargins>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QTimer;
class QToolButton;

namespace runpad {

struct AboutDependencies;
class CellPainter;
class Clock;
class ErrorReporter;
class IconExtractor;
class ImageList;
class IniDocument;
class SettingsFile;
class MetafileRenderer;
class PictureMemory;
class PictureImage;
class PictureScrollBox;
class KeyPreview;
class ShellStarter;
class StartupTableRead;
class StringGridView;
class StyleManager;
class TextExtent;
class PanelStatusBar;
class TableSplitter;
class WrappingToolBar;
class GamepadDevice;
class UserPrompts;

// What the main window needs from the outside world.
struct FormDependencies {
    QString executablePath; // commands without a folder start in its folder
    const Clock& clock;
    UserPrompts& prompts;
    const ErrorReporter& errors;
    StyleManager& styles;
    ShellStarter& shell;                         // every start goes through it
    const IconExtractor& icons;                  // icons of internet shortcuts
    const MetafileRenderer* metafiles = nullptr; // emf and wmf previews, when available
    // Makes the game controller when the window starts; the window owns it.
    std::function<std::unique_ptr<GamepadDevice>()> makeGamepad = {};
    // Pixels of decoded previews, when given.
    const PictureMemory* pictureMemory = nullptr;
    const AboutDependencies* about = nullptr; // the About command's dialogs, when wired
    // Where the settings file and the startup picture are; beside the
    // executable when not given.
    const ProgramFiles* files = nullptr;
    // The settings file and its table, when their read has already been
    // started (for the same settings file); the window starts it otherwise.
    StartupTableRead* startupRead = nullptr;
};

// The main window: the command table with its toolbar and actions, the
// preview pane, the menu bar and the six-panel status bar.
class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kStatusPanels = 6;

    explicit TForm1(const FormDependencies& deps, QWidget* parent = nullptr);
    ~TForm1() override;

    // The font the command rows are drawn in and the width fit measures in,
    // as the window's grid resolves it on this application.
    static QFont commandRowFont();
    // Whether the startup table came with its columns fitted in that font.
    bool startupWidthsTaken() const { return startupWidthsTaken_; }

    GridModel& grid() { return grid_; }
    TableEditor& editor() { return editor_; }
    const QString& settingsFileName() const { return SettingsFileName; }
    const QString& currentStyleName() const { return CurrentStyleName; }
    QString panelText(int panel) const;

    // Runs work once the window has first been exposed on the screen, at once
    // when it already has. What a start can do without until the window shows
    // waits for this: the controller opens its library and the update check
    // starts its download then.
    void whenShown(std::function<void()> work);

    // Table actions.
    void Action_insert_rowExecute();
    void Action_del_rowExecute();
    void Action_move_row_upExecute();
    void Action_move_row_downExecute();
    void Action_insert_colExecute();
    void Action_del_colExecute();
    void Action_move_col_to_leftExecute();
    void Action_move_col_to_rightExecute();
    void Action_editExecute();
    void Action_adj_all_table_widthExecute();
    void ADJ_PIS_width(int ACol);
    void Action_load_table_contentsExecute();
    void Action_save_table_contentsExecute();
    // Style and window placement.
    void Action_Load_styleExecute();
    void Action_Save_styleExecute();
    void StyleMenuItemClick(QAction* Sender);
    // Quick search.
    void Action_searchExecute();
    void Action_search_upExecute();
    void ComboBox_searchChange();
    // Launching, row details and keyboard control.
    void StringGrid1DblClick();
    void StringGrid1Click();
    void ShowRowDetails(int row);
    void ShowUrlShortcut(const QString& path);
    // Key preview: a Windows key code and whether Shift is held. FormKeyDown
    // returns true when the key-down is swallowed.
    bool FormKeyDown(int Key, bool Shift);
    void FormKeyUp(int Key);
    bool keyHeld() const { return KeyHeld; }
    // Game controller.
    void Timer1Timer();
    std::unique_ptr<GamepadDevice> TheGamepad;
    bool searchHit() const { return SearchHit; }
    // Window frame.
    void Exit1Click();
    void About1Click();
    void savetabletojsonfile1Click();
    void LoadJsontoStringGrid1Click();
    void ToolButton15Click();
    // Grid feedback.
    void StringGrid1DrawCell(QPainter& painter, int ACol, int ARow, const QRect& Rect);
    void StringGrid1MouseMove(int X, int Y);
    void StringGrid1SetEditText(int ACol, int ARow, const QString& Value);
    void StatusLineHint();
    // The application's current hint, as the control under the mouse gives it.
    const QString& applicationHint() const { return applicationHint_; }
    void setApplicationHint(const QString& hint);

    // Controls, lists and actions, named as the rest of the program refers to them.
    WrappingToolBar* ToolBar1 = nullptr;
    QToolButton* ToolButton1 = nullptr;
    QToolButton* ToolButton2 = nullptr;
    QToolButton* ToolButton3 = nullptr;
    QToolButton* ToolButton4 = nullptr;
    QToolButton* ToolButton5 = nullptr;
    QComboBox* ComboBox_search = nullptr;
    QToolButton* ToolButton6 = nullptr;
    QToolButton* ToolButton7 = nullptr;
    QToolButton* ToolButton8 = nullptr;
    QToolButton* ToolButton9 = nullptr;
    QToolButton* ToolButton10 = nullptr;
    QToolButton* ToolButton11 = nullptr;
    QToolButton* ToolButton12 = nullptr;
    QToolButton* ToolButton13 = nullptr;
    QToolButton* ToolButton14 = nullptr;
    QToolButton* ToolButton15 = nullptr;
    QLabel* LabelXAxis = nullptr;
    QLabel* LabelYAxis = nullptr;
    QLabel* LabelButton = nullptr;
    PanelStatusBar* StatusLine = nullptr;
    QWidget* Panel2 = nullptr;
    QWidget* Panel1 = nullptr;
    StringGridView* StringGrid1 = nullptr;
    TableSplitter* Splitter2 = nullptr;
    PictureScrollBox* ScrollBox1 = nullptr;
    PictureImage* Image1 = nullptr;
    QTimer* Timer1 = nullptr;
    std::unique_ptr<ImageList> ImageList1;
    QList<QAction*> ActionList1;

    QAction* Action_insert_col = nullptr;
    QAction* Action_del_col = nullptr;
    QAction* Action_move_col_to_left = nullptr;
    QAction* Action_move_col_to_right = nullptr;
    QAction* Action_load_table_contents = nullptr;
    QAction* Action_save_table_contents = nullptr;
    QAction* Action_Save_style = nullptr;
    QAction* Action_Load_style = nullptr;
    QAction* Action_search = nullptr;
    QAction* Action_search_up = nullptr;
    QAction* Action_adj_all_table_width = nullptr;
    QAction* Action_insert_row = nullptr;
    QAction* Action_del_row = nullptr;
    QAction* Action_move_row_down = nullptr;
    QAction* Action_move_row_up = nullptr;
    QAction* Action_edit = nullptr;

    QMenu* File1 = nullptr;
    QAction* LoadTableContents1 = nullptr;
    QAction* SaveTableContents1 = nullptr;
    QAction* N1 = nullptr;
    QAction* Exit1 = nullptr;
    QMenu* File2 = nullptr;
    QAction* savetabletojsonfile1 = nullptr;
    QAction* LoadJsontoStringGrid1 = nullptr;
    QMenu* StyleMenu = nullptr;
    QMenu* Help1 = nullptr;
    QAction* About1 = nullptr;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Construction of the controls, in main_form_layout.cpp.
    static QFont windowFont();
    static QFont gridFont();
    void buildLayout();
    void buildToolBar();
    void buildStatusLine();
    void buildPanels();
    void buildActions();
    void buildMenus();
    QAction* newAction(const QString& caption, const QString& hint, int image,
                       void (TForm1::*handler)());
    QToolButton* newToolButton(const QString& name, QAction* action);
    template <typename Fn> void onTriggered(QAction* action, Fn handler);

    void FormCreate();
    void startGamepad();
    void runShownWork();
    void FormActivate();
    void FormClose();
    void FormDestroy();
    void ensureSettingsWritable() const;
    void SavePreviewAsJpeg(const QString& path);
    void pasteClipboardPicture();
    void installKeyPreview();
    QString executableFolder() const;
    void setPanelText(int panel, const QString& text);
    void showEditImage();
    void fillStyleMenu();
    int tableWidth() const;
    // Reads the settings file, or takes the startup read of it.
    SettingsFile openSettingsForLoad(StartupTableRead* read = nullptr);
    SettingsFile takeStartupSettings();
    void loadTableContents(const IniDocument& settings);
    void loadStyle(const IniDocument& settings);
    // Gives the window the restored outer size and position for the frame it has now.
    void placeWindow();
    void placeInKnownFrame();
    QMargins frameMargins() const;
    void setTableWidth(int width);

    const Clock& clock_;
    UserPrompts& prompts_;
    const ErrorReporter& errors_;
    StyleManager& styles_;
    ShellStarter& shell_;
    const IconExtractor& icons_;
    const MetafileRenderer* metafiles_;
    std::function<std::unique_ptr<GamepadDevice>()> makeGamepad_;
    const PictureMemory* pictureMemory_;
    const AboutDependencies* about_;
    KeyPreview* keyPreview_ = nullptr;
    QString executablePath_;
    QString SettingsFileName;
    ProgramFiles files_;
    QString CurrentStyleName;
    std::optional<RestoredPlacement> restoredPlacement_; // until placed inside a known frame
    QMargins placedWithFrame_;
    bool exposed_ = false; // the window has been on the screen
    std::vector<std::function<void()>> shownWork_;
    bool settingsUnreadable_ = false; // the table could not be loaded from the settings file
    bool KeyHeld = false;
    QPointer<QWidget> keyDownTarget_; // the focus when the last key went down
    qint32 LastPovValue = 0;
    PollCarry pollCarry_;
    bool inTimerTick_ = false;
    bool SearchHit = false;
    QString applicationHint_;
    GridModel grid_;
    // A start reads its settings and table on another thread while the
    // window is being built; the reader's grid once it is taken.
    std::unique_ptr<StartupTableRead> ownStartupRead_;
    StartupTableRead* startupRead_ = nullptr;
    std::unique_ptr<GridModel> startupGrid_;
    bool startupWidthsTaken_ = false; // startupGrid_'s columns were fitted in this window's font
    std::unique_ptr<TextExtent> commandRowExtent_;
    std::unique_ptr<CellPainter> cellPainter_;
    TableEditor editor_;
    std::array<QLabel*, kStatusPanels> panels_{};
};

} // namespace runpad
