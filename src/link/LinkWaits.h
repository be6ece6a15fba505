#pragma once

#include "common/Clock.h"
#include "common/EventPump.h"
#include "link/ExchangeStatus.h"
#include "link/ForwardingPort.h"

#include <cstdint>

namespace kest {

/// Keeps the windows answering while an exchange waits: a wait is cut into slices of
/// at most kSliceMs, and the events that came in meanwhile are processed after each
/// slice. A "СТОП" taken there ends the wait at once; a stop that was already set when
/// the wait began does not (it was left over by an earlier operation).
class WaitPump
{
public:
    static constexpr std::int64_t kSliceMs = 40;

    WaitPump(EventPump& pump, const ExchangeState& state) : m_pump(pump), m_state(state) {}

    void pass() { m_pump.processEvents(); }
    bool stopSet() const { return m_state.StopRequested; }

private:
    EventPump& m_pump;
    const ExchangeState& m_state;
};

/// A clock whose pauses let the windows in and end when "СТОП" is pressed during them.
class ResponsiveClock final : public Clock
{
public:
    ResponsiveClock(Clock& inner, WaitPump& waits) : m_inner(inner), m_waits(waits) {}

    std::int64_t monotonicMs() override { return m_inner.monotonicMs(); }
    void sleepMs(std::int64_t ms) override;
    DateTime now() override { return m_inner.now(); }

private:
    Clock& m_inner;
    WaitPump& m_waits;
};

/// A serial line whose reads let the windows in while they wait for bytes and end,
/// with what has arrived so far, when "СТОП" is pressed during them. Everything else
/// goes straight to the line.
class ResponsivePort final : public ForwardingPort
{
public:
    /// `clock` measures the read time-outs; it must not pump itself.
    ResponsivePort(SerialPort& line, Clock& clock, WaitPump& waits) : ForwardingPort(line), m_clock(clock), m_waits(waits)
    {
    }

    void setReadTimeoutMs(int ms) override { m_timeoutMs = ms; }
    std::size_t read(std::uint8_t* buffer, std::size_t count) override;

private:
    Clock& m_clock;
    WaitPump& m_waits;
    int m_timeoutMs = 1000;
};

} // namespace kest
