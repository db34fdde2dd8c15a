#pragma once

namespace runpad {

// Windows virtual-key codes: the numbers the program reports for keys and
// compares keys with, named as Windows names them.
namespace vk {
inline constexpr int kCancel = 0x03;
inline constexpr int kBack = 0x08;
inline constexpr int kTab = 0x09;
inline constexpr int kClear = 0x0C;
inline constexpr int kReturn = 0x0D;
inline constexpr int kShift = 0x10;
inline constexpr int kControl = 0x11;
inline constexpr int kMenu = 0x12; // Alt
inline constexpr int kPause = 0x13;
inline constexpr int kCapital = 0x14;
inline constexpr int kKana = 0x15;  // also Hangul
inline constexpr int kKanji = 0x19; // also Hanja
inline constexpr int kEscape = 0x1B;
inline constexpr int kConvert = 0x1C;
inline constexpr int kNonConvert = 0x1D;
inline constexpr int kSpace = 0x20;
inline constexpr int kPrior = 0x21; // Page Up
inline constexpr int kNext = 0x22;  // Page Down
inline constexpr int kEnd = 0x23;
inline constexpr int kHome = 0x24;
inline constexpr int kLeft = 0x25;
inline constexpr int kUp = 0x26;
inline constexpr int kRight = 0x27;
inline constexpr int kDown = 0x28;
inline constexpr int kSelect = 0x29;
inline constexpr int kExecute = 0x2B;
inline constexpr int kSnapshot = 0x2C;
inline constexpr int kInsert = 0x2D;
inline constexpr int kDelete = 0x2E;
inline constexpr int kHelp = 0x2F;
inline constexpr int kLWin = 0x5B;
inline constexpr int kRWin = 0x5C;
inline constexpr int kApps = 0x5D;
inline constexpr int kSleep = 0x5F;
inline constexpr int kNumpad0 = 0x60;
inline constexpr int kMultiply = 0x6A;
inline constexpr int kAdd = 0x6B;
inline constexpr int kSubtract = 0x6D;
inline constexpr int kDecimal = 0x6E;
inline constexpr int kDivide = 0x6F;
inline constexpr int kF1 = 0x70;
inline constexpr int kNumLock = 0x90;
inline constexpr int kScroll = 0x91;
inline constexpr int kBrowserBack = 0xA6;
inline constexpr int kBrowserForward = 0xA7;
inline constexpr int kBrowserRefresh = 0xA8;
inline constexpr int kBrowserStop = 0xA9;
inline constexpr int kBrowserSearch = 0xAA;
inline constexpr int kBrowserFavorites = 0xAB;
inline constexpr int kBrowserHome = 0xAC;
inline constexpr int kVolumeMute = 0xAD;
inline constexpr int kVolumeDown = 0xAE;
inline constexpr int kVolumeUp = 0xAF;
inline constexpr int kMediaNextTrack = 0xB0;
inline constexpr int kMediaPrevTrack = 0xB1;
inline constexpr int kMediaStop = 0xB2;
inline constexpr int kMediaPlayPause = 0xB3;
inline constexpr int kLaunchMail = 0xB4;
inline constexpr int kLaunchMediaSelect = 0xB5;
inline constexpr int kLaunchApp1 = 0xB6;
inline constexpr int kLaunchApp2 = 0xB7;
inline constexpr int kOem1 = 0xBA;      // ;: on US keyboards
inline constexpr int kOemPlus = 0xBB;   // =+
inline constexpr int kOemComma = 0xBC;  // ,<
inline constexpr int kOemMinus = 0xBD;  // -_
inline constexpr int kOemPeriod = 0xBE; // .>
inline constexpr int kOem2 = 0xBF;      // /?
inline constexpr int kOem3 = 0xC0;      // `~
inline constexpr int kAbntC1 = 0xC1;    // the Brazilian key right of /
inline constexpr int kOem4 = 0xDB;      // [{
inline constexpr int kOem5 = 0xDC;      // \|
inline constexpr int kOem6 = 0xDD;      // ]}
inline constexpr int kOem7 = 0xDE;      // '"
inline constexpr int kOem102 = 0xE2;    // the ISO key left of Z
inline constexpr int kNoMapping = 0xFF; // what Windows reports for a key without a code
} // namespace vk

} // namespace runpad
