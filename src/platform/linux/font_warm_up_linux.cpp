#include "platform/font_warm_up.h"

#include <QFontDatabase>
#include <QStringList>

#include <fontconfig/fontconfig.h>

namespace runpad {

FontWarmUp::FontWarmUp() : thread_([this] { run(); }) {}

FontWarmUp::~FontWarmUp() {
    finish();
}

void FontWarmUp::applicationReady() {
    {
        const std::lock_guard lock(mutex_);
        if (step_ == Step::Waiting)
            step_ = Step::ApplicationReady;
    }
    stepChanged_.notify_one();
}

void FontWarmUp::finish() {
    {
        const std::lock_guard lock(mutex_);
        if (step_ == Step::Waiting)
            step_ = Step::Finishing;
    }
    stepChanged_.notify_one();
    if (thread_.joinable())
        thread_.join();
}

void FontWarmUp::run() {
    // Reads the configuration and the cache of installed faces; later
    // callers, the toolkit among them, find it loaded.
    FcInit();
    std::unique_lock lock(mutex_);
    stepChanged_.wait(lock, [this] { return step_ != Step::Waiting; });
    if (step_ != Step::ApplicationReady)
        return;
    lock.unlock();
    // The toolkit's list of faces is shared by all threads and built under
    // its own lock: the window's first text finds it built, or waits for it.
    QFontDatabase::families();
}

} // namespace runpad
