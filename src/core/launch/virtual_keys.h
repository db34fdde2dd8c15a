#pragma once

#include <Qt>

namespace runpad {

// The Windows virtual-key code of a Qt key; keypad keys (Qt::KeypadModifier set) get
// their numpad codes. 0 for a key without one. Symbols map to the key that
// carries them on a US layout, so "!" gives the code of the 1 key.
int virtualKeyCode(int qtKey, Qt::KeyboardModifiers modifiers);

} // namespace runpad
