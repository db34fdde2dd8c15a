#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

namespace runpad {

// Prepares the system's font database on a second thread while the program
// sets itself up. The first text the window lays out would otherwise wait
// for the font configuration to be read and every installed face listed,
// which costs more than building all of the window's controls.
//
// Start it before the application object exists and say when it does: the
// toolkit's own list of faces can only be built from then on.
class FontWarmUp {
public:
    FontWarmUp();
    ~FontWarmUp();
    FontWarmUp(const FontWarmUp&) = delete;
    FontWarmUp& operator=(const FontWarmUp&) = delete;

    // The application object exists.
    void applicationReady();
    // Waits for the thread; call it while the application object still exists.
    void finish();

private:
    enum class Step { Waiting, ApplicationReady, Finishing };
    void run();

    std::mutex mutex_;
    std::condition_variable stepChanged_;
    Step step_ = Step::Waiting;
    std::thread thread_;
};

} // namespace runpad
