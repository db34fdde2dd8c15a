#include "ui/error_display.h"

#include "core/common/app_error.h"

#include <QMessageBox>

namespace runpad {

namespace {
QString applicationTitle() {
    const QString name = QApplication::applicationDisplayName();
    return name.isEmpty() ? QApplication::applicationName() : name;
}
} // namespace

void MessageBoxPrompts::showError(const QString& text) {
    QMessageBox::critical(QApplication::activeWindow(), applicationTitle(), text);
}

bool MessageBoxPrompts::confirm(const QString& text) {
    return QMessageBox::question(QApplication::activeWindow(), applicationTitle(), text,
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

bool MessageBoxPrompts::confirmYesNoCancel(const QString& text) {
    return QMessageBox::question(QApplication::activeWindow(), applicationTitle(), text,
                                 QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel) ==
           QMessageBox::Yes;
}

void MessageBoxPrompts::showMessage(const QString& text) {
    QMessageBox::information(QApplication::activeWindow(), applicationTitle(), text);
}

void ErrorReporter::report(const std::exception& error) const {
    const auto* appError = dynamic_cast<const AppError*>(&error);
    const QString text = appError ? appError->message() : QString::fromLocal8Bit(error.what());
    prompts_.showError(errorDisplayText(text));
}

void ErrorReporter::reportUnknown() const {
    prompts_.showError(errorDisplayText(QStringLiteral("Unknown error")));
}

RunpadApplication::RunpadApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool RunpadApplication::notify(QObject* receiver, QEvent* event) {
    if (!reporter_)
        return QApplication::notify(receiver, event);
    bool result = false;
    reporter_->guard([&] { result = QApplication::notify(receiver, event); });
    return result;
}

} // namespace runpad
