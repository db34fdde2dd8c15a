#include "platform/gamepad_input.h"
#include "platform/linux/shared_library.h"

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

struct SdlFunctions {
    SharedLibrary library{"libSDL2-2.0.so.0"};
    RUNPAD_LIBRARY_FUNCTION(SDL_SetHintWithPriority);
    RUNPAD_LIBRARY_FUNCTION(SDL_InitSubSystem);
    RUNPAD_LIBRARY_FUNCTION(SDL_QuitSubSystem);
    RUNPAD_LIBRARY_FUNCTION(SDL_JoystickEventState);
    RUNPAD_LIBRARY_FUNCTION(SDL_JoystickUpdate);
    RUNPAD_LIBRARY_FUNCTION(SDL_NumJoysticks);
    RUNPAD_LIBRARY_FUNCTION(SDL_JoystickOpen);
    RUNPAD_LIBRARY_FUNCTION(SDL_JoystickClose);
    RUNPAD_LIBRARY_FUNCTION(SDL_JoystickGetAttached);
    RUNPAD_LIBRARY_FUNCTION(SDL_JoystickNumAxes);
    RUNPAD_LIBRARY_FUNCTION(SDL_JoystickGetAxis);
    RUNPAD_LIBRARY_FUNCTION(SDL_JoystickNumHats);
    RUNPAD_LIBRARY_FUNCTION(SDL_JoystickGetHat);
    RUNPAD_LIBRARY_FUNCTION(SDL_JoystickNumButtons);
    RUNPAD_LIBRARY_FUNCTION(SDL_JoystickGetButton);
};

// SDL, opened by the first controller object; nullptr when it cannot be
// loaded, which reads as no controller.
const SdlFunctions* loadSdl() {
    static const SdlFunctions functions;
    return functions.library.usable() ? &functions : nullptr;
}

int objectCount(int reported, int fields) {
    return std::clamp(reported, 0, fields); // SDL reports errors as negative counts
}

} // namespace

TGamepadInput::TGamepadInput() = default;

TGamepadInput::~TGamepadInput() {
    if (!FSubsystemStarted)
        return; // SDL never loaded, or never started: nothing to release
    const SdlFunctions* const sdl = loadSdl();
    if (FJoystick)
        sdl->SDL_JoystickClose(FJoystick);
    FJoystick = nullptr;
    sdl->SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    FSubsystemStarted = false;
}

bool TGamepadInput::Initialize() {
    const SdlFunctions* const sdl = loadSdl();
    if (!sdl)
        return false;
    if (!FSubsystemStarted) {
        // SDL lives inside a Qt program: it must not turn Ctrl+C into an event
        // nobody reads, and must deliver state without a focused SDL window.
        // Overriding, so an inherited environment variable cannot undo this.
        sdl->SDL_SetHintWithPriority(SDL_HINT_NO_SIGNAL_HANDLERS, "1", SDL_HINT_OVERRIDE);
        sdl->SDL_SetHintWithPriority(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1",
                                     SDL_HINT_OVERRIDE);
        if (sdl->SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0)
            return false;
        FSubsystemStarted = true;
        // State is read directly, never through events; ignoring them keeps
        // SDL's queue empty since nobody drains it.
        sdl->SDL_JoystickEventState(SDL_IGNORE);
    }

    if (FJoystick) {
        sdl->SDL_JoystickClose(FJoystick);
        FJoystick = nullptr;
    }

    // Lets SDL notice controllers plugged in since the last try.
    sdl->SDL_JoystickUpdate();
    if (sdl->SDL_NumJoysticks() < 1)
        return false;
    FJoystick = sdl->SDL_JoystickOpen(0);
    return FJoystick != nullptr;
}

void TGamepadInput::UpdateState() {
    if (!FJoystick) {
        FDIState = noInputState();
        return;
    }
    const SdlFunctions* const sdl = loadSdl(); // loaded: a controller is open
    sdl->SDL_JoystickUpdate();
    // An unplugged controller stays held but never reads again.
    if (!sdl->SDL_JoystickGetAttached(FJoystick)) {
        FDIState = noInputState();
        return;
    }

    TDIJoyState s{};
    qint32* const axisFields[kAxisFields + kSliderFields] = {
        &s.lX, &s.lY, &s.lZ, &s.lRx, &s.lRy, &s.lRz, &s.rglSlider[0], &s.rglSlider[1]};
    const int axes = objectCount(sdl->SDL_JoystickNumAxes(FJoystick), kAxisFields + kSliderFields);
    for (int i = 0; i < kAxisFields + kSliderFields; ++i)
        *axisFields[i] = i < axes ? axisValue(sdl->SDL_JoystickGetAxis(FJoystick, i)) : kAxisRest;

    const int hats = objectCount(sdl->SDL_JoystickNumHats(FJoystick), kPovFields);
    for (int i = 0; i < kPovFields; ++i)
        s.rgdwPOV[i] = i < hats ? povValue(sdl->SDL_JoystickGetHat(FJoystick, i)) : kPovCentred;

    const int buttons = objectCount(sdl->SDL_JoystickNumButtons(FJoystick), kButtonFields);
    for (int i = 0; i < buttons; ++i)
        s.rgbButtons[i] = sdl->SDL_JoystickGetButton(FJoystick, i) ? kButtonDown : 0;

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
