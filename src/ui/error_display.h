#pragma once

#include <QApplication>
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

class MessageBoxPrompts : public UserPrompts {
public:
    void showError(const QString& text) override;
    bool confirm(const QString& text) override;
    bool confirmYesNoCancel(const QString& text) override;
    void showMessage(const QString& text) override;
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

private:
    const ErrorReporter* reporter_ = nullptr;
};

} // namespace runpad
