#include "core/launch/virtual_keys.h"

#include "core/launch/key_codes.h"

#include <linux/input-event-codes.h>

#include <QChar>
#include <QString>

namespace runpad {

namespace {

// Numpad codes; only digits and operators differ from the main block; a
// keypad Home or Enter reports the same code as the main key.
int keypadCode(int qtKey) {
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return vk::kNumpad0 + (qtKey - Qt::Key_0);
    switch (qtKey) {
    case Qt::Key_Asterisk:
        return vk::kMultiply;
    case Qt::Key_Plus:
        return vk::kAdd;
    case Qt::Key_Minus:
        return vk::kSubtract;
    case Qt::Key_Period:
    case Qt::Key_Comma: // the decimal key of layouts with a decimal comma
        return vk::kDecimal;
    case Qt::Key_Slash:
        return vk::kDivide;
    default:
        return 0;
    }
}

// Codes of keys whose meaning does not depend on the layout; 0 for others.
int fixedKeyCode(int qtKey) {
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return vk::kF1 + (qtKey - Qt::Key_F1);
    switch (qtKey) {
    // Navigation and editing.
    case Qt::Key_Left:
        return vk::kLeft;
    case Qt::Key_Up:
        return vk::kUp;
    case Qt::Key_Right:
        return vk::kRight;
    case Qt::Key_Down:
        return vk::kDown;
    case Qt::Key_Home:
        return vk::kHome;
    case Qt::Key_End:
        return vk::kEnd;
    case Qt::Key_PageUp:
        return vk::kPrior;
    case Qt::Key_PageDown:
        return vk::kNext;
    case Qt::Key_Insert:
        return vk::kInsert;
    case Qt::Key_Delete:
        return vk::kDelete;
    case Qt::Key_Clear: // keypad 5 with Num Lock off
        return vk::kClear;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return vk::kReturn;
    case Qt::Key_Escape:
        return vk::kEscape;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return vk::kTab;
    case Qt::Key_Backspace:
        return vk::kBack;
    case Qt::Key_Space:
        return vk::kSpace;
    case Qt::Key_Cancel:
        return vk::kCancel;
    case Qt::Key_Select:
        return vk::kSelect;
    case Qt::Key_Execute:
        return vk::kExecute;
    case Qt::Key_Help:
        return vk::kHelp;

    // Modifiers and locks.
    case Qt::Key_Shift:
        return vk::kShift;
    case Qt::Key_Control:
        return vk::kControl;
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
        return vk::kMenu;
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
        return vk::kLWin;
    case Qt::Key_Super_R:
        return vk::kRWin;
    case Qt::Key_Menu:
        return vk::kApps;
    case Qt::Key_CapsLock:
        return vk::kCapital;
    case Qt::Key_NumLock:
        return vk::kNumLock;
    case Qt::Key_ScrollLock:
        return vk::kScroll;
    case Qt::Key_Pause:
        return vk::kPause;
    case Qt::Key_Print:
        return vk::kSnapshot;
    case Qt::Key_Sleep:
        return vk::kSleep;

    // Browser, media and launch keys.
    case Qt::Key_Back:
        return vk::kBrowserBack;
    case Qt::Key_Forward:
        return vk::kBrowserForward;
    case Qt::Key_Refresh:
        return vk::kBrowserRefresh;
    case Qt::Key_Stop:
        return vk::kBrowserStop;
    case Qt::Key_Search:
        return vk::kBrowserSearch;
    case Qt::Key_Favorites:
        return vk::kBrowserFavorites;
    case Qt::Key_HomePage:
        return vk::kBrowserHome;
    case Qt::Key_VolumeMute:
        return vk::kVolumeMute;
    case Qt::Key_VolumeDown:
        return vk::kVolumeDown;
    case Qt::Key_VolumeUp:
        return vk::kVolumeUp;
    case Qt::Key_MediaNext:
        return vk::kMediaNextTrack;
    case Qt::Key_MediaPrevious:
        return vk::kMediaPrevTrack;
    case Qt::Key_MediaStop:
        return vk::kMediaStop;
    case Qt::Key_MediaPlay:
    case Qt::Key_MediaPause:
    case Qt::Key_MediaTogglePlayPause:
        return vk::kMediaPlayPause;
    case Qt::Key_LaunchMail:
        return vk::kLaunchMail;
    case Qt::Key_LaunchMedia:
        return vk::kLaunchMediaSelect;
    case Qt::Key_Launch0: // "My Computer"
        return vk::kLaunchApp1;
    case Qt::Key_Calculator:
    case Qt::Key_Launch1:
        return vk::kLaunchApp2;

    // Input method keys of Asian keyboards.
    case Qt::Key_Hangul:
    case Qt::Key_Kana_Lock:
        return vk::kKana;
    case Qt::Key_Hangul_Hanja:
    case Qt::Key_Kanji:
        return vk::kKanji;
    case Qt::Key_Henkan:
        return vk::kConvert;
    case Qt::Key_Muhenkan:
        return vk::kNonConvert;
    default:
        return 0;
    }
}

// Code of the US key at a physical place, by its Linux input code; 0 for
// places without a layout-dependent key.
int physicalKeyCode(quint32 inputCode) {
    static constexpr char kDigitRow[] = "1234567890";
    static constexpr char kTopRow[] = "QWERTYUIOP";
    static constexpr char kHomeRow[] = "ASDFGHJKL";
    static constexpr char kBottomRow[] = "ZXCVBNM";
    if (inputCode >= KEY_1 && inputCode <= KEY_0)
        return kDigitRow[inputCode - KEY_1];
    if (inputCode >= KEY_Q && inputCode <= KEY_P)
        return kTopRow[inputCode - KEY_Q];
    if (inputCode >= KEY_A && inputCode <= KEY_L)
        return kHomeRow[inputCode - KEY_A];
    if (inputCode >= KEY_Z && inputCode <= KEY_M)
        return kBottomRow[inputCode - KEY_Z];
    switch (inputCode) {
    case KEY_MINUS:
        return vk::kOemMinus;
    case KEY_EQUAL:
        return vk::kOemPlus;
    case KEY_LEFTBRACE:
        return vk::kOem4;
    case KEY_RIGHTBRACE:
        return vk::kOem6;
    case KEY_SEMICOLON:
        return vk::kOem1;
    case KEY_APOSTROPHE:
        return vk::kOem7;
    case KEY_GRAVE:
        return vk::kOem3;
    case KEY_BACKSLASH:
        return vk::kOem5;
    case KEY_COMMA:
        return vk::kOemComma;
    case KEY_DOT:
        return vk::kOemPeriod;
    case KEY_SLASH:
        return vk::kOem2;
    case KEY_SPACE:
        return vk::kSpace;
    case KEY_102ND:
        return vk::kOem102;
    case KEY_RO:
        return vk::kAbntC1;
    default:
        return 0;
    }
}

// The Latin letter a character is built on ("é" on "e"), as a code; 0 when
// there is none.
int baseLetterCode(int qtKey) {
    if (qtKey <= 0 || qtKey > 0xFFFF)
        return 0;
    const QString decomposed = QChar(char16_t(qtKey)).decomposition();
    if (decomposed.isEmpty())
        return 0;
    const char16_t base = decomposed.front().toUpper().unicode();
    return base >= u'A' && base <= u'Z' ? int(base) : 0;
}

// The US key that carries a symbol; 0 for others.
int usSymbolCode(int qtKey) {
    switch (qtKey) {
    // Shifted digit keys.
    case Qt::Key_ParenRight:
        return '0';
    case Qt::Key_Exclam:
        return '1';
    case Qt::Key_At:
        return '2';
    case Qt::Key_NumberSign:
        return '3';
    case Qt::Key_Dollar:
        return '4';
    case Qt::Key_Percent:
        return '5';
    case Qt::Key_AsciiCircum:
        return '6';
    case Qt::Key_Ampersand:
        return '7';
    case Qt::Key_Asterisk:
        return '8';
    case Qt::Key_ParenLeft:
        return '9';

    // Punctuation, both symbols of a US key.
    case Qt::Key_Semicolon:
    case Qt::Key_Colon:
        return vk::kOem1;
    case Qt::Key_Equal:
    case Qt::Key_Plus:
        return vk::kOemPlus;
    case Qt::Key_Comma:
    case Qt::Key_Less:
        return vk::kOemComma;
    case Qt::Key_Minus:
    case Qt::Key_Underscore:
        return vk::kOemMinus;
    case Qt::Key_Period:
    case Qt::Key_Greater:
        return vk::kOemPeriod;
    case Qt::Key_Slash:
    case Qt::Key_Question:
        return vk::kOem2;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde:
        return vk::kOem3;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft:
        return vk::kOem4;
    case Qt::Key_Backslash:
    case Qt::Key_Bar:
        return vk::kOem5;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight:
        return vk::kOem6;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl:
        return vk::kOem7;
    default:
        return 0;
    }
}

// xkb keycodes are the Linux input codes shifted by this.
constexpr quint32 kXkbOffset = 8;

} // namespace

int virtualKeyCode(const PressedKey& key) {
    const int qtKey = key.qtKey;
    if (key.modifiers.testFlag(Qt::KeypadModifier)) {
        if (const int code = keypadCode(qtKey))
            return code;
    }
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return qtKey; // the codes are the capital letters
    if (qtKey >= 'a' && qtKey <= 'z')
        return qtKey - ('a' - 'A');
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return qtKey;
    if (const int code = fixedKeyCode(qtKey))
        return code;
    if (key.xkbKeycode > kXkbOffset) {
        if (const int code = physicalKeyCode(key.xkbKeycode - kXkbOffset))
            return code;
    }
    if (const int code = baseLetterCode(qtKey))
        return code;
    if (const int code = usSymbolCode(qtKey))
        return code;
    return vk::kNoMapping;
}

int virtualKeyCode(int qtKey, Qt::KeyboardModifiers modifiers) {
    return virtualKeyCode(PressedKey{qtKey, modifiers, 0});
}

} // namespace runpad
