#pragma once

#include "core/common/staged_thread.h"

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

    // The application object exists.
    void applicationReady() { thread_.runSecondStage(); }
    // Waits for the thread; call it while the application object still exists.
    void finish() { thread_.finish(); }

private:
    StagedThread thread_;
};

} // namespace runpad
