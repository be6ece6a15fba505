#include "exchange/FakeRegistrar.h"

#include <cstdlib>

namespace kest::test {

FakeRegistrar::FakeRegistrar(FakePort& port) : m_port(port)
{
    m_port.onWrite = [this](const std::vector<std::uint8_t>& bytes) { onWrite(bytes); };
}

void FakeRegistrar::onWrite(const std::vector<std::uint8_t>& w)
{
    if (w.size() == 1 && w[0] == 0x05) {
        m_port.arrive({0x04}, 5);
        return;
    }
    std::uint32_t key = 0;
    std::size_t offset = 0;
    std::size_t length = 256;
    if (w.size() == 4 && w[0] == 2) {
        key = static_cast<std::uint32_t>(w[1] << 8 | w[2]);
        requests.push_back(key);
    } else if (w.size() == 6 && w[0] == 4) {
        key = static_cast<std::uint32_t>(w[1] * 256 + w[2]);
        offset = w[3];
        length = w[4];
        requests.push_back(static_cast<std::uint32_t>(w[1] << 16 | w[2] << 8 | w[3]));
    } else {
        return;
    }
    if (requests.size() > answerLimit)
        return;
    const Page& p = page(key);
    std::vector<std::uint8_t> reply;
    if (w.size() == 6)
        reply.push_back(0x06);
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < length; ++i) {
        reply.push_back(p[offset + i]);
        sum = static_cast<std::uint8_t>(sum + p[offset + i]);
    }
    // The page sum is the plain byte sum; a memory read's sum makes the total zero.
    std::uint8_t check = w.size() == 6 ? static_cast<std::uint8_t>(-sum) : sum;
    if (corruptOnce.erase(key))
        check = static_cast<std::uint8_t>(check + 1);
    reply.push_back(check);
    m_port.arrive(reply, 10);
}

RecordWriter::RecordWriter(FakeRegistrar& reg, std::uint32_t firstKey, bool pageLink)
    : m_reg(reg), m_first(firstKey), m_offset(pageLink ? 8 * 256 : 7 * 256)
{
}

void RecordWriter::header(int day, int month, int hour, int minute, int year)
{
    const int fields[6] = {day, month, hour, minute, year / 100, year % 100};
    for (int i = 0; i < 6; ++i)
        m_reg.byteAt(m_first, static_cast<std::size_t>(i)) = static_cast<std::uint8_t>(fields[i]);
    for (std::size_t i = 6; i < 128; ++i)
        m_reg.byteAt(m_first, i) = static_cast<std::uint8_t>(i);
}

void RecordWriter::archive(
    int k, int slots, int valueSlots, bool counter, const std::function<int(int)>& value)
{
    for (int i = 0; i < slots; ++i) {
        const auto bytes = i < valueSlots ? (counter ? encodeCounter4(value(i)) : encodeFloat4(value(i)))
                                          : std::array<std::uint8_t, 4>{};
        for (std::size_t b = 0; b < 4; ++b)
            m_reg.byteAt(m_first, m_offset + 4 * static_cast<std::size_t>(i) + b) = bytes[b];
    }
    m_offset += 4 * static_cast<std::size_t>(slots);
    m_reg.byteAt(m_first, m_offset - 1) = static_cast<std::uint8_t>(k);
}

std::array<std::uint8_t, 4> encodeFloat4(int value)
{
    if (value == 0)
        return {0, 0, 0, 0};
    const unsigned magnitude = static_cast<unsigned>(std::abs(value));
    int e = 0;
    while ((magnitude >> (e + 1)) != 0)
        ++e;
    const unsigned m = magnitude << (22 - e);
    return {static_cast<std::uint8_t>(e + 129),
            static_cast<std::uint8_t>((m >> 16 & 0x7F) | (value < 0 ? 0x80 : 0)),
            static_cast<std::uint8_t>(m >> 8 & 0xFF), static_cast<std::uint8_t>(m & 0xFF)};
}

std::array<std::uint8_t, 4> encodeCounter4(int value)
{
    const int rest = value % 1000000;
    return {static_cast<std::uint8_t>(value / 1000000), static_cast<std::uint8_t>(rest >> 16),
            static_cast<std::uint8_t>(rest >> 8 & 0xFF), static_cast<std::uint8_t>(rest & 0xFF)};
}

} // namespace kest::test
