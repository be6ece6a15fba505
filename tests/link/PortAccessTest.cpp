#include "link/PortAccess.h"

#include "TestSupport.h"
#include "link/TermiosPort.h"

#include <cstdlib>
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kest {
namespace {

constexpr uid_t kNobody = 65534;

/// A pseudo-terminal whose slave side the test user may not open: as root it stays
/// root's with mode 600 and the test drops to nobody; otherwise it gets mode 000.
struct LockedPty
{
    LockedPty()
    {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
            return;
        slave = ptsname(master);
        chmod(slave.c_str(), geteuid() == 0 ? 0600 : 0);
        struct stat st = {};
        stat(slave.c_str(), &st);
        if (const group* g = getgrgid(st.st_gid))
            groupName = g->gr_name;
    }
    ~LockedPty()
    {
        if (master >= 0)
            ::close(master);
    }
    int master = -1;
    std::string slave;
    std::string groupName;
};

/// Runs `kest --home HOME connect` as a user without the right to the port and
/// returns what it printed on stderr; the exit status goes to `status`.
std::string connectWithoutRights(const test::TempDir& home, int& status)
{
    const auto errFile = home / "stderr.txt";
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0))
            _exit(99);
        const int fd = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        dup2(fd, 2);
        execl(KEST_BIN, KEST_BIN, "--home", home.path().c_str(), "connect", static_cast<char*>(nullptr));
        _exit(98);
    }
    int raw = 0;
    waitpid(child, &raw, 0);
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return test::readFile(errFile);
}

} // namespace

// A port the user may not open is no wrong port name: the box says so and names the
// group that owns the device, read from the device itself.
TEST(PortAccessTest, PortWithoutRightsNamesTheOwningGroupInsteadOfAWrongPort)
{
    LockedPty pty;
    ASSERT_FALSE(pty.slave.empty());
    ASSERT_FALSE(pty.groupName.empty());

    if (geteuid() != 0) {
        TermiosPort port;
        EXPECT_FALSE(port.open(pty.slave));
        EXPECT_TRUE(port.openDenied());
        EXPECT_FALSE(port.openBusy());
    }
    const std::string text = deniedPortMessage("/dev/x", pty.slave);
    EXPECT_NE(text.find("группе " + pty.groupName), std::string::npos) << text;
    EXPECT_NE(text.find("usermod -a -G " + pty.groupName), std::string::npos) << text;
    // Mode 600 or 000 gives the group nothing: adding the user to it is not enough.
    EXPECT_NE(text.find("правило udev"), std::string::npos) << text;

    test::TempDir home;
    chmod(home.path().c_str(), 0777);
    test::writeFile(home / "NN.INI", "[TIME]\r\nDARH=30\r\nDARD=30\r\nRS-232=" + pty.slave + "\r\n");
    chmod((home / "NN.INI").c_str(), 0666);
    int status = 0;
    const std::string err = connectWithoutRights(home, status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(err.find("Нет прав на открытие СОМ-порта " + pty.slave), std::string::npos) << err;
    EXPECT_NE(err.find("группе " + pty.groupName), std::string::npos) << err;
    EXPECT_EQ(err.find("Неверный номер"), std::string::npos) << err;
}

} // namespace kest
