#pragma once

#include "link/SerialPort.h"

namespace kest {

/// A serial port that stands in front of another one and passes every call on; the
/// ports that watch or pace a line override only what they change. A call added to
/// SerialPort is passed on here once, so no wrapper answers it with the default.
class ForwardingPort : public SerialPort
{
public:
    explicit ForwardingPort(SerialPort& line) : m_line(line) {}

    bool open(const std::string& device) override { return m_line.open(device); }
    std::string openError() const override { return m_line.openError(); }
    bool openBusy() const override { return m_line.openBusy(); }
    bool openDenied() const override { return m_line.openDenied(); }
    bool isOpen() const override { return m_line.isOpen(); }
    void close() override { m_line.close(); }
    void setSpeed(int speedIndex) override { m_line.setSpeed(speedIndex); }
    void setFraming(Framing framing) override { m_line.setFraming(framing); }
    void setDtr(bool on) override { m_line.setDtr(on); }
    void setRts(bool on) override { m_line.setRts(on); }
    void setReadTimeoutMs(int ms) override { m_line.setReadTimeoutMs(ms); }
    std::size_t read(std::uint8_t* buffer, std::size_t count) override { return m_line.read(buffer, count); }
    [[nodiscard]] bool write(const std::uint8_t* bytes, std::size_t count) override
    {
        return m_line.write(bytes, count);
    }
    void discardInput() override { m_line.discardInput(); }
    void discardOutput() override { m_line.discardOutput(); }

protected:
    SerialPort& line() { return m_line; }

private:
    SerialPort& m_line;
};

} // namespace kest
