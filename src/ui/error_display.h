#pragma once

#include <QApplication>
#include <QList>
#include <QObject>
#include <QString>
#include <exception>

class QWidget;

namespace runpad {

// Message boxes the program shows; tests substitute a recorder.
class UserPrompts {
public:
    virtual ~UserPrompts() = default;
    // The general error display: error icon, the application title as caption.
    virtual void showError(const QString& text) = 0;
    // A yes/no question; No is the default answer.
    virtual bool confirm(const QString& text) = 0;
    // A question with Yes, No and Cancel; true only for Yes.
    virtual bool confirmYesNoCancel(const QString& text) { return confirm(text); }
    virtual void showMessage(const QString& text) = 0;
};

// The real boxes. A box runs an event loop of its own, and while it runs the
// focus moves and the toolkit may delete widgets (a cell editor that loses the
// focus is closed and deleted). Opened while a key or mouse event is still
// being delivered, it could delete the very widget that event is for. So a
// message or error raised during such a delivery is shown as soon as the
// delivery has ended, from the event loop; a question, which needs its answer
// at once, first shows the messages still waiting, in their order.
class MessageBoxPrompts : public UserPrompts {
public:
    void showError(const QString& text) override;
    bool confirm(const QString& text) override;
    bool confirmYesNoCancel(const QString& text) override;
    void showMessage(const QString& text) override;

private:
    struct Pending {
        bool error = false;
        QString text;
    };
    void show(const Pending& box);
    void showPending();

    QList<Pending> pending_;
    QObject queue_; // context of the queued call that shows pending boxes
    bool queued_ = false;
};

// The one place where an error that no handler caught is shown. The event
// loop goes on afterwards.
class ErrorReporter {
public:
    explicit ErrorReporter(UserPrompts& prompts) : prompts_(prompts) {}

    void report(const std::exception& error) const;
    void reportUnknown() const;

    // Runs fn; an error it raises is reported instead of leaving the handler.
    template <typename Fn> bool guard(Fn&& fn) const {
        try {
            fn();
            return true;
        } catch (const std::exception& e) {
            report(e);
        } catch (...) {
            reportUnknown();
        }
        return false;
    }

private:
    UserPrompts& prompts_;
};

// Reports errors that escape an event handler instead of ending the program.
class RunpadApplication : public QApplication {
public:
    RunpadApplication(int& argc, char** argv);
    void setErrorReporter(const ErrorReporter* reporter) { reporter_ = reporter; }
    bool notify(QObject* receiver, QEvent* event) override;

    // Whether a key, mouse, wheel, shortcut or focus event is being delivered
    // to a widget of this application right now.
    static bool deliveringInput();

private:
    const ErrorReporter* reporter_ = nullptr;
    int inputDeliveries_ = 0;
};

} // namespace runpad
