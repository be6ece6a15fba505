#include "session/RecordingPort.h"

#include <algorithm>
#include <chrono>

namespace kest {

RecordingPort::RecordingPort(SerialPort& line, std::function<std::int64_t()> microseconds)
    : ForwardingPort(line), m_microseconds(std::move(microseconds))
{
    if (!m_microseconds) {
        m_microseconds = [] {
            return std::chrono::duration_cast<std::chrono::microseconds>(
                       std::chrono::steady_clock::now().time_since_epoch())
                .count();
        };
    }
}

void RecordingPort::appendU32(std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        m_events.push_back(static_cast<char>(v >> (8 * i)));
}

std::size_t RecordingPort::read(std::uint8_t* buffer, std::size_t count)
{
    const std::int64_t start = m_microseconds();
    const std::size_t n = line().read(buffer, count);
    const std::int64_t us = m_microseconds() - start;
    m_events.push_back('R');
    appendU32(static_cast<std::uint32_t>(std::clamp<std::int64_t>(us, 0, UINT32_MAX)));
    appendU32(static_cast<std::uint32_t>(n));
    m_events.append(reinterpret_cast<const char*>(buffer), n);
    return n;
}

bool RecordingPort::write(const std::uint8_t* bytes, std::size_t count)
{
    const bool written = line().write(bytes, count);
    m_events.push_back(written ? 'W' : 'F');
    appendU32(static_cast<std::uint32_t>(count));
    m_events.append(reinterpret_cast<const char*>(bytes), count);
    return written;
}

} // namespace kest
