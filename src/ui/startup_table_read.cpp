#include "ui/startup_table_read.h"

#include "core/table/picture_finder.h"
#include "core/table/table_persistence.h"

namespace runpad {

StartupTableRead::StartupTableRead(QString settingsFile)
    : path_(std::move(settingsFile)), grid_(std::make_unique<GridModel>()) {
    // The reader touches its own grid and nothing else.
    settings_ = std::async(std::launch::async, [path = path_, grid = grid_.get()] {
        SettingsFile settings(path);
        PictureFinder pictures;
        loadTable(*grid, settings, pictures);
        return settings;
    });
}

StartupTableRead::~StartupTableRead() {
    if (settings_.valid())
        settings_.wait();
}

SettingsFile StartupTableRead::takeSettings() {
    std::future<SettingsFile> settings = std::move(settings_);
    return settings.get();
}

} // namespace runpad
