#pragma once

#include "common/Clock.h"
#include "link/SerialPort.h"

#include <string_view>

namespace kest {

/// Time for a read run again from a session: pauses cost nothing and the monotonic
/// counter moves by what each pause and each recorded read took, so the link's own
/// time windows end where they ended during the read. "Today" is the real today.
class ReplayClock final : public Clock
{
public:
    std::int64_t monotonicMs() override { return m_us / 1000; }
    void sleepMs(std::int64_t ms) override { advanceUs(ms * 1000); }
    DateTime now() override { return m_system.now(); }
    void advanceUs(std::int64_t us) { m_us += us > 0 ? us : 0; }
    std::int64_t monotonicUs() const { return m_us; }

private:
    std::int64_t m_us = 0;
    SystemClock m_system;
};

/// The registrar's side of a recorded read (see RecordingPort): every write must be
/// the one recorded next, and every read returns what the recorded read returned.
/// Time-outs may fall one read earlier or later than on the line (the link's time
/// windows are measured, not counted); beyond that, when the readers ask for
/// something else the replay has diverged: writes then fail and reads stay empty,
/// so the read ends with a link failure.
class ReplayPort final : public SerialPort
{
public:
    ReplayPort(std::string_view events, ReplayClock& clock) : m_events(events), m_clock(clock) {}

    bool open(const std::string&) override
    {
        m_open = true;
        return true;
    }
    bool isOpen() const override { return m_open; }
    void close() override { m_open = false; }
    void setSpeed(int) override {}
    void setFraming(Framing) override {}
    void setDtr(bool) override {}
    void setRts(bool) override {}
    void setReadTimeoutMs(int ms) override { m_timeoutMs = ms; }
    std::size_t read(std::uint8_t* buffer, std::size_t count) override;
    [[nodiscard]] bool write(const std::uint8_t* bytes, std::size_t count) override;
    void discardInput() override {}
    void discardOutput() override {}

    /// The readers asked for something the recording does not hold next.
    bool diverged() const { return m_diverged; }
    /// How many recorded writes had been played when the replay diverged.
    int writesPlayed() const { return m_writes; }
    /// Every recorded event has been played.
    bool finished() const { return m_pos == m_events.size(); }

private:
    struct Event
    {
        char kind = 0;
        std::uint32_t us = 0;
        std::string_view bytes;
        std::size_t end = 0; ///< position after the event
    };
    /// The event at the cursor, without moving it; nothing at the end or when the
    /// stream is damaged.
    bool peek(Event& event) const;
    bool u32At(std::size_t pos, std::uint32_t& v) const;

    std::string_view m_events;
    std::size_t m_pos = 0;
    ReplayClock& m_clock;
    bool m_open = false;
    bool m_diverged = false;
    int m_writes = 0;
    int m_timeoutMs = 1000;
    /// What is left of a recorded read that a smaller read took only part of.
    std::string_view m_rest;
};

} // namespace kest
