#pragma once

#include <QObject>
#include <functional>

class QKeyEvent;
class QWidget;

namespace runpad {

// Shows the main window every key before the focused control does. Key-downs
// and key-ups of any widget of the window reach the handlers once each; a
// swallowed key-down still lets its typed character through.
class KeyPreview : public QObject {
public:
    // keyDown returns true to swallow the key-down.
    using KeyDown = std::function<bool(QKeyEvent&)>;
    using KeyUp = std::function<void(QKeyEvent&)>;

    KeyPreview(QWidget& window, KeyDown keyDown, KeyUp keyUp);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool belongsToWindow(QObject* watched) const;

    QWidget& window_;
    KeyDown keyDown_;
    KeyUp keyUp_;
    bool forwarding_ = false;
};

// The Windows virtual-key code of a key event, its physical key included
// where the window system tells it.
int virtualKeyCodeOf(const QKeyEvent& key);

} // namespace runpad
