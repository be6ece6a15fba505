#include "MemoryPort.h"

#include <numeric>

namespace kest::sim {

std::size_t MemoryPort::read(std::uint8_t* buffer, std::size_t count)
{
    std::size_t n = 0;
    while (n < count && !m_pending.empty()) {
        buffer[n++] = m_pending.front();
        m_pending.pop_front();
    }
    if (n < count)
        m_clock.sleepMs(m_timeoutMs);
    return n;
}

bool MemoryPort::write(const std::uint8_t* bytes, std::size_t count)
{
    const auto sum = [](const std::uint8_t* b, std::size_t n) {
        return static_cast<std::uint8_t>(std::accumulate(b, b + n, 0u));
    };
    if (m_link == LinkKind::Page) {
        // The probe's 05 and anything else that is not a page request goes unanswered.
        if (count != 4 || bytes[0] != 0x02 || sum(bytes, 4) != 0)
            return true;
        const Page page = m_memory.page(static_cast<std::uint16_t>(bytes[1] << 8 | bytes[2]));
        m_pending.insert(m_pending.end(), page.begin(), page.end());
        m_pending.push_back(sum(page.data(), page.size()));
        return true;
    }
    if (count == 1 && bytes[0] == 0x05) {
        m_pending.push_back(0x04);
        return true;
    }
    if (count != 6 || bytes[0] != 4 || (bytes[1] != 2 && bytes[1] != 3) || sum(bytes + 1, 5) != 0) {
        m_pending.push_back(0x15);
        return true;
    }
    m_pending.push_back(0x06);
    auto reply = m_memory.read(bytes[1], static_cast<std::uint16_t>(bytes[2] << 8 | bytes[3]), bytes[4]);
    reply.push_back(static_cast<std::uint8_t>(0x100 - sum(reply.data(), reply.size())));
    m_pending.insert(m_pending.end(), reply.begin(), reply.end());
    return true;
}

} // namespace kest::sim
