#pragma once

#include "common/DateTime.h"

#include <cstdint>

namespace kest {

/// Time as the program sees it: a monotonic millisecond counter for time-outs and
/// pauses, and the local wall time for "today". Tests pass a clock that advances
/// instantly, so a three-second pause costs nothing.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual std::int64_t monotonicMs() = 0;
    virtual void sleepMs(std::int64_t ms) = 0;
    /// Local time as a day count.
    virtual DateTime now() = 0;
};

class SystemClock final : public Clock
{
public:
    std::int64_t monotonicMs() override;
    void sleepMs(std::int64_t ms) override;
    DateTime now() override;
};

} // namespace kest
