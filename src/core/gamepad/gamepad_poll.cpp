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

PollTick pollTick(const GamepadReading& reading, int currentRow, int rowCount, qint32& lastPovValue,
                  PollCarry& carry, quint32 now) {
    PollTick tick;
    tick.xLabel = QStringLiteral("X Axis: ") + QString::number(reading.x);
    tick.yLabel = QStringLiteral("Y Axis: ") + QString::number(reading.y);
    tick.launch = reading.button1 && !carry.button1;
    carry.button1 = reading.button1;
    tick.buttonLabel = reading.button1 ? QStringLiteral("Button 1 is pressed")
                                       : QStringLiteral("Button 1 is not pressed");

    // Unsigned difference: right across the wrap of the tick count.
    if (carry.hatActedAt && now - *carry.hatActedAt < quint32(kPovPause))
        return tick;
    const HatStep step =
        hatStep(static_cast<qint32>(reading.pov0), currentRow, rowCount, lastPovValue);
    tick.newRow = step.newRow;
    tick.pause = step.pause;
    if (step.pause)
        carry.hatActedAt = now;
    return tick;
}

} // namespace runpad
