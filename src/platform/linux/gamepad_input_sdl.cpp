#include "platform/gamepad_input.h"

#include <SDL.h>

#include <algorithm>

namespace runpad {

namespace {

constexpr int kAxisFields = 6;   // lX, lY, lZ, lRx, lRy, lRz
constexpr int kSliderFields = 2; // SDL axes 6 and 7
constexpr int kPovFields = 4;
constexpr int kButtonFields = 32;
constexpr qint32 kAxisRest = 32767;

// SDL's -32768..32767 onto 0..65535, each half scaled on its own so that both
// ends are reached and a stick at rest (0) reads 32767, the value idle sticks
// report in the 0..65535 range. Monotone; -32768 and -32767 both give 0.
qint32 axisValue(Sint16 v) {
    const qint64 x = v;
    if (x < 0)
        return static_cast<qint32>((x + 32768) * 32767 / 32768);
    return static_cast<qint32>(kAxisRest + x * 32768 / 32767);
}

// SDL's hat bits to hundredths of a degree clockwise from up. Bit patterns
// that name no direction (up and down at once) count as centred.
quint32 povValue(Uint8 hat) {
    switch (hat) {
    case SDL_HAT_UP:
        return 0;
    case SDL_HAT_RIGHTUP:
        return 4500;
    case SDL_HAT_RIGHT:
        return 9000;
    case SDL_HAT_RIGHTDOWN:
        return 13500;
    case SDL_HAT_DOWN:
        return 18000;
    case SDL_HAT_LEFTDOWN:
        return 22500;
    case SDL_HAT_LEFT:
        return 27000;
    case SDL_HAT_LEFTUP:
        return 31500;
    default:
        return kPovCentred;
    }
}

int objectCount(int reported, int fields) {
    return std::clamp(reported, 0, fields); // SDL reports errors as negative counts
}

} // namespace

TGamepadInput::TGamepadInput() = default;

TGamepadInput::~TGamepadInput() {
    if (FJoystick)
        SDL_JoystickClose(FJoystick);
    FJoystick = nullptr;
    if (FSubsystemStarted)
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    FSubsystemStarted = false;
}

bool TGamepadInput::Initialize() {
    if (!FSubsystemStarted) {
        // SDL lives inside a Qt program: it must not turn Ctrl+C into an event
        // nobody reads, and must deliver state without a focused SDL window.
        // Overriding, so an inherited environment variable cannot undo this.
        SDL_SetHintWithPriority(SDL_HINT_NO_SIGNAL_HANDLERS, "1", SDL_HINT_OVERRIDE);
        SDL_SetHintWithPriority(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1", SDL_HINT_OVERRIDE);
        if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0)
            return false;
        FSubsystemStarted = true;
        // State is read directly, never through events; ignoring them keeps
        // SDL's queue empty since nobody drains it.
        SDL_JoystickEventState(SDL_IGNORE);
    }

    if (FJoystick) {
        SDL_JoystickClose(FJoystick);
        FJoystick = nullptr;
    }

    // Lets SDL notice controllers plugged in since the last try.
    SDL_JoystickUpdate();
    if (SDL_NumJoysticks() < 1)
        return false;
    FJoystick = SDL_JoystickOpen(0);
    return FJoystick != nullptr;
}

void TGamepadInput::UpdateState() {
    if (!FJoystick) {
        FDIState = noInputState();
        return;
    }
    SDL_JoystickUpdate();
    // An unplugged controller stays held but never reads again.
    if (!SDL_JoystickGetAttached(FJoystick)) {
        FDIState = noInputState();
        return;
    }

    TDIJoyState s{};
    qint32* const axisFields[kAxisFields + kSliderFields] = {
        &s.lX, &s.lY, &s.lZ, &s.lRx, &s.lRy, &s.lRz, &s.rglSlider[0], &s.rglSlider[1]};
    const int axes = objectCount(SDL_JoystickNumAxes(FJoystick), kAxisFields + kSliderFields);
    for (int i = 0; i < kAxisFields + kSliderFields; ++i)
        *axisFields[i] = i < axes ? axisValue(SDL_JoystickGetAxis(FJoystick, i)) : kAxisRest;

    const int hats = objectCount(SDL_JoystickNumHats(FJoystick), kPovFields);
    for (int i = 0; i < kPovFields; ++i)
        s.rgdwPOV[i] = i < hats ? povValue(SDL_JoystickGetHat(FJoystick, i)) : kPovCentred;

    const int buttons = objectCount(SDL_JoystickNumButtons(FJoystick), kButtonFields);
    for (int i = 0; i < buttons; ++i)
        s.rgbButtons[i] = SDL_JoystickGetButton(FJoystick, i) ? kButtonDown : 0;

    FDIState = s;
}

qint32 TGamepadInput::GetSlider(int Button) const {
    Q_ASSERT(Button >= 0 && Button < kSliderFields);
    return FDIState.rglSlider[Button];
}

bool TGamepadInput::GetButtonState(int Button) const {
    Q_ASSERT(Button >= 0 && Button < kButtonFields);
    return (FDIState.rgbButtons[Button] & 0x80) != 0;
}

quint32 TGamepadInput::GetPOVState(int Button) const {
    Q_ASSERT(Button >= 0 && Button < kPovFields);
    return FDIState.rgdwPOV[Button];
}

} // namespace runpad
