#pragma once

#include "common/Clock.h"
#include "common/EventPump.h"
#include "link/ExchangeStatus.h"

#include <algorithm>
#include <cstdint>

namespace kest::bench {

/// Stands for the window's event loop during an operation: every pass through it is
/// a call here. Keeps the longest time between two passes, and presses "СТОП" once
/// `stopAtMs` have passed since `start`, noting when.
class EventLoopGaps final : public EventPump
{
public:
    explicit EventLoopGaps(ExchangeState& state) : m_state(state) {}

    void start(std::int64_t stopAtMs = -1)
    {
        m_start = m_last = m_clock.monotonicMs();
        m_stopAtMs = stopAtMs;
        longestGapMs = 0;
        stoppedAtMs = -1;
    }
    void processEvents() override
    {
        const std::int64_t now = m_clock.monotonicMs();
        longestGapMs = std::max(longestGapMs, now - m_last);
        m_last = now;
        if (m_stopAtMs >= 0 && stoppedAtMs < 0 && now - m_start >= m_stopAtMs) {
            m_state.StopRequested = true;
            m_state.ExchangeStatus = kStatusStopped;
            stoppedAtMs = now;
        }
    }
    /// The gap since the last pass counts too: an operation may end in a long wait.
    std::int64_t finish()
    {
        processEvents();
        return longestGapMs;
    }
    /// From the moment the click was due (a loop that does not pass then takes it late).
    std::int64_t sinceStopMs()
    {
        return stoppedAtMs < 0 ? -1 : m_clock.monotonicMs() - (m_start + m_stopAtMs);
    }

    std::int64_t longestGapMs = 0;
    std::int64_t stoppedAtMs = -1;

private:
    ExchangeState& m_state;
    SystemClock m_clock;
    std::int64_t m_start = 0;
    std::int64_t m_last = 0;
    std::int64_t m_stopAtMs = -1;
};

} // namespace kest::bench
