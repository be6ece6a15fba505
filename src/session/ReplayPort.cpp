#include "session/ReplayPort.h"

#include <algorithm>
#include <cstring>

namespace kest {

bool ReplayPort::u32At(std::size_t pos, std::uint32_t& v) const
{
    if (m_events.size() < pos || m_events.size() - pos < 4)
        return false;
    v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(m_events[pos + i])) << (8 * i);
    return true;
}

bool ReplayPort::peek(Event& event) const
{
    if (m_pos >= m_events.size())
        return false;
    std::size_t pos = m_pos;
    event.kind = m_events[pos++];
    if (event.kind == 'R') {
        if (!u32At(pos, event.us))
            return false;
        pos += 4;
    } else if (event.kind != 'W' && event.kind != 'F') {
        return false;
    }
    std::uint32_t n = 0;
    if (!u32At(pos, n))
        return false;
    pos += 4;
    if (m_events.size() - pos < n)
        return false;
    event.bytes = m_events.substr(pos, n);
    event.end = pos + n;
    return true;
}

std::size_t ReplayPort::read(std::uint8_t* buffer, std::size_t count)
{
    if (!m_rest.empty()) {
        const std::size_t n = std::min(count, m_rest.size());
        std::memcpy(buffer, m_rest.data(), n);
        m_rest.remove_prefix(n);
        return n;
    }
    Event event;
    if (m_diverged || !peek(event) || event.kind != 'R') {
        // Nothing more came on the line before the next request: a read that ran
        // into its time-out. A time window that closed a little later than on the
        // line asks once more than the recording holds; the next write tells
        // whether the replay is still on the recorded path.
        m_clock.sleepMs(m_timeoutMs);
        return 0;
    }
    m_pos = event.end;
    m_clock.advanceUs(event.us);
    const std::size_t n = std::min(count, event.bytes.size());
    std::memcpy(buffer, event.bytes.data(), n);
    m_rest = event.bytes.substr(n);
    return n;
}

bool ReplayPort::write(const std::uint8_t* bytes, std::size_t count)
{
    Event event;
    m_rest = {};
    // Reads that brought nothing and that the replay did not make: a time window
    // that closed a little earlier than on the line.
    while (!m_diverged && peek(event) && event.kind == 'R' && event.bytes.empty())
        m_pos = event.end;
    if (m_diverged || !peek(event) || event.kind == 'R' ||
        event.bytes != std::string_view(reinterpret_cast<const char*>(bytes), count)) {
        m_diverged = true;
        return false;
    }
    m_pos = event.end;
    ++m_writes;
    return event.kind == 'W';
}

} // namespace kest
