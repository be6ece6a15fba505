#include "link/TermiosPort.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace kest::test {
namespace {

/// A bare pseudo-terminal: the test plays the registrar on the master side.
class TermiosPortTest : public ::testing::Test
{
protected:
    TermiosPortTest()
    {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0)
            slave = ptsname(master);
    }
    ~TermiosPortTest() override
    {
        port.close();
        if (master >= 0)
            ::close(master);
    }

    std::vector<std::uint8_t> drainMaster()
    {
        std::vector<std::uint8_t> out(64);
        const ssize_t n = ::read(master, out.data(), out.size());
        out.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        return out;
    }

    int master = -1;
    std::string slave;
    TermiosPort port;
};

TEST_F(TermiosPortTest, RawLinePassesEveryByteUnchangedBothWays)
{
    ASSERT_TRUE(port.open(slave));
    port.setSpeed(3);
    port.setFraming(Framing::Probe);
    port.setDtr(true); // a pty has no modem lines; this must not matter
    port.setRts(false);
    termios tio{};
    ASSERT_EQ(tcgetattr(port.fd(), &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), B2400);
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_lflag & (ECHO | ICANON), 0u);

    const std::vector<std::uint8_t> tricky = {0x0D, 0x0A, 0x11, 0x13, 0x7F, 0xFF, 0x00, 0x03, 0x1C, 0x04};
    ASSERT_TRUE(port.write(tricky.data(), tricky.size()));
    EXPECT_EQ(drainMaster(), tricky);

    ASSERT_EQ(::write(master, tricky.data(), tricky.size()), static_cast<ssize_t>(tricky.size()));
    std::vector<std::uint8_t> got(tricky.size());
    port.setReadTimeoutMs(500);
    EXPECT_EQ(port.read(got.data(), got.size()), tricky.size());
    EXPECT_EQ(got, tricky);

    port.setFraming(Framing::Open);
    ASSERT_EQ(tcgetattr(port.fd(), &tio), 0);
    EXPECT_TRUE(tio.c_cflag & CSTOPB);
}

TEST_F(TermiosPortTest, ReadReturnsWhatArrivedWhenTheTotalTimeoutRunsOut)
{
    ASSERT_TRUE(port.open(slave));
    port.setReadTimeoutMs(150);
    std::thread sender([this] {
        const std::uint8_t first[] = {1, 2};
        (void)::write(master, first, 2);
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        const std::uint8_t second[] = {3};
        (void)::write(master, second, 1);
    });
    std::uint8_t buffer[8] = {};
    const auto start = std::chrono::steady_clock::now();
    const std::size_t n = port.read(buffer, sizeof buffer);
    const auto took = std::chrono::steady_clock::now() - start;
    sender.join();
    EXPECT_EQ(n, 3u);
    EXPECT_EQ(buffer[2], 3);
    // The time-out counts from the start of the read, not from the last byte.
    EXPECT_GE(took, std::chrono::milliseconds(150));
    EXPECT_LT(took, std::chrono::milliseconds(400));

    // Bytes waiting before a discard are gone.
    const std::uint8_t stale[] = {9, 9, 9};
    (void)::write(master, stale, 3);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    port.discardInput();
    port.setReadTimeoutMs(30);
    EXPECT_EQ(port.read(buffer, 1), 0u);
}

TEST_F(TermiosPortTest, ClosedOtherSideReadsAsSilence)
{
    ASSERT_TRUE(port.open(slave));
    ::close(master);
    master = -1;
    port.setReadTimeoutMs(100);
    std::uint8_t byte = 0;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(port.read(&byte, 1), 0u);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(95));
}

TEST_F(TermiosPortTest, LineIsHeldExclusivelyUntilClosed)
{
    // Another opener is refused while the port is open (root is not, but sees the mark).
    ASSERT_TRUE(port.open(slave));
    const int other = ::open(slave.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (other < 0) {
        EXPECT_EQ(errno, EBUSY);
    } else {
        int exclusive = 0;
        ASSERT_EQ(ioctl(other, TIOCGEXCL, &exclusive), 0);
        EXPECT_EQ(exclusive, 1);
        ::close(other);
    }
    port.close();
    const int after = ::open(slave.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(after, 0) << "the line stays held after close";
    int exclusive = 1;
    ASSERT_EQ(ioctl(after, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0);
    ::close(after);
}

TEST_F(TermiosPortTest, DevicesThatAreNoSerialLineDoNotOpen)
{
    EXPECT_FALSE(port.open("/nonexistent/ttyS9"));
    EXPECT_FALSE(port.open("/dev/null"));
    EXPECT_FALSE(port.isOpen());
    std::uint8_t byte = 5;
    EXPECT_FALSE(port.write(&byte, 1));
}

} // namespace
} // namespace kest::test
