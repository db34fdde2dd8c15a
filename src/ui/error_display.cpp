#include "ui/error_display.h"

#include "core/common/app_error.h"

#include <QMessageBox>
#include <QScopeGuard>

namespace runpad {

namespace {
QString applicationTitle() {
    const QString name = QApplication::applicationDisplayName();
    return name.isEmpty() ? QApplication::applicationName() : name;
}
} // namespace

void MessageBoxPrompts::showError(const QString& text) {
    show({true, text});
}

void MessageBoxPrompts::showMessage(const QString& text) {
    show({false, text});
}

bool MessageBoxPrompts::confirm(const QString& text) {
    showPending();
    return QMessageBox::question(QApplication::activeWindow(), applicationTitle(), text,
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

void MessageBoxPrompts::show(const Pending& box) {
    pending_.append(box);
    if (!RunpadApplication::deliveringInput()) {
        showPending();
        return;
    }
    if (queued_)
        return;
    queued_ = true;
    QMetaObject::invokeMethod(
        &queue_,
        [this] {
            queued_ = false;
            showPending();
        },
        Qt::QueuedConnection);
}

void MessageBoxPrompts::showPending() {
    while (!pending_.isEmpty()) {
        const Pending box = pending_.takeFirst();
        if (box.error)
            QMessageBox::critical(QApplication::activeWindow(), applicationTitle(), box.text);
        else
            QMessageBox::information(QApplication::activeWindow(), applicationTitle(), box.text);
    }
}

bool MessageBoxPrompts::confirmYesNoCancel(const QString& text) {
    showPending();
    return QMessageBox::question(QApplication::activeWindow(), applicationTitle(), text,
                                 QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel) ==
           QMessageBox::Yes;
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

namespace {
bool isInputEvent(QEvent::Type type) {
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::FocusIn:
    case QEvent::FocusOut:
    case QEvent::ContextMenu:
        return true;
    default:
        return false;
    }
}
} // namespace

bool RunpadApplication::deliveringInput() {
    const auto* app = dynamic_cast<const RunpadApplication*>(QCoreApplication::instance());
    return app && app->inputDeliveries_ > 0;
}

bool RunpadApplication::notify(QObject* receiver, QEvent* event) {
    const bool input = isInputEvent(event->type());
    const auto deliver = [&] {
        if (!input)
            return QApplication::notify(receiver, event);
        ++inputDeliveries_;
        const auto done = qScopeGuard([this] { --inputDeliveries_; });
        return QApplication::notify(receiver, event);
    };
    if (!reporter_)
        return deliver();
    bool result = false;
    reporter_->guard([&] { result = deliver(); });
    return result;
}

} // namespace runpad
