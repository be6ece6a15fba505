#pragma once

#include "common/Clock.h"
#include "link/SerialPort.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace kest::test {

/// A clock that only moves when told to: sleeps advance it at once and are noted,
/// so a test can assert the pauses without waiting for them.
class FakeClock final : public Clock
{
public:
    std::int64_t monotonicMs() override { return ms; }
    void sleepMs(std::int64_t duration) override
    {
        sleeps.push_back(duration);
        ms += duration;
    }
    DateTime now() override { return wallTime; }

    std::int64_t ms = 1'000'000;
    DateTime wallTime = 46000.5;
    std::vector<std::int64_t> sleeps;
};

/// A serial line scripted byte by byte. Incoming bytes carry the fake-clock time at
/// which they arrive; a read takes what has arrived before its time-out and moves
/// the clock as a real read would have waited. Every call is noted in `events`.
class FakePort final : public SerialPort
{
public:
    explicit FakePort(FakeClock& clock) : m_clock(clock) {}

    /// Bytes that arrive `afterMs` from now.
    void arrive(const std::vector<std::uint8_t>& bytes, std::int64_t afterMs = 0);

    bool open(const std::string& device) override;
    bool isOpen() const override { return m_open; }
    void close() override;
    void setSpeed(int speedIndex) override;
    void setFraming(Framing framing) override;
    void setDtr(bool on) override;
    void setRts(bool on) override;
    void setReadTimeoutMs(int ms) override;
    std::size_t read(std::uint8_t* buffer, std::size_t count) override;
    [[nodiscard]] bool write(const std::uint8_t* bytes, std::size_t count) override;
    void discardInput() override;
    void discardOutput() override;

    /// Called after each write with the bytes written, to script the other end.
    std::function<void(const std::vector<std::uint8_t>&)> onWrite;
    bool openSucceeds = true;
    bool writeSucceeds = true;

    std::vector<std::vector<std::uint8_t>> writes;
    std::vector<std::string> events;
    std::string device;
    int speedIndex = -1;
    Framing framing = Framing::Open;
    bool dtr = false;
    bool rts = true;
    int readTimeoutMs = 0;
    /// The time of each write, by the fake clock.
    std::vector<std::int64_t> writeTimes;

private:
    struct Incoming
    {
        std::uint8_t byte;
        std::int64_t at;
    };
    FakeClock& m_clock;
    std::deque<Incoming> m_incoming;
    bool m_open = false;
};

} // namespace kest::test
