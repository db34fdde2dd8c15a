#include "ui/about_box.h"

#include "core/about/update_check.h"
#include "core/about/update_session.h"
#include "core/about/version_text.h"
#include "platform/file_version.h"
#include "platform/shell_start.h"
#include "ui/error_display.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QSvgRenderer>
#include <QToolButton>
#include <memory>

namespace runpad {

const QString kDefaultInformationPage = QStringLiteral("https://github.com/runpad/runpad#readme");

namespace {
const QString kCheckForUpdate = QStringLiteral("Check for Update");
const QString kMoreOnlineInformation = QStringLiteral("More Online information ");
constexpr int kIconShownSize = 128;

QFont consolas(int pixelHeight, bool bold = false) {
    QFont font(QStringLiteral("Consolas"));
    font.setPixelSize(pixelHeight);
    font.setBold(bold);
    return font;
}

// Captions keep their CR LF; a button draws a line break only for the LF.
QString shownText(const QString& caption) {
    QString text = caption;
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}
} // namespace

QIcon runpadProgramIcon() {
    QSvgRenderer renderer(QStringLiteral(":/images/runpad.svg"));
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

TAboutBox::TAboutBox(const AboutDependencies& deps, CheckMode mode, QWidget* parent)
    : QDialog(parent), executablePath_(deps.executablePath), session_(deps.session),
      shell_(deps.shell), prompts_(deps.prompts), errors_(deps.errors) {
    buildLayout();
    // An error in the setup skips its remaining steps; the dialog still opens.
    errors_.guard([this, mode] { FormCreate(mode); });
}

TAboutBox::~TAboutBox() = default;

void TAboutBox::buildLayout() {
    setObjectName(QStringLiteral("AboutBox"));
    // A fixed dialog frame with only the title bar's close box, above all
    // other windows.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint);
    setFixedSize(666, 165);
    setWindowTitle(QStringLiteral("About xxx"));
    setFont(consolas(11));
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    setPalette(white);
    setAutoFillBackground(true);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(8, 8, 64, 64);
    Image1->setScaledContents(true);
    Image1->setAccessibleName(QStringLiteral("Program icon"));

    Label_application_short_name = new QLabel(QStringLiteral("will  update file name here"), this);
    Label_application_short_name->setObjectName(QStringLiteral("Label_application_short_name"));
    Label_application_short_name->setGeometry(134, 8, 405, 32);
    Label_application_short_name->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label_application_short_name->setFont(consolas(27, true));

    Copyright = new QLabel(QStringLiteral("Copyright \u00A9 the Runpad authors"), this);
    Copyright->setObjectName(QStringLiteral("Copyright"));
    Copyright->setGeometry(225, 144, 274, 13);
    Copyright->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    label_version_UpdateDate = new QLabel(QStringLiteral("label_version_UpdateDate"), this);
    label_version_UpdateDate->setObjectName(QStringLiteral("label_version_UpdateDate"));
    label_version_UpdateDate->setGeometry(134, 55, 457, 23);
    label_version_UpdateDate->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label_version_UpdateDate->setFont(consolas(16));

    SpeedButton_web = new QToolButton(this);
    SpeedButton_web->setObjectName(QStringLiteral("SpeedButton_web"));
    SpeedButton_web->setGeometry(134, 84, 457, 22);
    SpeedButton_web->setFocusPolicy(Qt::NoFocus);
    SpeedButton_web->setText(kMoreOnlineInformation);
    SpeedButton_web->setAccessibleName(kMoreOnlineInformation);
    // Deferred: the shell may open a window while the click is still delivered.
    connect(
        SpeedButton_web, &QToolButton::clicked, this,
        [this] { errors_.guard([this] { SpeedButton_webClick(); }); }, Qt::QueuedConnection);

    Action_check_for_update = new QAction(kCheckForUpdate, this);
    Action_check_for_update->setObjectName(QStringLiteral("Action_check_for_update"));
    ActionList1.append(Action_check_for_update);
    connect(Action_check_for_update, &QAction::triggered, this,
            [this] { errors_.guard([this] { Action_check_for_updateExecute(); }); });

    SpeedButton_download = new QToolButton(this);
    SpeedButton_download->setObjectName(QStringLiteral("SpeedButton_download"));
    SpeedButton_download->setGeometry(8, 128, 211, 29);
    SpeedButton_download->setFocusPolicy(Qt::NoFocus);
    SpeedButton_download->setText(Action_check_for_update->text());
    SpeedButton_download->setAccessibleName(Action_check_for_update->text());
    // The action's boxes open after the click has been delivered.
    connect(SpeedButton_download, &QToolButton::clicked, Action_check_for_update, &QAction::trigger,
            Qt::QueuedConnection);
}

QString TAboutBox::executableFolder() const {
    return QFileInfo(executablePath_).absolutePath() + QDir::separator();
}

void TAboutBox::FormCreate(CheckMode mode) {
    UpdateVariables& vars = session_.variables();
    vars.IndexFilePath = executableFolder() + kIndexFileName;
    vars.IndexFileName = kIndexFileName;
    vars.OnlineFileName = QFileInfo(executablePath_).fileName();
    vars.AppShortName = appShortName(executablePath_);
    vars.UpdateBaseUrl = updateBaseUrl(session_.updateHost(), vars.AppShortName);
    setWindowTitle(QStringLiteral("About %1").arg(vars.AppShortName));

    // The largest picture of the icon, 64 x 64, scaled up as the dialog shows it.
    const QPixmap icon = runpadProgramIcon().pixmap(64, 64);
    if (!icon.isNull()) {
        Image1->setPixmap(icon.scaled(kIconShownSize, kIconShownSize, Qt::IgnoreAspectRatio,
                                      Qt::SmoothTransformation));
        Image1->resize(kIconShownSize, kIconShownSize);
    }

    Label_application_short_name->setToolTip(executablePath_);
    Label_application_short_name->setText(vars.AppShortName);
    Label_application_short_name->setAccessibleDescription(executablePath_);

    const QDateTime modified = QFileInfo(executablePath_).lastModified().toLocalTime();
    vars.LocalVersion = GetFileVersionText(executablePath_);
    label_version_UpdateDate->setText(
        versionLine(vars.LocalVersion, releaseDateText(modified, QLocale())));

    if (mode == CheckMode::Background)
        startBackgroundCheck();
    else
        get_onlin_info();
}

bool TAboutBox::get_onlin_info() {
    UpdateVariables& vars = session_.variables();
    const QString url = beginCheck(vars, QDateTime::currentDateTime());
    const CheckOutcome outcome = session_.fetch(url, vars.IndexFilePath);
    // A dialog set up just before may still be checking on a worker thread
    // (both waits then overlap). Its result is stored first, as its setup came
    // first; then this setup's file name is put back, as if it had run after.
    if (session_.backgroundCheckPending()) {
        session_.finishBackgroundCheck();
        vars.OnlineFileName = QFileInfo(executablePath_).fileName();
    }
    showCaptions(applyCheckOutcome(vars, outcome));
    return outcome.downloaded;
}

void TAboutBox::startBackgroundCheck() {
    UpdateVariables& vars = session_.variables();
    const QString url = beginCheck(vars, QDateTime::currentDateTime());
    session_.startBackgroundCheck(
        url, vars.IndexFilePath, this, [this](const CheckOutcome& outcome) {
            errors_.guard([this, &outcome] {
                showCaptions(applyCheckOutcome(session_.variables(), outcome));
            });
        });
}

void TAboutBox::showCaptions(const CheckCaptions& captions) {
    if (captions.webCaption) {
        SpeedButton_web->setText(shownText(*captions.webCaption));
        SpeedButton_web->setAccessibleName(*captions.webCaption);
    }
    if (captions.downloadHint)
        SpeedButton_download->setToolTip(*captions.downloadHint);
    if (captions.downloadCaption) {
        SpeedButton_download->setText(shownText(*captions.downloadCaption));
        SpeedButton_download->setAccessibleName(shownText(*captions.downloadCaption));
    }
}

void TAboutBox::SpeedButton_webClick() {
    const QString& website = session_.variables().OnlineWebsite;
    shell_.shellExecute({ShellOwner::AboutDialog, QStringLiteral("open"),
                         website.isEmpty() ? kDefaultInformationPage : website, QString(),
                         QString(), SW_SHOWNORMAL});
}

void TAboutBox::Action_check_for_updateExecute() {
    const UpdateVariables& vars = session_.variables();
    if (!prompts_.confirmYesNoCancel(updateConfirmationText(vars)))
        return;
    const QString fileName = vars.OnlineFileName;
    if (isBlankFileName(fileName))
        return;
    // The name comes from the network: it must not lead out of the folder.
    if (!isPlainUpdateFileName(fileName)) {
        prompts_.showMessage(QStringLiteral("Invalid update file name: %1").arg(fileName));
        return;
    }
    const QString target = executableFolder() + fileName;
    if (session_.download(vars.UpdateBaseUrl + fileName, target))
        shell_.shellExecute({ShellOwner::AboutDialog, QStringLiteral("open"), target, QString(),
                             QString(), SW_SHOWNORMAL});
    else
        prompts_.showMessage(QStringLiteral("Error while downloading ") + fileName);
}

void TAboutBox::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

void ShowAboutBox(const AboutDependencies& deps, QWidget* parent) {
    // Freed when it closes, also when an error leaves the modal loop.
    const auto box = std::make_unique<TAboutBox>(deps, TAboutBox::CheckMode::Synchronous, parent);
    box->exec();
}

} // namespace runpad
