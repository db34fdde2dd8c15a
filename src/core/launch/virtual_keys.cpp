#include "core/launch/virtual_keys.h"

#include <QChar>
#include <QString>

namespace runpad {

namespace {

// Numpad codes; only digits and operators differ from the main block; a
// keypad Home or Enter reports the same code as the main key.
int keypadCode(int qtKey) {
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return 96 + (qtKey - Qt::Key_0);
    switch (qtKey) {
    case Qt::Key_Asterisk:
        return 106;
    case Qt::Key_Plus:
        return 107;
    case Qt::Key_Minus:
        return 109;
    case Qt::Key_Period:
    case Qt::Key_Comma: // the decimal key of layouts with a decimal comma
        return 110;
    case Qt::Key_Slash:
        return 111;
    default:
        return 0;
    }
}

// Codes of keys whose meaning does not depend on the layout; 0 for others.
int fixedKeyCode(int qtKey) {
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return 112 + (qtKey - Qt::Key_F1);
    switch (qtKey) {
    // Navigation and editing.
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return 40;
    case Qt::Key_Home:
        return 36;
    case Qt::Key_End:
        return 35;
    case Qt::Key_PageUp:
        return 33;
    case Qt::Key_PageDown:
        return 34;
    case Qt::Key_Insert:
        return 45;
    case Qt::Key_Delete:
        return 46;
    case Qt::Key_Clear: // keypad 5 with Num Lock off
        return 12;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 9;
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Space:
        return 32;
    case Qt::Key_Cancel:
        return 3;
    case Qt::Key_Select:
        return 41;
    case Qt::Key_Execute:
        return 43;
    case Qt::Key_Help:
        return 47;

    // Modifiers and locks.
    case Qt::Key_Shift:
        return 16;
    case Qt::Key_Control:
        return 17;
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
        return 18;
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
        return 91;
    case Qt::Key_Super_R:
        return 92;
    case Qt::Key_Menu:
        return 93;
    case Qt::Key_CapsLock:
        return 20;
    case Qt::Key_NumLock:
        return 144;
    case Qt::Key_ScrollLock:
        return 145;
    case Qt::Key_Pause:
        return 19;
    case Qt::Key_Print:
        return 44;
    case Qt::Key_Sleep:
        return 95;

    // Browser, media and launch keys.
    case Qt::Key_Back:
        return 166;
    case Qt::Key_Forward:
        return 167;
    case Qt::Key_Refresh:
        return 168;
    case Qt::Key_Stop:
        return 169;
    case Qt::Key_Search:
        return 170;
    case Qt::Key_Favorites:
        return 171;
    case Qt::Key_HomePage:
        return 172;
    case Qt::Key_VolumeMute:
        return 173;
    case Qt::Key_VolumeDown:
        return 174;
    case Qt::Key_VolumeUp:
        return 175;
    case Qt::Key_MediaNext:
        return 176;
    case Qt::Key_MediaPrevious:
        return 177;
    case Qt::Key_MediaStop:
        return 178;
    case Qt::Key_MediaPlay:
    case Qt::Key_MediaPause:
    case Qt::Key_MediaTogglePlayPause:
        return 179;
    case Qt::Key_LaunchMail:
        return 180;
    case Qt::Key_LaunchMedia:
        return 181;
    case Qt::Key_Launch0: // "My Computer"
        return 182;
    case Qt::Key_Calculator:
    case Qt::Key_Launch1:
        return 183;

    // Input method keys of Asian keyboards.
    case Qt::Key_Hangul:
    case Qt::Key_Kana_Lock:
        return 21;
    case Qt::Key_Hangul_Hanja:
    case Qt::Key_Kanji:
        return 25;
    case Qt::Key_Henkan:
        return 28;
    case Qt::Key_Muhenkan:
        return 29;
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
    if (inputCode >= 2 && inputCode <= 11)
        return kDigitRow[inputCode - 2];
    if (inputCode >= 16 && inputCode <= 25)
        return kTopRow[inputCode - 16];
    if (inputCode >= 30 && inputCode <= 38)
        return kHomeRow[inputCode - 30];
    if (inputCode >= 44 && inputCode <= 50)
        return kBottomRow[inputCode - 44];
    switch (inputCode) {
    case 12: // minus
        return 189;
    case 13: // equal
        return 187;
    case 26: // left bracket
        return 219;
    case 27: // right bracket
        return 221;
    case 39: // semicolon
        return 186;
    case 40: // apostrophe
        return 222;
    case 41: // grave
        return 192;
    case 43: // backslash
        return 220;
    case 51: // comma
        return 188;
    case 52: // dot
        return 190;
    case 53: // slash
        return 191;
    case 57: // space
        return 32;
    case 86: // the extra key left of Z on ISO keyboards
        return 226;
    case 89: // the extra key right of slash on Brazilian keyboards
        return 193;
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
        return 186;
    case Qt::Key_Equal:
    case Qt::Key_Plus:
        return 187;
    case Qt::Key_Comma:
    case Qt::Key_Less:
        return 188;
    case Qt::Key_Minus:
    case Qt::Key_Underscore:
        return 189;
    case Qt::Key_Period:
    case Qt::Key_Greater:
        return 190;
    case Qt::Key_Slash:
    case Qt::Key_Question:
        return 191;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde:
        return 192;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft:
        return 219;
    case Qt::Key_Backslash:
    case Qt::Key_Bar:
        return 220;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight:
        return 221;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl:
        return 222;
    default:
        return 0;
    }
}

// What Windows reports for a key it has no code for.
constexpr int kNoMapping = 255;
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
    return kNoMapping;
}

int virtualKeyCode(int qtKey, Qt::KeyboardModifiers modifiers) {
    return virtualKeyCode(PressedKey{qtKey, modifiers, 0});
}

} // namespace runpad
