#pragma once

#include "core/table/grid_model.h"
#include "platform/settings_file.h"

#include <QString>
#include <future>
#include <memory>

namespace runpad {

// The settings file read, and the table in it loaded into a grid of its own,
// on another thread from the moment the program starts: the window takes
// both at the step of its startup sequence that loads them, and in the
// meantime the toolkit connects to the display and the window is built.
class StartupTableRead {
public:
    explicit StartupTableRead(QString settingsFile);
    // Waits for the thread.
    ~StartupTableRead();
    StartupTableRead(const StartupTableRead&) = delete;
    StartupTableRead& operator=(const StartupTableRead&) = delete;

    const QString& settingsFile() const { return path_; }
    // Not yet taken.
    bool pending() const { return settings_.valid(); }
    // Waits for the read and returns the settings file, or raises the error
    // its read raised. Once only; the grid may be taken after it.
    SettingsFile takeSettings();
    // The grid the table was loaded into. It started as a new grid does.
    std::unique_ptr<GridModel> takeGrid() { return std::move(grid_); }

private:
    QString path_;
    std::unique_ptr<GridModel> grid_;
    std::future<SettingsFile> settings_;
};

} // namespace runpad
