#include "core/launch/virtual_keys.h"

#include <QtTest>

namespace {

struct KeyCode {
    int qtKey;
    int code;
};
using KeyCodes = QList<KeyCode>;

} // namespace

Q_DECLARE_METATYPE(KeyCodes)

class TestVirtualKeys : public QObject {
    Q_OBJECT

private slots:
    void codes_data();
    void codes();
    void physicalKeys_data();
    void physicalKeys();
};

void TestVirtualKeys::codes_data() {
    QTest::addColumn<KeyCodes>("keys");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");

    const Qt::KeyboardModifiers none;
    const Qt::KeyboardModifiers keypad(Qt::KeypadModifier);

    QTest::newRow("letters") << KeyCodes{{Qt::Key_A, 65}, {Qt::Key_M, 77}, {Qt::Key_Z, 90}} << none;
    QTest::newRow("letters given as small characters")
        << KeyCodes{{'a', 65}, {'q', 81}, {'z', 90}} << none;
    QTest::newRow("letters with Shift and Control")
        << KeyCodes{{Qt::Key_A, 65}, {Qt::Key_Z, 90}} << (Qt::ShiftModifier | Qt::ControlModifier);
    QTest::newRow("digits")
        << KeyCodes{{Qt::Key_0, 48}, {Qt::Key_1, 49}, {Qt::Key_5, 53}, {Qt::Key_9, 57}} << none;
    QTest::newRow("shifted digit symbols")
        << KeyCodes{{Qt::Key_Exclam, 49},    {Qt::Key_At, 50},       {Qt::Key_NumberSign, 51},
                    {Qt::Key_Dollar, 52},    {Qt::Key_Percent, 53},  {Qt::Key_AsciiCircum, 54},
                    {Qt::Key_Ampersand, 55}, {Qt::Key_Asterisk, 56}, {Qt::Key_ParenLeft, 57},
                    {Qt::Key_ParenRight, 48}}
        << Qt::KeyboardModifiers(Qt::ShiftModifier);
    QTest::newRow("function keys") << KeyCodes{{Qt::Key_F1, 112},
                                               {Qt::Key_F3, 114},
                                               {Qt::Key_F12, 123},
                                               {Qt::Key_F13, 124},
                                               {Qt::Key_F24, 135}}
                                   << none;
    QTest::newRow("navigation") << KeyCodes{{Qt::Key_Left, 37},   {Qt::Key_Up, 38},
                                            {Qt::Key_Right, 39},  {Qt::Key_Down, 40},
                                            {Qt::Key_Home, 36},   {Qt::Key_End, 35},
                                            {Qt::Key_PageUp, 33}, {Qt::Key_PageDown, 34},
                                            {Qt::Key_Insert, 45}, {Qt::Key_Delete, 46}}
                                << none;
    QTest::newRow("editing and control")
        << KeyCodes{{Qt::Key_Return, 13}, {Qt::Key_Enter, 13},  {Qt::Key_Escape, 27},
                    {Qt::Key_Tab, 9},     {Qt::Key_Backtab, 9}, {Qt::Key_Backspace, 8},
                    {Qt::Key_Space, 32},  {Qt::Key_Print, 44},  {Qt::Key_Pause, 19}}
        << none;
    QTest::newRow("modifiers and locks")
        << KeyCodes{{Qt::Key_Shift, 16},    {Qt::Key_Control, 17},  {Qt::Key_Alt, 18},
                    {Qt::Key_AltGr, 18},    {Qt::Key_Meta, 91},     {Qt::Key_Menu, 93},
                    {Qt::Key_CapsLock, 20}, {Qt::Key_NumLock, 144}, {Qt::Key_ScrollLock, 145}}
        << none;
    QTest::newRow("punctuation, unshifted")
        << KeyCodes{{Qt::Key_Semicolon, 186}, {Qt::Key_Equal, 187},
                    {Qt::Key_Comma, 188},     {Qt::Key_Minus, 189},
                    {Qt::Key_Period, 190},    {Qt::Key_Slash, 191},
                    {Qt::Key_QuoteLeft, 192}, {Qt::Key_BracketLeft, 219},
                    {Qt::Key_Backslash, 220}, {Qt::Key_BracketRight, 221},
                    {Qt::Key_Apostrophe, 222}}
        << none;
    QTest::newRow("punctuation, shifted")
        << KeyCodes{{Qt::Key_Colon, 186},      {Qt::Key_Plus, 187},      {Qt::Key_Less, 188},
                    {Qt::Key_Underscore, 189}, {Qt::Key_Greater, 190},   {Qt::Key_Question, 191},
                    {Qt::Key_AsciiTilde, 192}, {Qt::Key_BraceLeft, 219}, {Qt::Key_Bar, 220},
                    {Qt::Key_BraceRight, 221}, {Qt::Key_QuoteDbl, 222}}
        << Qt::KeyboardModifiers(Qt::ShiftModifier);
    QTest::newRow("keypad digits")
        << KeyCodes{{Qt::Key_0, 96}, {Qt::Key_1, 97}, {Qt::Key_5, 101}, {Qt::Key_9, 105}} << keypad;
    QTest::newRow("keypad operators") << KeyCodes{{Qt::Key_Asterisk, 106},
                                                  {Qt::Key_Plus, 107},
                                                  {Qt::Key_Minus, 109},
                                                  {Qt::Key_Period, 110},
                                                  {Qt::Key_Slash, 111}}
                                      << keypad;
    QTest::newRow("keypad keys that share the main block's code")
        << KeyCodes{{Qt::Key_Enter, 13},
                    {Qt::Key_Home, 36},
                    {Qt::Key_PageDown, 34},
                    {Qt::Key_Insert, 45},
                    {Qt::Key_Delete, 46}}
        << keypad;
    QTest::newRow("keypad with Shift still gives numpad codes")
        << KeyCodes{{Qt::Key_7, 103}, {Qt::Key_Asterisk, 106}}
        << (Qt::KeypadModifier | Qt::ShiftModifier);
    QTest::newRow("letters with diacritics give their base letter")
        << KeyCodes{{Qt::Key_Eacute, 69}, {Qt::Key_Adiaeresis, 65}, {Qt::Key_Ntilde, 78}} << none;
    QTest::newRow("browser, media and help keys")
        << KeyCodes{{Qt::Key_VolumeUp, 175},  {Qt::Key_VolumeDown, 174}, {Qt::Key_VolumeMute, 173},
                    {Qt::Key_MediaNext, 176}, {Qt::Key_Back, 166},       {Qt::Key_Help, 47}}
        << none;
    QTest::newRow("keys without a Windows code give 255")
        << KeyCodes{{Qt::Key_unknown, 255}, {Qt::Key_F25, 255}, {0x0424, 255}, {0, 255}} << none;
}

void TestVirtualKeys::codes() {
    QFETCH(KeyCodes, keys);
    QFETCH(Qt::KeyboardModifiers, modifiers);

    for (const KeyCode& key : keys) {
        const int code = runpad::virtualKeyCode(key.qtKey, modifiers);
        if (code != key.code)
            qWarning("Qt key 0x%x", unsigned(key.qtKey));
        QCOMPARE(code, key.code);
    }
}

// xkbKeycode: the Linux input code of the physical key + 8.
void TestVirtualKeys::physicalKeys_data() {
    QTest::addColumn<int>("qtKey");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<uint>("xkbKeycode");
    QTest::addColumn<int>("code");

    const Qt::KeyboardModifiers none;
    const Qt::KeyboardModifiers shift(Qt::ShiftModifier);
    QTest::newRow("German umlaut on the US apostrophe key")
        << int(Qt::Key_Adiaeresis) << none << 48u << 222;
    QTest::newRow("German umlaut on the US semicolon key")
        << int(Qt::Key_Odiaeresis) << none << 47u << 186;
    QTest::newRow("German sharp s on the US minus key")
        << int(Qt::Key_ssharp) << none << 20u << 189;
    QTest::newRow("German slash is shifted 7") << int(Qt::Key_Slash) << shift << 16u << 55;
    QTest::newRow("German quote is shifted 2") << int(Qt::Key_QuoteDbl) << shift << 11u << 50;
    QTest::newRow("US exclamation mark is shifted 1") << int(Qt::Key_Exclam) << shift << 10u << 49;
    QTest::newRow("French e acute on the 2 key") << int(Qt::Key_Eacute) << none << 11u << 50;
    QTest::newRow("Cyrillic ef on the A key") << 0x0424 << none << 38u << 65;
    QTest::newRow("Cyrillic ha on the left bracket key") << 0x0425 << none << 34u << 219;
    QTest::newRow("Cyrillic yu on the period key") << 0x042E << none << 60u << 190;
    QTest::newRow("dead circumflex on the grave key")
        << int(Qt::Key_Dead_Circumflex) << none << 49u << 192;
    QTest::newRow("extra key of ISO keyboards") << int(Qt::Key_Less) << none << 94u << 226;
    QTest::newRow("French letter A on the US Q key") << int(Qt::Key_A) << none << 24u << 65;
    QTest::newRow("Enter keeps its code wherever it is")
        << int(Qt::Key_Return) << none << 36u << 13;
    QTest::newRow("keypad digit keeps its numpad code")
        << int(Qt::Key_7) << Qt::KeyboardModifiers(Qt::KeypadModifier) << 79u << 103;
    QTest::newRow("unknown key at an unmapped place")
        << int(Qt::Key_unknown) << none << 200u << 255;
}

void TestVirtualKeys::physicalKeys() {
    QFETCH(int, qtKey);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(uint, xkbKeycode);
    QFETCH(int, code);
    QCOMPARE(runpad::virtualKeyCode(runpad::PressedKey{qtKey, modifiers, xkbKeycode}), code);
}

QTEST_GUILESS_MAIN(TestVirtualKeys)
#include "tst_virtual_keys.moc"
