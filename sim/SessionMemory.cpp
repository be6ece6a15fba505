#include "SessionMemory.h"

#include <numeric>

namespace kest::sim {
namespace {

struct Exchange
{
    std::string_view written;
    std::vector<std::uint8_t> received;
};

std::uint32_t u32At(std::string_view s, std::size_t pos)
{
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[pos + i])) << (8 * i);
    return v;
}

/// Each write with the bytes read after it, up to the next write.
std::vector<Exchange> exchangesOf(std::string_view events)
{
    std::vector<Exchange> out;
    std::size_t pos = 0;
    while (pos < events.size()) {
        const char kind = events[pos++];
        if (kind == 'R')
            pos += 4;
        if (events.size() < pos + 4)
            break;
        const std::uint32_t n = u32At(events, pos);
        pos += 4;
        if (events.size() - pos < n)
            break;
        const std::string_view bytes = events.substr(pos, n);
        pos += n;
        if (kind == 'W' || kind == 'F')
            out.push_back({bytes, {}});
        else if (!out.empty())
            out.back().received.insert(out.back().received.end(), bytes.begin(), bytes.end());
    }
    return out;
}

std::uint8_t sum(const std::uint8_t* bytes, std::size_t n)
{
    return static_cast<std::uint8_t>(std::accumulate(bytes, bytes + n, 0u));
}

} // namespace

RegistrarMemory memoryOfSession(const SessionData& session)
{
    RegistrarMemory memory = RegistrarMemory::erased();
    for (const Exchange& e : exchangesOf(session.exchanges)) {
        const auto* w = reinterpret_cast<const std::uint8_t*>(e.written.data());
        const std::vector<std::uint8_t>& r = e.received;
        if (session.pageLink == 1) {
            // 02 PH PL C, answered by 256 bytes and their sum.
            if (e.written.size() != 4 || w[0] != 0x02 || r.size() != 257 || sum(r.data(), 256) != r[256])
                continue;
            Page page;
            std::copy(r.begin(), r.begin() + 256, page.begin());
            memory.setPage(static_cast<std::uint16_t>(w[1] << 8 | w[2]), page);
            continue;
        }
        // 04 cmd AH AL L C, answered by 06 and L bytes with their checksum.
        if (e.written.size() != 6 || w[0] != 4 || (w[1] != 2 && w[1] != 3))
            continue;
        const std::size_t length = w[4];
        std::size_t ack = 0;
        while (ack < r.size() && r[ack] != 0x06 && r[ack] != 0x15)
            ++ack;
        if (ack >= r.size() || r[ack] != 0x06 || r.size() - ack - 1 < length + 1 ||
            sum(r.data() + ack + 1, length + 1) != 0)
            continue;
        memory.setBytes(w[1], static_cast<std::uint16_t>(w[2] << 8 | w[3]),
                        std::vector<std::uint8_t>(r.begin() + static_cast<std::ptrdiff_t>(ack + 1),
                                                  r.begin() + static_cast<std::ptrdiff_t>(ack + 1 + length)));
    }
    return memory;
}

} // namespace kest::sim
