#pragma once

#include <Qt>
#include <QtGlobal>

namespace runpad {

// A key as the window system reports it.
struct PressedKey {
    int qtKey = 0;
    Qt::KeyboardModifiers modifiers;
    // The X keyboard (xkb) keycode of the physical key, the Linux input code
    // + 8, as X11 and Wayland report it; 0 when unknown.
    quint32 xkbKeycode = 0;
};

// The Windows virtual-key code the Windows layout of the same keyboard would
// give. Keypad keys (Qt::KeypadModifier set) get their numpad codes; letters
// A-Z and digits their own codes; keys with a fixed meaning (functions,
// navigation, modifiers, media) theirs. Any other key (punctuation, letters
// outside A-Z such as umlauts or Cyrillic) is known by its physical place:
// the code of the US key in that place. Without a physical key, a letter
// with a diacritic gives its base letter and a symbol the US key that
// carries it. A key with no code at all gives 255, as Windows reports keys
// without a mapping; never 0.
int virtualKeyCode(const PressedKey& key);

// The same for a key whose physical place is unknown.
int virtualKeyCode(int qtKey, Qt::KeyboardModifiers modifiers);

} // namespace runpad
