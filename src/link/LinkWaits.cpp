#include "link/LinkWaits.h"

#include <algorithm>

namespace kest {

void ResponsiveClock::sleepMs(std::int64_t ms)
{
    const bool stopBefore = m_waits.stopSet();
    const std::int64_t end = m_inner.monotonicMs() + ms;
    for (;;) {
        const std::int64_t left = end - m_inner.monotonicMs();
        if (left <= 0)
            return;
        m_inner.sleepMs(std::min(left, WaitPump::kSliceMs));
        m_waits.pass();
        if (!stopBefore && m_waits.stopSet())
            return;
    }
}

std::size_t ResponsivePort::read(std::uint8_t* buffer, std::size_t count)
{
    const bool stopBefore = m_waits.stopSet();
    const std::int64_t end = m_clock.monotonicMs() + m_timeoutMs;
    std::size_t got = 0;
    for (;;) {
        const std::int64_t left = std::max<std::int64_t>(0, end - m_clock.monotonicMs());
        line().setReadTimeoutMs(static_cast<int>(std::min(left, WaitPump::kSliceMs)));
        got += line().read(buffer + got, count - got);
        if (got == count)
            return got;
        // Also after the last slice: the caller may go on waiting at once.
        m_waits.pass();
        if ((!stopBefore && m_waits.stopSet()) || left <= WaitPump::kSliceMs)
            return got;
    }
}

} // namespace kest
