#include "link/LinkWaits.h"

#include "link/TermiosPort.h"

#include <algorithm>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

namespace kest::test {
namespace {

/// Notes the longest time between two calls and presses "СТОП" once `stopAtMs`
/// have passed since it was made.
class TimingPump final : public EventPump
{
public:
    TimingPump(ExchangeState& state, std::int64_t stopAtMs) : m_state(state), m_stopAtMs(stopAtMs)
    {
        m_start = m_last = m_clock.monotonicMs();
    }
    void processEvents() override
    {
        const std::int64_t now = m_clock.monotonicMs();
        longestGapMs = std::max(longestGapMs, now - m_last);
        m_last = now;
        if (m_stopAtMs >= 0 && now - m_start >= m_stopAtMs && !m_state.StopRequested) {
            m_state.StopRequested = true;
            m_state.ExchangeStatus = kStatusStopped;
        }
    }
    std::int64_t elapsedMs() { return m_clock.monotonicMs() - m_start; }
    std::int64_t longestGapMs = 0;

private:
    SystemClock m_clock;
    ExchangeState& m_state;
    std::int64_t m_stopAtMs;
    std::int64_t m_start = 0;
    std::int64_t m_last = 0;
};

/// A pseudo-terminal whose master side stays silent: a registrar that never answers.
struct SilentLine
{
    SilentLine()
    {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0)
            EXPECT_TRUE(port.open(ptsname(master)));
    }
    ~SilentLine()
    {
        port.close();
        if (master >= 0)
            ::close(master);
    }
    int master = -1;
    TermiosPort port;
};

TEST(LinkWaitsTest, ReadsAndPausesPumpOftenAndEndAtANewStopOnly)
{
    SilentLine line;
    SystemClock system;
    for (const bool pause : {false, true}) {
        ExchangeState state;
        TimingPump pump(state, 300);
        WaitPump waits(pump, state);
        ResponsivePort port(line.port, system, waits);
        ResponsiveClock clock(system, waits);
        std::uint8_t buffer[8];
        port.setReadTimeoutMs(3000);
        if (pause)
            clock.sleepMs(3000);
        else
            EXPECT_EQ(port.read(buffer, sizeof buffer), 0u);
        EXPECT_GE(pump.elapsedMs(), 300) << pause;
        EXPECT_LT(pump.elapsedMs(), 500) << pause;
        EXPECT_LE(pump.longestGapMs, 90) << pause;

        // A stop left set by an earlier operation does not cut the next wait short.
        const std::int64_t start = system.monotonicMs();
        port.setReadTimeoutMs(250);
        if (pause)
            clock.sleepMs(250);
        else
            EXPECT_EQ(port.read(buffer, sizeof buffer), 0u);
        EXPECT_GE(system.monotonicMs() - start, 240) << pause;
    }
}

} // namespace
} // namespace kest::test
