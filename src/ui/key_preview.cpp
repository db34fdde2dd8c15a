#include "ui/key_preview.h"

#include "core/launch/virtual_keys.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QWidget>

namespace runpad {

KeyPreview::KeyPreview(QWidget& window, KeyDown keyDown, KeyUp keyUp)
    : QObject(&window), window_(window), keyDown_(std::move(keyDown)), keyUp_(std::move(keyUp)) {
    qApp->installEventFilter(this);
}

bool KeyPreview::belongsToWindow(QObject* watched) const {
    // A key event travels from the focused widget up to its parents; the
    // application filter sees each step, so only the first one counts.
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != &window_)
        return false;
    QWidget* focus = QApplication::focusWidget();
    return focus ? widget == focus : widget == &window_;
}

bool KeyPreview::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if ((type != QEvent::KeyPress && type != QEvent::KeyRelease) || forwarding_ ||
        !belongsToWindow(watched))
        return false;
    auto& key = static_cast<QKeyEvent&>(*event);
    if (type == QEvent::KeyRelease) {
        // Auto-repeat sends releases between repeated presses; the key is
        // still held then.
        if (!key.isAutoRepeat())
            keyUp_(key);
        return false;
    }
    if (!keyDown_(key))
        return false;
    const QString text = key.text();
    if (!text.isEmpty() && text.front().isPrint()) {
        // The key-down is swallowed, not the character it types.
        QKeyEvent typed(QEvent::KeyPress, Qt::Key_unknown, key.modifiers(), text,
                        key.isAutoRepeat(), key.count());
        forwarding_ = true;
        QApplication::sendEvent(watched, &typed);
        forwarding_ = false;
    }
    return true;
}

int virtualKeyCodeOf(const QKeyEvent& key) {
    PressedKey pressed{key.key(), key.modifiers(), 0};
    // X11 and Wayland report xkb keycodes; other platforms (offscreen, tests'
    // synthetic events) tell no physical key.
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("xcb") || platform.startsWith(QLatin1String("wayland")))
        pressed.xkbKeycode = key.nativeScanCode();
    return virtualKeyCode(pressed);
}

} // namespace runpad
