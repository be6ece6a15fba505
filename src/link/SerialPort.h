#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace kest {

/// Baud rates by speed index. The request link runs at index 3, the page link at 5.
inline constexpr std::array<int, 8> SpeedTable = {300, 600, 1200, 2400, 4800, 9600, 19200, 38400};

/// The two line framings, both with 8 data bits. The open framing is set by every
/// open; the probe framing replaces it once the probe's 05 has left, so that byte
/// goes out with a ninth bit of 1 and every later byte with a ninth bit of 0.
enum class Framing
{
    Open,  ///< no parity, 2 stop bits
    Probe, ///< space parity (parity bit always 0), 1 stop bit
};

/// One serial line. Reads wait for a total time-out counted from the start of the
/// read; nothing here throws, a failure is a return value.
class SerialPort
{
public:
    virtual ~SerialPort() = default;

    /// Opens the device, raw and exclusive; false when it cannot be opened.
    virtual bool open(const std::string& device) = 0;
    /// Why the last open failed, in the system's words; "" after a successful open.
    virtual std::string openError() const { return {}; }
    /// True when the last open failed because another program holds the line.
    virtual bool openBusy() const { return false; }
    /// True when the last open failed for lack of rights on the device.
    virtual bool openDenied() const { return false; }
    virtual bool isOpen() const = 0;
    virtual void close() = 0;

    /// Baud rate of SpeedTable[index] and 8 data bits; the rest of the settings stay.
    virtual void setSpeed(int speedIndex) = 0;
    /// Changes parity and stop bits only.
    virtual void setFraming(Framing framing) = 0;
    /// Modem lines; a line that cannot carry them (a pseudo-terminal) ignores them.
    virtual void setDtr(bool on) = 0;
    virtual void setRts(bool on) = 0;

    /// Total time a later read may take, in milliseconds.
    virtual void setReadTimeoutMs(int ms) = 0;
    /// Returns when `count` bytes have arrived or the read time-out has run out since
    /// the read began; the number of bytes stored.
    virtual std::size_t read(std::uint8_t* buffer, std::size_t count) = 0;
    /// All bytes or failure; a write may take up to 500 ms per byte.
    [[nodiscard]] virtual bool write(const std::uint8_t* bytes, std::size_t count) = 0;

    /// Throws away bytes received and not yet read.
    virtual void discardInput() = 0;
    /// Throws away bytes not yet sent.
    virtual void discardOutput() = 0;
};

} // namespace kest
