#pragma once

#include "link/SerialPort.h"

namespace kest {

/// A serial line over POSIX termios, in raw mode: no byte is translated, stripped or
/// echoed. Pseudo-terminals refuse the modem lines and drop the parity setting; both
/// are tolerated, so the simulator can stand in for a registrar.
class TermiosPort final : public SerialPort
{
public:
    TermiosPort() = default;
    ~TermiosPort() override;
    TermiosPort(const TermiosPort&) = delete;
    TermiosPort& operator=(const TermiosPort&) = delete;

    /// Besides the exclusive mode of the tty, which does not bind root, the device
    /// gets an advisory lock, so a second program (or a second kest) is refused.
    bool open(const std::string& device) override;
    std::string openError() const override { return m_openError; }
    bool openBusy() const override { return m_openBusy; }
    bool openDenied() const override { return m_openDenied; }
    bool isOpen() const override { return m_fd >= 0; }
    void close() override;

    void setSpeed(int speedIndex) override;
    void setFraming(Framing framing) override;
    void setDtr(bool on) override;
    void setRts(bool on) override;

    void setReadTimeoutMs(int ms) override { m_readTimeoutMs = ms; }
    std::size_t read(std::uint8_t* buffer, std::size_t count) override;
    [[nodiscard]] bool write(const std::uint8_t* bytes, std::size_t count) override;

    void discardInput() override;
    void discardOutput() override;

    /// The file descriptor, for tests that look at the line settings.
    int fd() const { return m_fd; }

private:
    void setModemLine(int line, bool on);

    /// Closes `fd` and notes why the open failed.
    bool refuse(int fd, int error);

    int m_fd = -1;
    int m_readTimeoutMs = 1000;
    std::string m_openError;
    bool m_openBusy = false;
    bool m_openDenied = false;
};

} // namespace kest
