#include "ui/startup_table_read.h"

#include "core/table/grid_actions.h"
#include "core/table/picture_finder.h"
#include "core/table/table_persistence.h"
#include "core/table/text_extent.h"

namespace runpad {

StartupTableRead::StartupTableRead(QString settingsFile)
    : path_(std::move(settingsFile)), grid_(std::make_unique<GridModel>()),
      thread_([this] { run(); }) {}

StartupTableRead::~StartupTableRead() {
    finish();
}

void StartupTableRead::run() {
    // The thread touches its own grid and nothing else.
    try {
        SettingsFile settings(path_);
        PictureFinder pictures;
        loadTable(*grid_, settings, pictures);
        settings_.emplace(std::move(settings));
    } catch (...) {
        error_ = std::current_exception();
    }
    std::unique_lock lock(mutex_);
    stepChanged_.wait(lock, [this] { return step_ != Step::Waiting; });
    if (step_ != Step::Fit || error_)
        return;
    const QFont font = *fitFont_;
    lock.unlock();
    // The same fit as the window's, on the same texts in the same font.
    const TextExtent extent(font);
    TableEditor editor(*grid_, [&extent](const QString& text) { return extent.width(text); });
    editor.fitAllColumns();
    fittedFont_ = font;
}

void StartupTableRead::fitColumns(const QFont& font) {
    {
        const std::lock_guard lock(mutex_);
        if (step_ != Step::Waiting)
            return;
        fitFont_ = font;
        step_ = Step::Fit;
    }
    stepChanged_.notify_one();
}

void StartupTableRead::finish() {
    {
        const std::lock_guard lock(mutex_);
        if (step_ == Step::Waiting)
            step_ = Step::Finish;
    }
    stepChanged_.notify_one();
    if (thread_.joinable())
        thread_.join();
}

SettingsFile StartupTableRead::takeSettings() {
    finish();
    taken_ = true;
    if (error_)
        std::rethrow_exception(error_);
    return std::move(*settings_);
}

} // namespace runpad
