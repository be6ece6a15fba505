#pragma once

#include "RegistrarMemory.h"
#include "link/SerialPort.h"
#include "session/ReplayPort.h"

#include <deque>

namespace kest::sim {

/// The registrar of a RegistrarMemory behind the serial port interface, in the
/// same process and without line time: for tests and benchmarks that need a whole
/// read of a full registrar in seconds. An empty read moves `clock` on by the read
/// time-out, so the link's time windows end as they would on a silent line.
class MemoryPort final : public SerialPort
{
public:
    MemoryPort(const RegistrarMemory& memory, LinkKind link, ReplayClock& clock)
        : m_memory(memory), m_link(link), m_clock(clock)
    {
    }

    bool open(const std::string&) override { return m_open = true; }
    bool isOpen() const override { return m_open; }
    void close() override { m_open = false; }
    void setSpeed(int) override {}
    void setFraming(Framing) override {}
    void setDtr(bool) override {}
    void setRts(bool) override {}
    void setReadTimeoutMs(int ms) override { m_timeoutMs = ms; }
    std::size_t read(std::uint8_t* buffer, std::size_t count) override;
    [[nodiscard]] bool write(const std::uint8_t* bytes, std::size_t count) override;
    void discardInput() override { m_pending.clear(); }
    void discardOutput() override {}

private:
    const RegistrarMemory& m_memory;
    LinkKind m_link;
    ReplayClock& m_clock;
    bool m_open = false;
    int m_timeoutMs = 1000;
    std::deque<std::uint8_t> m_pending;
};

} // namespace kest::sim
