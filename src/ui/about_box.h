#pragma once

#include <QDialog>
#include <QIcon>
#include <QString>

class QAction;
class QLabel;
class QToolButton;

namespace runpad {

class ErrorReporter;
class ShellStarter;
class UpdateSession;
class UserPrompts;
struct CheckCaptions;
struct CheckOutcome;

// The page the web button opens while no update check has named a website.
extern const QString kDefaultInformationPage;

// What an About dialog needs from the outside world.
struct AboutDependencies {
    QString executablePath;
    UpdateSession& session; // shared variables and the way to the update host
    ShellStarter& shell;
    UserPrompts& prompts;
    const ErrorReporter& errors;
};

// The program's icon, drawn at the sizes a window needs (largest 64 x 64).
QIcon runpadProgramIcon();

// The About dialog: name, icon, version and release date, the web button and
// the update button. Every instance runs the update check while it is set up.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    // Synchronous: the check ends before the constructor returns.
    // Background: the check runs on a worker thread (the hidden dialog of
    // program start, which must not hold the first window back).
    enum class CheckMode { Synchronous, Background };

    explicit TAboutBox(const AboutDependencies& deps, CheckMode mode = CheckMode::Synchronous,
                       QWidget* parent = nullptr);
    ~TAboutBox() override;

    bool get_onlin_info();
    void SpeedButton_webClick();
    void Action_check_for_updateExecute();

    QLabel* Image1 = nullptr;
    QLabel* Label_application_short_name = nullptr;
    QLabel* Copyright = nullptr;
    QLabel* label_version_UpdateDate = nullptr;
    QToolButton* SpeedButton_web = nullptr;
    QToolButton* SpeedButton_download = nullptr;
    QList<QAction*> ActionList1;
    QAction* Action_check_for_update = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildLayout();
    void FormCreate(CheckMode mode);
    void startBackgroundCheck();
    void showCaptions(const CheckCaptions& captions);
    QString executableFolder() const;

    QString executablePath_;
    UpdateSession& session_;
    ShellStarter& shell_;
    UserPrompts& prompts_;
    const ErrorReporter& errors_;
};

// Creates an About dialog, shows it modally and frees it when it closes.
void ShowAboutBox(const AboutDependencies& deps, QWidget* parent = nullptr);

} // namespace runpad
