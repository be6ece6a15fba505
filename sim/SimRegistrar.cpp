#include "SimRegistrar.h"

#include "common/Hex.h"

#include <cerrno>
#include <numeric>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace kest::sim {
namespace {

constexpr std::uint8_t kEnquiry = 0x05, kGrant = 0x04, kAccepted = 0x06, kRejected = 0x15;
/// A frame must follow its 04, and the four bytes of a page request one another,
/// within this time; otherwise the bytes are stale and dropped.
constexpr auto kRequestGap = std::chrono::milliseconds(300);

std::uint8_t sum(const std::vector<std::uint8_t>& bytes, std::size_t from = 0)
{
    return static_cast<std::uint8_t>(
        std::accumulate(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.end(), 0u));
}

} // namespace

SimRegistrar::SimRegistrar(const RegistrarMemory& memory, SimOptions options, int fd)
    : m_memory(memory), m_options(std::move(options)), m_fd(fd),
      m_byteTime(11'000'000 / (m_options.link == LinkKind::Page ? 9600 : 2400))
{
    if (!m_options.traceFile.empty())
        m_trace.open(m_options.traceFile, std::ios::app);
}

void SimRegistrar::run(const volatile std::sig_atomic_t& stop)
{
    std::uint8_t buffer[512];
    while (!stop) {
        pollfd pfd{m_fd, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, 50);
        if (ready < 0 && errno != EINTR)
            return;
        if (ready <= 0)
            continue;
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n <= 0) {
            // No program holds the line open at the moment: wait for one.
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            continue;
        }
        const auto now = Clock::now();
        for (ssize_t i = 0; i < n; ++i)
            onByte(buffer[i], now);
    }
}

void SimRegistrar::onByte(std::uint8_t byte, Clock::time_point at)
{
    if (!m_pending.empty() && at - m_lastByte > kRequestGap) {
        m_pending.clear();
        m_state = State::Idle;
    }
    m_lastByte = at;
    if (m_options.link == LinkKind::Page) {
        // A page request starts with its command 02; anything else (the probe's
        // 05 of a program looking for the request link) is not for us.
        if (m_pending.empty() && byte != 0x02)
            return;
        m_pending.push_back(byte);
        if (m_pending.size() == 4) {
            onPageRequest();
            m_pending.clear();
        }
        return;
    }
    if (m_state == State::Idle) {
        if (byte == kEnquiry)
            onEnquiry();
        return;
    }
    // A new 05 where a frame's length byte was due: the program started over.
    if (m_pending.empty() && byte == kEnquiry) {
        onEnquiry();
        return;
    }
    m_pending.push_back(byte);
    if (m_pending.size() == static_cast<std::size_t>(m_pending[0]) + 2) {
        onFrame();
        m_pending.clear();
        m_state = State::Idle;
    }
}

bool SimRegistrar::answers()
{
    ++m_requests;
    const FaultSwitches& f = m_options.faults;
    if (f.goneAfter >= 0 && m_requests > f.goneAfter)
        return false;
    return m_requests > f.silent;
}

void SimRegistrar::onEnquiry()
{
    trace("enq");
    m_pending.clear();
    m_state = State::Idle;
    if (!answers())
        return;
    waitLineTime(1);
    std::vector<std::uint8_t> reply;
    if (m_options.faults.noise > 0) {
        --m_options.faults.noise;
        reply = {0x00, 0xFF, 0x13, 0x06, 0x15};
    }
    reply.push_back(kGrant);
    send(reply);
    m_state = State::Frame;
}

void SimRegistrar::onFrame()
{
    const std::size_t n = m_pending[0];
    waitLineTime(n + 2);
    ++m_frames;
    const bool intact = sum(m_pending, 1) == 0;
    const bool known = n == 4 && (m_pending[1] == 3 || m_pending[1] == 2);
    if (!intact || !known || m_frames <= m_options.faults.reject) {
        trace(intact ? "reject" : "bad frame");
        send({kRejected});
        return;
    }
    const int area = m_pending[1];
    const auto address = static_cast<std::uint16_t>(m_pending[2] << 8 | m_pending[3]);
    const int length = m_pending[4];
    trace("read" + std::to_string(area) + " " + toHex(address, 4) + " " + std::to_string(length));
    send({kAccepted});
    if (length == 0)
        return;
    waitReplyDelay();
    auto reply = m_memory.read(area, address, length);
    reply.push_back(static_cast<std::uint8_t>(0x100 - sum(reply)));
    send(withFaults(std::move(reply)));
}

void SimRegistrar::onPageRequest()
{
    if (sum(m_pending) != 0)
        return;
    const auto number = static_cast<std::uint16_t>(m_pending[1] << 8 | m_pending[2]);
    trace("page " + toHex(number, 4));
    if (!answers())
        return;
    waitLineTime(4);
    waitReplyDelay();
    const Page page = m_memory.page(number);
    std::vector<std::uint8_t> reply(page.begin(), page.end());
    reply.push_back(sum(reply));
    reply = withFaults(std::move(reply));
    // The page sum follows after a short pause.
    const std::vector<std::uint8_t> tail = {reply.back()};
    reply.pop_back();
    send(reply);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    send(tail);
}

std::vector<std::uint8_t> SimRegistrar::withFaults(std::vector<std::uint8_t> data)
{
    ++m_replies;
    FaultSwitches& f = m_options.faults;
    if (m_replies <= f.badChecksum)
        data.back() = static_cast<std::uint8_t>(data.back() + 0x5A);
    if (m_replies <= f.dropByte && data.size() > 1)
        data.erase(data.begin() + static_cast<std::ptrdiff_t>(data.size() / 2));
    return data;
}

void SimRegistrar::waitLineTime(std::size_t bytes)
{
    if (m_options.pace)
        std::this_thread::sleep_for(m_byteTime * static_cast<long>(bytes));
}

void SimRegistrar::waitReplyDelay()
{
    if (m_options.replyDelayMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(m_options.replyDelayMs));
}

void SimRegistrar::send(const std::vector<std::uint8_t>& bytes)
{
    auto next = Clock::now();
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const std::size_t chunk = m_options.pace ? 1 : bytes.size() - sent;
        if (m_options.pace) {
            next += m_byteTime;
            std::this_thread::sleep_until(next);
        }
        const ssize_t n = ::write(m_fd, bytes.data() + sent, chunk);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return;
        pollfd pfd{m_fd, POLLOUT, 0};
        if (::poll(&pfd, 1, 200) <= 0)
            return; // nobody reads: the bytes are lost, as on a real line
    }
}

void SimRegistrar::trace(const std::string& line)
{
    if (m_trace.is_open())
        m_trace << line << std::endl;
}

} // namespace kest::sim
