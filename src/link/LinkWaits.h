#pragma once

#include "common/Clock.h"
#include "common/EventPump.h"
#include "link/ExchangeStatus.h"
#include "link/SerialPort.h"

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
class ResponsivePort final : public SerialPort
{
public:
    /// `clock` measures the read time-outs; it must not pump itself.
    ResponsivePort(SerialPort& line, Clock& clock, WaitPump& waits) : m_line(line), m_clock(clock), m_waits(waits)
    {
    }

    bool open(const std::string& device) override { return m_line.open(device); }
    std::string openError() const override { return m_line.openError(); }
    bool openBusy() const override { return m_line.openBusy(); }
    bool openDenied() const override { return m_line.openDenied(); }
    bool isOpen() const override { return m_line.isOpen(); }
    void close() override { m_line.close(); }
    void setSpeed(int speedIndex) override { m_line.setSpeed(speedIndex); }
    void setFraming(Framing framing) override { m_line.setFraming(framing); }
    void setDtr(bool on) override { m_line.setDtr(on); }
    void setRts(bool on) override { m_line.setRts(on); }
    void setReadTimeoutMs(int ms) override { m_timeoutMs = ms; }
    std::size_t read(std::uint8_t* buffer, std::size_t count) override;
    [[nodiscard]] bool write(const std::uint8_t* bytes, std::size_t count) override
    {
        return m_line.write(bytes, count);
    }
    void discardInput() override { m_line.discardInput(); }
    void discardOutput() override { m_line.discardOutput(); }

private:
    SerialPort& m_line;
    Clock& m_clock;
    WaitPump& m_waits;
    int m_timeoutMs = 1000;
};

} // namespace kest
