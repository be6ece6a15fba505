#include "session/RecordingPort.h"

#include <algorithm>

namespace kest {

void RecordingPort::appendU32(std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        m_events.push_back(static_cast<char>(v >> (8 * i)));
}

std::size_t RecordingPort::read(std::uint8_t* buffer, std::size_t count)
{
    const auto start = std::chrono::steady_clock::now();
    const std::size_t n = m_line.read(buffer, count);
    const auto us =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    m_events.push_back('R');
    appendU32(static_cast<std::uint32_t>(std::max<std::int64_t>(0, us.count())));
    appendU32(static_cast<std::uint32_t>(n));
    m_events.append(reinterpret_cast<const char*>(buffer), n);
    return n;
}

bool RecordingPort::write(const std::uint8_t* bytes, std::size_t count)
{
    const bool written = m_line.write(bytes, count);
    m_events.push_back(written ? 'W' : 'F');
    appendU32(static_cast<std::uint32_t>(count));
    m_events.append(reinterpret_cast<const char*>(bytes), count);
    return written;
}

} // namespace kest
