#pragma once

#include "RegistrarMemory.h"

#include <chrono>
#include <csignal>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace kest::sim {

/// Faults the registrar can be told to show, counted from its start.
struct FaultSwitches
{
    int badChecksum = 0; ///< the first k replies carry a wrong checksum or page sum
    int reject = 0;      ///< the first k frames are answered with 15
    int silent = 0;      ///< the first k requests get no answer at all
    int dropByte = 0;    ///< the first k replies lose one data byte
    int noise = 0;       ///< the first k grants are preceded by stray bytes
    int goneAfter = -1;  ///< after this many requests nothing is answered any more
};

struct SimOptions
{
    LinkKind link = LinkKind::Page;
    FaultSwitches faults;
    /// Send bytes no faster than the line would carry them (11 bits a byte, 2400
    /// baud on the request link, 9600 on the page link) and answer only after the
    /// request's own line time.
    bool pace = false;
    /// Milliseconds a reply waits before it starts (the data of a memory read after
    /// its 06, a page), as a slow registrar or a long line would.
    int replyDelayMs = 0;
    /// A file that gets one line per request ("page 0001", "read3 FF00 128", "enq").
    std::string traceFile;
};

/// The registrar's side of the line: reads requests from the master side of a
/// pseudo-terminal and answers them from its memory.
class SimRegistrar
{
public:
    SimRegistrar(const RegistrarMemory& memory, SimOptions options, int fd);

    /// Serves until `stop` becomes non-zero.
    void run(const volatile std::sig_atomic_t& stop);

private:
    using Clock = std::chrono::steady_clock;

    void onByte(std::uint8_t byte, Clock::time_point at);
    void onEnquiry();
    void onFrame();
    void onPageRequest();
    /// Counts a request; false when the registrar keeps silent about it.
    bool answers();
    void send(const std::vector<std::uint8_t>& bytes);
    void waitLineTime(std::size_t bytes);
    void waitReplyDelay();
    void trace(const std::string& line);
    std::vector<std::uint8_t> withFaults(std::vector<std::uint8_t> data);

    const RegistrarMemory& m_memory;
    SimOptions m_options;
    int m_fd;
    std::ofstream m_trace;
    std::chrono::microseconds m_byteTime;

    enum class State
    {
        Idle,
        Frame
    } m_state = State::Idle;
    std::vector<std::uint8_t> m_pending;
    Clock::time_point m_lastByte{};
    int m_requests = 0;
    int m_frames = 0;
    int m_replies = 0;
};

} // namespace kest::sim
