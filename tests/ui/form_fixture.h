#pragma once

// Shared pieces for tests that start the main window.

#include "core/appearance/style_registry.h"
#include "platform/clock.h"
#include "platform/gamepad_input.h"
#include "platform/icon_extractor.h"
#include "platform/shell_start.h"
#include "ui/error_display.h"
#include "ui/main_form.h"
#include "ui/style_manager.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace runpad::testing {

class StepClock : public Clock {
public:
    quint32 tickCount() const override { return now += step; }
    mutable quint32 now = 0xFFFFFFF0u; // crosses the wrap during a save
    quint32 step = 7;
};

class RecordingPrompts : public UserPrompts {
public:
    void showError(const QString& text) override { errors << text; }
    bool confirm(const QString& text) override {
        questions << text;
        return answer;
    }
    void showMessage(const QString& text) override { messages << text; }
    QStringList errors, questions, messages;
    bool answer = false;
};

// Records every start instead of starting anything; answers with status.
class RecordingShell : public ShellStarter {
public:
    std::optional<QString> shellExecute(const ShellStartRequest& request) override {
        requests.append(request);
        return status;
    }
    QList<ShellStartRequest> requests;
    std::optional<QString> status;
};

// Gives a fixed picture for one icon file name and none for any other.
class FakeIcons : public IconExtractor {
public:
    QImage extractFirstIcon(const QString& path) const override {
        return path == knownFile ? icon : QImage();
    }
    QString knownFile = QStringLiteral("known.ico");
    QImage icon = [] {
        QImage image(16, 16, QImage::Format_ARGB32);
        image.fill(Qt::red);
        return image;
    }();
};

// A game controller whose state the test sets; attached or not.
class FakeGamepad : public GamepadDevice {
public:
    bool Initialize() override { return attached; }
    void UpdateState() override {}
    qint32 GetXAxis() const override { return x; }
    qint32 GetYAxis() const override { return y; }
    bool GetButtonState(int Button) const override { return Button == 0 && button1; }
    quint32 GetPOVState(int) const override { return pov; }

    bool attached = false;
    qint32 x = 32767;
    qint32 y = 32767;
    bool button1 = false;
    quint32 pov = 0xFFFFFFFFu;
};

inline QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// A temporary folder with the executable's path in it, and everything the
// main window needs; each test starts with a fresh one.
struct FormFixture {
    QTemporaryDir dir;
    StepClock clock;
    RecordingPrompts prompts;
    ErrorReporter errors{prompts};
    StyleRegistry registry;
    StyleManager styles{registry, *qApp};
    RecordingShell shell;
    FakeIcons icons;
    FakeGamepad* gamepad = nullptr; // the window's controller, once it has made one
    bool gamepadAttached = false;   // whether that controller opens

    ~FormFixture() { styles.activate(QStringLiteral("Windows")); }

    QString exe() const { return dir.filePath(QStringLiteral("Runpad")); }
    QString ini() const { return dir.filePath(QStringLiteral("Runpad.ini")); }
    std::unique_ptr<TForm1> makeForm(const QString& exePath = QString()) {
        return std::make_unique<TForm1>(
            FormDependencies{exePath.isEmpty() ? exe() : exePath, clock, prompts, errors, styles,
                             shell, icons, nullptr, [this] {
                                 auto pad = std::make_unique<FakeGamepad>();
                                 pad->attached = gamepadAttached;
                                 gamepad = pad.get();
                                 return pad;
                             }});
    }
};

} // namespace runpad::testing
