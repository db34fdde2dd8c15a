#pragma once

#include "core/table/grid_actions.h"
#include "core/table/grid_model.h"

#include <QMainWindow>
#include <QString>
#include <array>
#include <memory>

class QAction;
class QFontMetrics;
class QLabel;
class QMenu;
class QStatusBar;
class QToolBar;

namespace runpad {

class Clock;
class ErrorReporter;
class StringGridView;
class UserPrompts;

// What the main window needs from the outside world.
struct FormDependencies {
    QString executablePath; // the settings file and pictures sit beside it
    const Clock& clock;
    UserPrompts& prompts;
    const ErrorReporter& errors;
};

// The main window: the command table with its actions, the menu bar and the
// status bar.
class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kStatusPanels = 6;

    explicit TForm1(const FormDependencies& deps, QWidget* parent = nullptr);
    ~TForm1() override;

    GridModel& grid() { return grid_; }
    TableEditor& editor() { return editor_; }
    const QString& settingsFileName() const { return SettingsFileName; }
    QString panelText(int panel) const;
    void setPanelText(int panel, const QString& text);

    // Actions of the command table.
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
    void Exit1Click();

    // Controls and actions, named as the rest of the program refers to them.
    StringGridView* StringGrid1 = nullptr;
    QToolBar* ToolBar1 = nullptr;
    QStatusBar* StatusLine = nullptr;
    QMenu* File1 = nullptr;
    QAction* LoadTableContents1 = nullptr;
    QAction* SaveTableContents1 = nullptr;
    QAction* Exit1 = nullptr;
    QAction* Action_insert_col = nullptr;
    QAction* Action_del_col = nullptr;
    QAction* Action_move_col_to_left = nullptr;
    QAction* Action_move_col_to_right = nullptr;
    QAction* Action_load_table_contents = nullptr;
    QAction* Action_save_table_contents = nullptr;
    QAction* Action_adj_all_table_width = nullptr;
    QAction* Action_insert_row = nullptr;
    QAction* Action_del_row = nullptr;
    QAction* Action_move_row_down = nullptr;
    QAction* Action_move_row_up = nullptr;
    QAction* Action_edit = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildLayout();
    void buildActions();
    void buildMenus();
    QAction* addAction(const QString& caption, void (TForm1::*handler)());
    void FormCreate();
    void FormActivate();
    bool FormClose();
    void FormDestroy();
    void StringGrid1Click();
    void updateEditImage();

    const Clock& clock_;
    UserPrompts& prompts_;
    const ErrorReporter& errors_;
    QString executablePath_;
    QString SettingsFileName;
    GridModel grid_;
    std::unique_ptr<QFontMetrics> commandRowMetrics_;
    TableEditor editor_;
    std::array<QLabel*, kStatusPanels> panels_{};
};

} // namespace runpad
