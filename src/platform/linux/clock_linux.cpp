#include "platform/clock.h"

#include <ctime>

namespace runpad {

quint32 SystemClock::tickCount() const {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const quint64 ms = quint64(ts.tv_sec) * 1000u + quint64(ts.tv_nsec) / 1000000u;
    return static_cast<quint32>(ms);
}

} // namespace runpad
