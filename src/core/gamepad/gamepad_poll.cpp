#include "core/gamepad/gamepad_poll.h"

#include <algorithm>

namespace runpad {

HatStep hatStep(qint32 h, int currentRow, int rowCount, qint32& lastPovValue) {
    HatStep step;
    if (h == lastPovValue)
        return step;

    int target = currentRow;
    if (h == kPovUp)
        target = std::max(currentRow - 1, 1); // row 0 is the header
    else if (h == kPovDown)
        target = std::min(currentRow + 1, rowCount - 1);
    if (target != currentRow)
        step.newRow = target;

    // Every acting tick forgets the hat value, so the comparison afterwards
    // only tells centred from off-centre; the start value 0 is what makes a
    // hat held up from the first tick wait until it has left that position.
    lastPovValue = -1;
    step.pause = true;
    return step;
}

PollTick pollTick(const GamepadReading& reading, int currentRow, int rowCount,
                  qint32& lastPovValue) {
    PollTick tick;
    tick.xLabel = QStringLiteral("X Axis: ") + QString::number(reading.x);
    tick.yLabel = QStringLiteral("Y Axis: ") + QString::number(reading.y);
    // No edge detection: a held button launches on every tick.
    tick.launch = reading.button1;
    tick.buttonLabel = reading.button1 ? QStringLiteral("Button 1 is pressed")
                                       : QStringLiteral("Button 1 is not pressed");

    const HatStep step =
        hatStep(static_cast<qint32>(reading.pov0), currentRow, rowCount, lastPovValue);
    tick.newRow = step.newRow;
    tick.pause = step.pause;
    return tick;
}

} // namespace runpad
