#pragma once

#include <QtGlobal>
#include <cstddef>

namespace runpad {

// One read of the game controller, laid out byte for byte like DirectInput's
// DIJOYSTATE so the meaning of every field is the familiar one: axes and
// sliders 0..65535, hats in hundredths of a degree clockwise from up
// (0xFFFFFFFF when centred), buttons pressed when bit 7 of their byte is set.
struct TDIJoyState {
    qint32 lX;
    qint32 lY;
    qint32 lZ;
    qint32 lRx;
    qint32 lRy;
    qint32 lRz;
    qint32 rglSlider[2];
    quint32 rgdwPOV[4];
    quint8 rgbButtons[32];
};

static_assert(sizeof(TDIJoyState) == 80);
static_assert(offsetof(TDIJoyState, lX) == 0);
static_assert(offsetof(TDIJoyState, lY) == 4);
static_assert(offsetof(TDIJoyState, lZ) == 8);
static_assert(offsetof(TDIJoyState, lRx) == 12);
static_assert(offsetof(TDIJoyState, lRy) == 16);
static_assert(offsetof(TDIJoyState, lRz) == 20);
static_assert(offsetof(TDIJoyState, rglSlider) == 24);
static_assert(offsetof(TDIJoyState, rgdwPOV) == 32);
static_assert(offsetof(TDIJoyState, rgbButtons) == 48);

// Hat value of a hat at rest.
inline constexpr quint32 kPovCentred = 0xFFFFFFFFu;

// Button byte of a pressed button; only bit 7 counts when reading.
inline constexpr quint8 kButtonDown = 0x80;

// What a missing controller or a failed read leaves behind: every axis,
// slider and button 0 and every hat centred, so nothing launches or moves.
constexpr TDIJoyState noInputState() noexcept {
    TDIJoyState s{};
    for (quint32& pov : s.rgdwPOV)
        pov = kPovCentred;
    return s;
}

} // namespace runpad
