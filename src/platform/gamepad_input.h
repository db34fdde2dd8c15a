#pragma once

#include "core/gamepad/gamepad_state.h"

#include <QtGlobal>

// SDL's joystick handle, kept opaque so users of this header need no SDL.
struct _SDL_Joystick;

namespace runpad {

// The game controller: the first joystick the system reports, read on request
// into a DIJOYSTATE-shaped record that the accessors return from. Knows
// nothing of the user interface; used from the user-interface thread only.
class TGamepadInput {
public:
    // Holds nothing; FDIState all zero.
    TGamepadInput();
    // Closes the joystick and shuts down what this instance started.
    virtual ~TGamepadInput();

    TGamepadInput(const TGamepadInput&) = delete;
    TGamepadInput& operator=(const TGamepadInput&) = delete;

    // Opens the first joystick, releasing any held before, so at most one is
    // held. False when there is none or a step fails; shows no message.
    bool Initialize();
    // Reads the held joystick into FDIState; without one, or once it has been
    // unplugged, FDIState becomes the no-input state.
    void UpdateState();

    // Values of the last UpdateState; the device is not touched. Axes and
    // sliders run 0..65535 with 32767 at rest.
    qint32 GetXAxis() const { return FDIState.lX; }
    qint32 GetYAxis() const { return FDIState.lY; }
    qint32 GetZAxis() const { return FDIState.lZ; }
    qint32 GetX2Axis() const { return FDIState.lRx; }
    qint32 GetY2Axis() const { return FDIState.lRy; }
    qint32 GetZ2Axis() const { return FDIState.lRz; }
    // Button counts from 0 in all three; the caller keeps it in range
    // (sliders 0..1, buttons 0..31, hats 0..3).
    qint32 GetSlider(int Button) const;
    bool GetButtonState(int Button) const;
    // Hundredths of a degree clockwise from up, 4294967295 when centred.
    quint32 GetPOVState(int Button) const;

private:
    bool FSubsystemStarted = false;     // this instance holds a joystick-subsystem reference
    _SDL_Joystick* FJoystick = nullptr; // the opened game controller
    TDIJoyState FDIState{};             // the state read last
};

} // namespace runpad
