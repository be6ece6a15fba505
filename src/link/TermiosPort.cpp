#include "link/TermiosPort.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace kest {
namespace {

using SteadyClock = std::chrono::steady_clock;

speed_t baudConstant(int speedIndex)
{
    static constexpr speed_t kBauds[] = {B300, B600, B1200, B2400, B4800, B9600, B19200, B38400};
    if (speedIndex < 0 || speedIndex >= static_cast<int>(std::size(kBauds)))
        return B9600;
    return kBauds[speedIndex];
}

/// Milliseconds left until `deadline`, rounded up: a poll() for 0 ms while 0.4 ms
/// remain would give up early and lose the byte that arrives in them.
int remainingMs(SteadyClock::time_point deadline)
{
    const auto left = deadline - SteadyClock::now();
    if (left <= SteadyClock::duration::zero())
        return 0;
    return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
}

} // namespace

TermiosPort::~TermiosPort()
{
    close();
}

bool TermiosPort::refuse(int fd, int error)
{
    if (fd >= 0)
        ::close(fd);
    m_openBusy = error == EBUSY || error == EWOULDBLOCK;
    m_openDenied = error == EACCES || error == EPERM;
    m_openError = std::strerror(error);
    return false;
}

bool TermiosPort::open(const std::string& device)
{
    close();
    m_openError.clear();
    m_openBusy = false;
    m_openDenied = false;
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return refuse(-1, errno);
    termios tio{};
    if (tcgetattr(fd, &tio) != 0)
        return refuse(fd, errno);
    // The tty's exclusive mode keeps other programs off the line, but not root; the
    // lock tells every kest, root or not, that the line is taken. It goes with the
    // descriptor, also when the program dies.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return refuse(fd, errno);
    // No other program may talk to the registrar while we do; a pty may refuse.
    (void)ioctl(fd, TIOCEXCL);
    cfmakeraw(&tio);
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK | ISTRIP | IGNPAR | PARMRK);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (tcsetattr(fd, TCSANOW, &tio) != 0)
        return refuse(fd, errno);
    m_fd = fd;
    return true;
}

void TermiosPort::close()
{
    if (m_fd >= 0) {
        // Exclusive use ends with us, also where another process keeps the line open.
        (void)ioctl(m_fd, TIOCNXCL);
        ::close(m_fd);
    }
    m_fd = -1;
}

void TermiosPort::setSpeed(int speedIndex)
{
    termios tio{};
    if (m_fd < 0 || tcgetattr(m_fd, &tio) != 0)
        return;
    cfsetispeed(&tio, baudConstant(speedIndex));
    cfsetospeed(&tio, baudConstant(speedIndex));
    tio.c_cflag = (tio.c_cflag & ~static_cast<tcflag_t>(CSIZE)) | CS8;
    (void)tcsetattr(m_fd, TCSANOW, &tio);
}

void TermiosPort::setFraming(Framing framing)
{
    termios tio{};
    if (m_fd < 0 || tcgetattr(m_fd, &tio) != 0)
        return;
    if (framing == Framing::Open) {
        tio.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD | CMSPAR);
        tio.c_cflag |= CSTOPB;
    } else {
        // Space parity: parity on, "stick" parity, even sense, so the bit is always 0.
        tio.c_cflag |= PARENB | CMSPAR;
        tio.c_cflag &= ~static_cast<tcflag_t>(PARODD | CSTOPB);
    }
    // Received bytes are taken as they come; the replies carry their own checksums.
    tio.c_iflag &= ~static_cast<tcflag_t>(INPCK | PARMRK | ISTRIP);
    (void)tcsetattr(m_fd, TCSANOW, &tio);
}

void TermiosPort::setModemLine(int line, bool on)
{
    if (m_fd < 0)
        return;
    // A pseudo-terminal has no modem lines and answers ENOTTY; that is fine.
    (void)ioctl(m_fd, on ? TIOCMBIS : TIOCMBIC, &line);
}

void TermiosPort::setDtr(bool on)
{
    setModemLine(TIOCM_DTR, on);
}

void TermiosPort::setRts(bool on)
{
    setModemLine(TIOCM_RTS, on);
}

std::size_t TermiosPort::read(std::uint8_t* buffer, std::size_t count)
{
    if (m_fd < 0) {
        // A dead handle behaves like a silent line.
        std::this_thread::sleep_for(std::chrono::milliseconds(m_readTimeoutMs));
        return 0;
    }
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(m_readTimeoutMs);
    std::size_t got = 0;
    while (got < count) {
        const int waitMs = remainingMs(deadline);
        pollfd pfd{m_fd, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, waitMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        const ssize_t n = ::read(m_fd, buffer + got, count - got);
        if (n > 0) {
            got += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        // Hang-up (the other side of a pty closed) or a line error: silence until
        // the time-out, as a line with nothing attached would give.
        std::this_thread::sleep_until(deadline);
        break;
    }
    return got;
}

bool TermiosPort::write(const std::uint8_t* bytes, std::size_t count)
{
    if (m_fd < 0)
        return false;
    const auto deadline =
        SteadyClock::now() + std::chrono::milliseconds(500 * static_cast<std::int64_t>(count));
    std::size_t sent = 0;
    while (sent < count) {
        const ssize_t n = ::write(m_fd, bytes + sent, count - sent);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        pollfd pfd{m_fd, POLLOUT, 0};
        if (::poll(&pfd, 1, remainingMs(deadline)) <= 0 && remainingMs(deadline) == 0)
            return false;
    }
    return true;
}

void TermiosPort::discardInput()
{
    if (m_fd >= 0)
        (void)tcflush(m_fd, TCIFLUSH);
}

void TermiosPort::discardOutput()
{
    if (m_fd >= 0)
        (void)tcflush(m_fd, TCOFLUSH);
}

} // namespace kest
