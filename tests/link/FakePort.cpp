#include "link/FakePort.h"

#include <algorithm>

namespace kest::test {

void FakePort::arrive(const std::vector<std::uint8_t>& bytes, std::int64_t afterMs)
{
    for (const std::uint8_t b : bytes)
        m_incoming.push_back({b, m_clock.ms + afterMs});
}

bool FakePort::open(const std::string& name)
{
    device = name;
    events.push_back("open " + name);
    m_open = openSucceeds;
    return m_open;
}

void FakePort::close()
{
    events.push_back("close");
    m_open = false;
}

void FakePort::setSpeed(int index)
{
    speedIndex = index;
    events.push_back("speed " + std::to_string(index));
}

void FakePort::setFraming(Framing f)
{
    framing = f;
    events.push_back(f == Framing::Open ? "framing open" : "framing probe");
}

void FakePort::setDtr(bool on)
{
    dtr = on;
    events.push_back(on ? "dtr 1" : "dtr 0");
}

void FakePort::setRts(bool on)
{
    rts = on;
    events.push_back(on ? "rts 1" : "rts 0");
}

void FakePort::setReadTimeoutMs(int ms)
{
    readTimeoutMs = ms;
    events.push_back("timeout " + std::to_string(ms));
}

std::size_t FakePort::read(std::uint8_t* buffer, std::size_t count)
{
    const std::int64_t deadline = m_clock.ms + readTimeoutMs;
    std::size_t got = 0;
    if (m_open) {
        while (got < count && !m_incoming.empty() && m_incoming.front().at <= deadline) {
            m_clock.ms = std::max(m_clock.ms, m_incoming.front().at);
            buffer[got++] = m_incoming.front().byte;
            m_incoming.pop_front();
        }
    }
    if (got < count)
        m_clock.ms = deadline;
    return got;
}

bool FakePort::write(const std::uint8_t* bytes, std::size_t count)
{
    if (!m_open || !writeSucceeds)
        return false;
    std::vector<std::uint8_t> data(bytes, bytes + count);
    writes.push_back(data);
    writeTimes.push_back(m_clock.ms);
    if (onWrite)
        onWrite(data);
    return true;
}

void FakePort::discardInput()
{
    events.push_back("discard in");
    while (!m_incoming.empty() && m_incoming.front().at <= m_clock.ms)
        m_incoming.pop_front();
}

void FakePort::discardOutput()
{
    events.push_back("discard out");
}

} // namespace kest::test
