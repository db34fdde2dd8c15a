#pragma once

#include "core/common/staged_thread.h"
#include "core/table/grid_model.h"
#include "platform/settings_file.h"

#include <QFont>
#include <QString>
#include <exception>
#include <memory>
#include <optional>

namespace runpad {

// The settings file read, and the table in it loaded into a grid of its own,
// on another thread from the moment the program starts: the window takes
// both at the step of its startup sequence that loads them, and in the
// meantime the toolkit connects to the display and the window is built.
// Once the application object exists, the same thread can also fit the
// table's columns to their texts, which otherwise holds up the window in
// proportion to the table's size.
class StartupTableRead {
public:
    explicit StartupTableRead(QString settingsFile);
    // Waits for the thread.
    ~StartupTableRead();
    StartupTableRead(const StartupTableRead&) = delete;
    StartupTableRead& operator=(const StartupTableRead&) = delete;

    const QString& settingsFile() const { return path_; }
    // Not yet taken.
    bool pending() const { return !taken_; }
    // Asks for the loaded table's columns to be fitted in this font, as the
    // window's width fit does. Only while the application object exists,
    // and before the read is taken.
    void fitColumns(const QFont& font);
    // Waits for the read (and the fit, when asked for) and returns the
    // settings file, or raises the error its read raised. Once only; the
    // grid may be taken after it.
    SettingsFile takeSettings();
    // The grid the table was loaded into. It started as a new grid does.
    std::unique_ptr<GridModel> takeGrid() { return std::move(grid_); }
    // The font the taken grid's columns were fitted in, if they were.
    const std::optional<QFont>& fittedFont() const { return fittedFont_; }
    // Lets the thread end without a fit and waits for it: call it while the
    // application object still exists.
    void finish() { thread_.finish(); }

private:
    void read();
    void fit();

    QString path_;
    std::unique_ptr<GridModel> grid_;
    std::optional<SettingsFile> settings_;
    std::exception_ptr error_;
    std::optional<QFont> fitFont_; // set before the fit is asked for
    std::optional<QFont> fittedFont_;
    bool taken_ = false;
    StagedThread thread_; // last: it starts reading as soon as it is made
};

} // namespace runpad
