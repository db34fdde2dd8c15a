#include "ui/startup_table_read.h"

#include "core/table/grid_actions.h"
#include "core/table/picture_finder.h"
#include "core/table/table_persistence.h"
#include "core/table/text_extent.h"

namespace runpad {

StartupTableRead::StartupTableRead(QString settingsFile)
    : path_(std::move(settingsFile)), grid_(std::make_unique<GridModel>()),
      thread_([this] { read(); }, [this] { fit(); }) {}

StartupTableRead::~StartupTableRead() {
    finish();
}

void StartupTableRead::read() {
    // The thread touches its own grid and nothing else.
    try {
        SettingsFile settings(path_);
        PictureFinder pictures;
        loadTable(*grid_, settings, pictures);
        settings_.emplace(std::move(settings));
    } catch (...) {
        error_ = std::current_exception();
    }
}

void StartupTableRead::fit() {
    if (error_)
        return;
    // The same fit as the window's, on the same texts in the same font.
    const TextExtent extent(*fitFont_);
    TableEditor editor(*grid_, [&extent](const QString& text) { return extent.width(text); });
    editor.fitAllColumns();
    fittedFont_ = fitFont_;
}

void StartupTableRead::fitColumns(const QFont& font) {
    if (taken_ || fitFont_)
        return;
    fitFont_ = font;
    if (!thread_.runSecondStage())
        fitFont_.reset();
}

SettingsFile StartupTableRead::takeSettings() {
    finish();
    taken_ = true;
    if (error_)
        std::rethrow_exception(error_);
    return std::move(*settings_);
}

} // namespace runpad
