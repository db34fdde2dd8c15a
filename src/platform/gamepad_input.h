#pragma once

#include "core/gamepad/gamepad_state.h"

#include <QtGlobal>

// SDL's joystick handle, kept opaque so users of this header need no SDL.
struct _SDL_Joystick;

namespace runpad {

// What the main window polls: a game controller, opened on request and read
// into a state the accessors return from. Used from the user-interface thread
// only; tests substitute a fake.
class GamepadDevice {
public:
    virtual ~GamepadDevice() = default;

    // Opens the first controller, releasing any held before, so at most one is
    // held. False when there is none or a step fails; shows no message.
    virtual bool Initialize() = 0;
    // Reads the held controller; without one, or once it has been unplugged,
    // the state becomes the no-input state.
    virtual void UpdateState() = 0;

    // Values of the last UpdateState; the device is not touched. Axes run
    // 0..65535 with 32767 at rest.
    virtual qint32 GetXAxis() const = 0;
    virtual qint32 GetYAxis() const = 0;
    // Button counts from 0; the caller keeps it in range (buttons 0..31,
    // hats 0..3).
    virtual bool GetButtonState(int Button) const = 0;
    // Hundredths of a degree clockwise from up, 4294967295 when centred.
    virtual quint32 GetPOVState(int Button) const = 0;
};

// The game controller: the first joystick the system reports, read on request
// into a DIJOYSTATE-shaped record that the accessors return from. Knows
// nothing of the user interface.
class TGamepadInput : public GamepadDevice {
public:
    // Holds nothing; FDIState all zero.
    TGamepadInput();
    // Closes the joystick and shuts down what this instance started.
    ~TGamepadInput() override;

    TGamepadInput(const TGamepadInput&) = delete;
    TGamepadInput& operator=(const TGamepadInput&) = delete;

    bool Initialize() override;
    void UpdateState() override;

    // Axes and sliders run 0..65535 with 32767 at rest.
    qint32 GetXAxis() const override { return FDIState.lX; }
    qint32 GetYAxis() const override { return FDIState.lY; }
    qint32 GetZAxis() const { return FDIState.lZ; }
    qint32 GetX2Axis() const { return FDIState.lRx; }
    qint32 GetY2Axis() const { return FDIState.lRy; }
    qint32 GetZ2Axis() const { return FDIState.lRz; }
    // Sliders 0..1.
    qint32 GetSlider(int Button) const;
    bool GetButtonState(int Button) const override;
    quint32 GetPOVState(int Button) const override;

private:
    bool FSubsystemStarted = false;     // this instance holds a joystick-subsystem reference
    _SDL_Joystick* FJoystick = nullptr; // the opened game controller
    TDIJoyState FDIState{};             // the state read last
};

} // namespace runpad
