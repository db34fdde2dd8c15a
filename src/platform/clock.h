#pragma once

#include <QtGlobal>

namespace runpad {

// Millisecond tick counter, 32 bits wide: differences stay right across one
// wrap of the counter.
class Clock {
public:
    virtual ~Clock() = default;
    virtual quint32 tickCount() const = 0;
};

// Milliseconds since the system started.
class SystemClock : public Clock {
public:
    quint32 tickCount() const override;
};

} // namespace runpad
