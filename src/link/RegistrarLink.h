#pragma once

#include "common/Clock.h"
#include "link/ExchangeStatus.h"
#include "link/LinkTiming.h"
#include "link/SerialPort.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace kest {

/// A page of the page link, or the reply of a memory read (up to 255 data bytes and
/// the checksum byte).
using LinkBuffer = std::array<std::uint8_t, 256>;

/// The registrar at the other end of one serial line: the port handle, the kind of
/// link found when connecting, and the framed transfers and read commands.
class RegistrarLink
{
public:
    RegistrarLink(SerialPort& port, Clock& clock);

    // The port. A handle is "held" from an open until ClosePort, also when the open
    // failed (the invalid handle): transfers on it then fail like on a dead line.

    /// Opens the named device ("Com2" is /dev/ttyS1, any other text a path) at the
    /// speed index in the open framing, sets the modem lines by PageLink and empties
    /// the receive buffer. False when the device cannot be opened.
    bool OpenPort(const std::string& name, int speedIndex);
    /// Closes the port; without a held handle nothing happens.
    void ClosePort();
    /// True from OpenPort (successful or not) until ClosePort.
    bool hasPort() const { return m_handleHeld; }
    /// True when the held handle is a working port.
    bool portOpen() const;

    void SetPortSpeed(int speedIndex);
    void SetPortFraming(Framing framing);
    /// Before each transmission: DTR up, RTS down, then a short settle by speed.
    void PrepareLine();
    void SetReadTimeout(int seconds);

    // Transfers. Each returns the result code that the caller stores in
    // ExchangeStatus: 0 done, otherwise the failure of the last attempt.

    /// `frame` is N, N request bytes and room for the checksum (N + 2 bytes);
    /// `reply` receives L data bytes and the checksum and must hold L + 1 bytes.
    /// A frame shorter than its length byte says gives 8 and a reply buffer too small
    /// gives 5, both without a byte sent.
    [[nodiscard]] int
    ExchangeRequest(std::span<std::uint8_t> frame, int replyLength, bool echo, std::span<std::uint8_t> reply);
    /// Sends command, address high, address low and their checksum; reads 256 bytes
    /// and the sum byte.
    [[nodiscard]] int PageTransfer(const std::array<std::uint8_t, 3>& request, LinkBuffer& page);

    // Read commands of the registrar.

    /// Memory area 3: `length` (1..255) bytes at `address`; `buffer` gets them and
    /// the checksum byte.
    [[nodiscard]] int ReadMemoryCmd3(std::uint16_t address, std::uint8_t length, LinkBuffer& buffer);
    /// Memory area 2, otherwise as ReadMemoryCmd3.
    [[nodiscard]] int ReadMemoryCmd2(std::uint16_t address, std::uint8_t length, LinkBuffer& buffer);
    /// One 256-byte page by its number.
    [[nodiscard]] int ReadPage(std::uint16_t page, LinkBuffer& buffer);

    /// Sends 05 in the open framing, switches to the probe framing and waits up to
    /// 1.728 s for 04. True when the registrar answered.
    bool ProbeRegistrar();

    /// With a state to watch, a "СТОП" pressed while a transfer waits ends that
    /// transfer at once with status 23, without further attempts.
    void watchStop(const ExchangeState* state) { m_watched = state; }

    SerialPort& port() { return m_port; }
    Clock& clock() { return m_clock; }

    /// 0 the request link (memory reads at 2400 baud), 1 the page link (pages at
    /// 9600 baud). Kept until the next connection.
    int PageLink = 0;
    /// The index given to the last OpenPort; pauses and reply time-outs follow it.
    int CurrentSpeedIndex = 0;
    /// LinkAttempts and LinkRetryDelay; values below 1 attempt count as 1.
    LinkTiming Timing;

private:
    [[nodiscard]] int
    readMemory(std::uint8_t command, std::uint16_t address, std::uint8_t length, LinkBuffer& buffer);
    int exchangeAttempt(std::span<const std::uint8_t> frame,
                        int replyLength,
                        bool echo,
                        std::span<std::uint8_t> reply);
    int pageAttempt(const std::array<std::uint8_t, 4>& request, LinkBuffer& page);
    int waitForHandshake();
    int waitForAcknowledge(std::size_t echoBytes);
    void pauseBeforeRetry(int attempt);
    /// Notes whether a stop was pending when the transfer began: only a new one cuts it.
    void beginTransfer();
    bool cutByStop() const;

    SerialPort& m_port;
    Clock& m_clock;
    bool m_handleHeld = false;
    const ExchangeState* m_watched = nullptr;
    bool m_stopAtStart = false;
};

/// The device a port name of NN.INI stands for: "COMn" in any case is /dev/ttyS<n-1>,
/// any other text is taken as a path.
std::string portDevicePath(const std::string& name);

} // namespace kest
