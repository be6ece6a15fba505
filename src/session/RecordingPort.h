#pragma once

#include "link/ForwardingPort.h"

#include <cstdint>
#include <functional>
#include <string>

namespace kest {

/// A serial port that passes everything to the real line and keeps what was
/// written and what came back, in order, so the same readers can run again later
/// against a ReplayPort without the registrar.
///
/// The recording is a stream of events:
///   'W' u32 n, n bytes         a write that went out
///   'F' u32 n, n bytes         a write that failed
///   'R' u32 us, u32 n, n bytes a read that returned n bytes after us microseconds
/// (u32 little-endian). Only what a read returned is kept: the bytes a discard threw
/// away never reached the readers.
class RecordingPort final : public ForwardingPort
{
public:
    /// Reads are timed on the steady clock unless `microseconds` gives the time of
    /// a line that keeps its own (an in-process registrar on a virtual clock).
    explicit RecordingPort(SerialPort& line, std::function<std::int64_t()> microseconds = {});

    std::size_t read(std::uint8_t* buffer, std::size_t count) override;
    [[nodiscard]] bool write(const std::uint8_t* bytes, std::size_t count) override;

    const std::string& events() const { return m_events; }
    /// Forgets what was recorded so far: the next read starts a new session.
    void restart() { m_events.clear(); }

private:
    void appendU32(std::uint32_t v);

    std::function<std::int64_t()> m_microseconds;
    std::string m_events;
};

} // namespace kest
