#pragma once

#include <QLatin1String>
#include <QString>
#include <QtGlobal>
#include <optional>

namespace runpad {

// Timer1's interval doubles as its mode: kRetryInterval means the controller
// is not open yet and each tick tries again; any other value means polling.
inline constexpr int kPollingInterval = 10; // ms
inline constexpr int kRetryInterval = 1000; // ms
// After every tick on which the hat acted, hat input is ignored for this long;
// it sets the pace of the repeated row steps while the hat is held. Ticks go
// on meanwhile (labels, button), and so does the event loop.
inline constexpr int kPovPause = 150; // ms

// Status panel 4 text while the controller cannot be opened.
inline constexpr QLatin1String kGamepadFailedText{"Failed to initialize gamepad"};

// Hat values, as signed, that move the selection.
inline constexpr qint32 kPovUp = 0;
inline constexpr qint32 kPovDown = 18000;

// The part of the controller's state one polling tick looks at.
struct GamepadReading {
    qint32 x = 0;
    qint32 y = 0;
    bool button1 = false;
    quint32 pov0 = 0xFFFFFFFFu;
};

// What one polling tick asks the main window to do, in this order: show the
// labels, run the launch handler, set the current row, pause.
struct PollTick {
    QString xLabel;      // "X Axis: <x>"
    QString yLabel;      // "Y Axis: <y>"
    QString buttonLabel; // "Button 1 is pressed" / "Button 1 is not pressed"
    bool launch = false;
    // The row to make current; set only when it differs from the current row,
    // so the caller never re-selects the row it already has.
    std::optional<int> newRow;
    bool pause = false; // the hat acted: its input is ignored for kPovPause
};

// What one tick hands on to the next, besides the hat's last value.
struct PollCarry {
    bool button1 = false;              // button 1 was down on the last tick
    std::optional<quint32> hatActedAt; // tick count at which the hat last acted
};

// The hat's share of a tick. h is the hat value as signed (centred is -1).
// When h differs from lastPovValue: up steps one row towards row 1, down one
// row towards rowCount - 1, anything else stays, and in every case
// lastPovValue becomes -1 and the tick pauses. An equal h does nothing.
struct HatStep {
    std::optional<int> newRow;
    bool pause = false;
};
HatStep hatStep(qint32 h, int currentRow, int rowCount, qint32& lastPovValue);

// One polling tick at tick count `now` (milliseconds): labels from the
// reading; a launch when button 1 goes down (a held button starts its command
// once, not once a tick); then the hat step, unless the hat acted less than
// kPovPause ago.
PollTick pollTick(const GamepadReading& reading, int currentRow, int rowCount, qint32& lastPovValue,
                  PollCarry& carry, quint32 now);

} // namespace runpad
