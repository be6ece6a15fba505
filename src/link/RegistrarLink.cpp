#include "link/RegistrarLink.h"

#include <algorithm>
#include <cctype>
#include <numeric>

namespace kest {
namespace {

constexpr std::uint8_t kEnquiry = 0x05;  // may a frame be sent?
constexpr std::uint8_t kGrant = 0x04;    // yes
constexpr std::uint8_t kAccepted = 0x06; // frame taken
constexpr std::uint8_t kRejected = 0x15; // frame checksum wrong

/// 2e-5 of a day: how long the registrar may take to answer 05 or a frame.
constexpr std::int64_t kHandshakeWindowMs = 1728;

std::uint8_t byteSum(std::span<const std::uint8_t> bytes)
{
    return static_cast<std::uint8_t>(std::accumulate(bytes.begin(), bytes.end(), 0u));
}

std::uint8_t twosComplement(std::uint8_t sum)
{
    return static_cast<std::uint8_t>(0x100 - sum);
}

} // namespace

RegistrarLink::RegistrarLink(SerialPort& port, Clock& clock) : m_port(port), m_clock(clock) {}

bool RegistrarLink::OpenPort(const std::string& name, int speedIndex)
{
    CurrentSpeedIndex = speedIndex;
    m_handleHeld = true;
    if (!m_port.open(portDevicePath(name)))
        return false;
    SetPortSpeed(speedIndex);
    SetPortFraming(Framing::Open);
    // The page-link registrar is powered from DTR; the request link wants it low.
    m_port.setDtr(PageLink == 1);
    m_port.setRts(false);
    m_port.discardInput();
    return true;
}

void RegistrarLink::ClosePort()
{
    if (!m_handleHeld)
        return;
    m_port.close();
    m_handleHeld = false;
}

bool RegistrarLink::portOpen() const
{
    return m_handleHeld && m_port.isOpen();
}

void RegistrarLink::SetPortSpeed(int speedIndex)
{
    m_port.setSpeed(speedIndex);
}

void RegistrarLink::SetPortFraming(Framing framing)
{
    m_port.setFraming(framing);
}

void RegistrarLink::PrepareLine()
{
    m_port.setDtr(true);
    m_port.setRts(false);
    // Slow lines need longer for the line driver to settle.
    m_clock.sleepMs(CurrentSpeedIndex == 0 ? 3 : CurrentSpeedIndex <= 2 ? 2 : 1);
}

void RegistrarLink::SetReadTimeout(int seconds)
{
    m_port.setReadTimeoutMs(seconds * 1000);
}

void RegistrarLink::pauseBeforeRetry(int attempt)
{
    if (attempt > 1)
        m_clock.sleepMs(Timing.LinkRetryDelay);
}

void RegistrarLink::beginTransfer()
{
    m_stopAtStart = m_watched && m_watched->StopRequested;
}

bool RegistrarLink::cutByStop() const
{
    return m_watched && !m_stopAtStart && m_watched->StopRequested;
}

int RegistrarLink::ExchangeRequest(std::span<std::uint8_t> frame,
                                   int replyLength,
                                   bool echo,
                                   std::span<std::uint8_t> reply)
{
    // A frame that cannot hold its own length and checksum, or a reply buffer too
    // small for the answer, is a caller's mistake: nothing goes out.
    if (frame.empty() || frame.size() < static_cast<std::size_t>(frame[0]) + 2u)
        return kStatusNoBytes;
    if (replyLength < 0 || (replyLength > 0 && reply.size() < static_cast<std::size_t>(replyLength) + 1u))
        return kStatusNoData;
    const std::size_t n = frame[0];
    frame[n + 1] = twosComplement(byteSum(frame.subspan(1, n)));
    const auto whole = frame.first(n + 2);

    SetReadTimeout(1);
    beginTransfer();
    const int attempts = std::max(1, Timing.LinkAttempts);
    int result = kStatusNoAnswer;
    for (int attempt = 1; attempt <= attempts; ++attempt) {
        pauseBeforeRetry(attempt);
        if (cutByStop())
            return kStatusStopped;
        result = exchangeAttempt(whole, replyLength, echo, reply);
        if (result == kStatusOk)
            break;
        if (cutByStop())
            return kStatusStopped;
    }
    return result;
}

int RegistrarLink::exchangeAttempt(std::span<const std::uint8_t> frame,
                                   int replyLength,
                                   bool echo,
                                   std::span<std::uint8_t> reply)
{
    PrepareLine();
    m_port.discardInput();
    if (!m_port.write(&kEnquiry, 1))
        return kStatusNoBytes;
    if (const int granted = waitForHandshake(); granted != kStatusOk)
        return granted;

    PrepareLine();
    m_port.discardInput();
    if (!m_port.write(frame.data(), frame.size()))
        return kStatusNoAcknowledge;
    if (const int acknowledged = waitForAcknowledge(echo ? frame.size() : 0); acknowledged != kStatusOk)
        return acknowledged;
    if (replyLength <= 0)
        return kStatusOk;

    // Longer replies at slow speeds take longer; 51 bytes and more get two more seconds.
    int timeout = CurrentSpeedIndex == 0 ? 8 : CurrentSpeedIndex <= 2 ? 5 : 3;
    if (replyLength > 50)
        timeout += 2;
    SetReadTimeout(timeout);
    const std::size_t wanted = static_cast<std::size_t>(replyLength) + 1;
    if (m_port.read(reply.data(), wanted) < wanted)
        return kStatusNoData;
    return byteSum(reply.first(wanted)) == 0 ? kStatusOk : kStatusReceiveChecksum;
}

int RegistrarLink::waitForHandshake()
{
    // Line noise before the 04 is ignored, but a whole second of silence is not.
    const std::int64_t start = m_clock.monotonicMs();
    while (m_clock.monotonicMs() - start < kHandshakeWindowMs) {
        std::uint8_t byte = 0;
        if (m_port.read(&byte, 1) == 0)
            return kStatusNoAnswer;
        if (byte == kGrant)
            return kStatusOk;
    }
    return kStatusNoAnswer;
}

int RegistrarLink::waitForAcknowledge(std::size_t echoBytes)
{
    // Only the window ends this wait; an empty read does not.
    const std::int64_t start = m_clock.monotonicMs();
    while (m_clock.monotonicMs() - start < kHandshakeWindowMs) {
        std::uint8_t byte = 0;
        if (m_port.read(&byte, 1) == 0) {
            if (cutByStop())
                return kStatusStopped;
            continue;
        }
        if (echoBytes > 0) {
            --echoBytes;
            continue;
        }
        if (byte == kAccepted)
            return kStatusOk;
        if (byte == kRejected)
            return kStatusSendChecksum;
    }
    return kStatusNoAcknowledge;
}

int RegistrarLink::PageTransfer(const std::array<std::uint8_t, 3>& request, LinkBuffer& page)
{
    const std::array<std::uint8_t, 4> bytes = {request[0], request[1], request[2],
                                               twosComplement(byteSum(request))};
    beginTransfer();
    const int attempts = std::max(1, Timing.LinkAttempts);
    int result = kStatusNoAnswer;
    for (int attempt = 1; attempt <= attempts; ++attempt) {
        pauseBeforeRetry(attempt);
        if (cutByStop())
            return kStatusStopped;
        result = pageAttempt(bytes, page);
        if (result == kStatusOk)
            break;
        if (cutByStop())
            return kStatusStopped;
    }
    return result;
}

int RegistrarLink::pageAttempt(const std::array<std::uint8_t, 4>& request, LinkBuffer& page)
{
    m_port.discardInput();
    m_port.discardOutput();
    PrepareLine();
    SetReadTimeout(1);
    // A failed write shows up as a page that never comes.
    (void)m_port.write(request.data(), request.size());
    SetReadTimeout(1);
    const std::size_t received = m_port.read(page.data(), page.size());
    if (cutByStop())
        return kStatusStopped;
    // The registrar sends the page sum after a short pause, so it is read on its own.
    m_clock.sleepMs(11);
    SetReadTimeout(1);
    std::uint8_t sum = 0;
    const bool sumArrived = m_port.read(&sum, 1) == 1;
    if (received == 0)
        return kStatusNoAcknowledge;
    if (received != page.size() || !sumArrived)
        return kStatusNoAnswer;
    return byteSum(page) == sum ? kStatusOk : kStatusReceiveChecksum;
}

int RegistrarLink::readMemory(std::uint8_t command,
                              std::uint16_t address,
                              std::uint8_t length,
                              LinkBuffer& buffer)
{
    std::array<std::uint8_t, 6> frame = {
        4,      command, static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address & 0xFF),
        length, 0};
    return ExchangeRequest(frame, length, false, buffer);
}

int RegistrarLink::ReadMemoryCmd3(std::uint16_t address, std::uint8_t length, LinkBuffer& buffer)
{
    return readMemory(3, address, length, buffer);
}

int RegistrarLink::ReadMemoryCmd2(std::uint16_t address, std::uint8_t length, LinkBuffer& buffer)
{
    return readMemory(2, address, length, buffer);
}

int RegistrarLink::ReadPage(std::uint16_t page, LinkBuffer& buffer)
{
    return PageTransfer({2, static_cast<std::uint8_t>(page >> 8), static_cast<std::uint8_t>(page & 0xFF)},
                        buffer);
}

bool RegistrarLink::ProbeRegistrar()
{
    beginTransfer();
    m_clock.sleepMs(50);
    m_port.setReadTimeoutMs(100);
    PrepareLine();
    m_port.discardInput();
    (void)m_port.write(&kEnquiry, 1);
    // Let the 05 leave in the open framing before the parity changes under it.
    m_clock.sleepMs(50);
    m_clock.sleepMs(50);
    SetPortFraming(Framing::Probe);
    const std::int64_t start = m_clock.monotonicMs();
    while (m_clock.monotonicMs() - start < kHandshakeWindowMs) {
        std::uint8_t byte = 0;
        if (m_port.read(&byte, 1) == 1 && byte == kGrant) {
            m_clock.sleepMs(20);
            return true;
        }
        if (cutByStop())
            return false;
    }
    return false;
}

std::string portDevicePath(const std::string& name)
{
    const bool comPrefix = name.size() > 3 && std::tolower(static_cast<unsigned char>(name[0])) == 'c' &&
                           std::tolower(static_cast<unsigned char>(name[1])) == 'o' &&
                           std::tolower(static_cast<unsigned char>(name[2])) == 'm';
    if (comPrefix && name.size() <= 6 && std::all_of(name.begin() + 3, name.end(), [](char c) {
            return std::isdigit(static_cast<unsigned char>(c));
        })) {
        const int number = std::stoi(name.substr(3));
        if (number >= 1)
            return "/dev/ttyS" + std::to_string(number - 1);
    }
    return name;
}

} // namespace kest
