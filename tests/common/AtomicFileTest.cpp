#include "common/AtomicFile.h"

#include "TestSupport.h"
#include "common/IniFile.h"
#include "grid/CsvWriter.h"
#include "grid/XlsxWriter.h"

#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kest {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;

/// Runs `write` in a child process whose files may not grow past `limit` bytes, as on
/// a disk that fills up; the child's answer comes back through a pipe.
std::string withFileSizeLimit(rlim_t limit, const std::function<std::string()>& write)
{
    int fds[2];
    if (pipe(fds) != 0)
        return "pipe failed";
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        std::signal(SIGXFSZ, SIG_IGN); // the write fails with EFBIG instead of killing us
        const rlimit rl{limit, limit};
        setrlimit(RLIMIT_FSIZE, &rl);
        const std::string answer = write();
        (void)!::write(fds[1], answer.data(), answer.size());
        _exit(0);
    }
    close(fds[1]);
    std::string answer;
    char buf[512];
    for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;)
        answer.append(buf, static_cast<std::size_t>(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status)) << "the writer died";
    return answer;
}

TableModel bigTable()
{
    TableModel t(8, 3000);
    for (int r = 0; r < t.rowCount(); ++r)
        for (int c = 0; c < t.colCount(); ++c)
            t.cell(c, r).text = std::to_string(r * 1000 + c) + ".125";
    return t;
}

bool onlyFileIn(const TempDir& dir, const std::string& name)
{
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        if (e.path().filename() != name)
            return false;
    return true;
}

TEST(AtomicFile, FullDiskFailsEveryOutputAndKeepsTheOldFile)
{
    TempDir dir;
    const TableModel table = bigTable();
    const std::map<std::string, std::function<std::string(const std::filesystem::path&)>> writers = {
        {"r.csv", [&](const auto& p) { return WriteCsv(p, table); }},
        {"r.xlsx", [&](const auto& p) { return WriteXlsx(p, {&table}); }},
        {"r.ini",
         [&](const auto& p) {
             IniFile ini = IniFile::load(p);
             ini.writeString("S", "big", std::string(100000, '7'));
             return ini.save();
         }},
    };
    for (const auto& [name, write] : writers) {
        const auto path = dir / name;
        writeFile(path, "old contents");
        const std::string reason = withFileSizeLimit(16384, [&] { return write(path); });
        EXPECT_NE(reason, "") << name;
        // The workbook library does not pass its write failures on; the package check
        // finds the damage instead.
        const std::string expected = name == "r.xlsx" ? "not written whole" : "File too large";
        EXPECT_NE(reason.find(expected), std::string::npos) << name << ": " << reason;
        EXPECT_TRUE(readFile(path) == "old contents") << name;
        EXPECT_TRUE(onlyFileIn(dir, name)) << name << ": a temporary file was left behind";
        std::filesystem::remove(path);
    }
    // The same writes go through without the limit.
    for (const auto& [name, write] : writers) {
        EXPECT_EQ(withFileSizeLimit(RLIM_INFINITY, [&] { return write(dir / name); }), "") << name;
        EXPECT_GT(std::filesystem::file_size(dir / name), 16384u) << name;
    }
}

TEST(AtomicFile, ReadOnlyFileIsRefusedAndUnchanged)
{
    TempDir dir;
    const auto path = dir / "NN.INI";
    writeFile(path, "[TIME]\r\nKOLP=3\r\n");
    std::filesystem::permissions(path,
                                 std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    IniFile ini = IniFile::load(path);
    ini.writeInteger("TIME", "KOLP", 7);
    const std::string reason = ini.save();
    EXPECT_NE(reason.find("read-only"), std::string::npos) << reason;
    EXPECT_EQ(readFile(path), "[TIME]\r\nKOLP=3\r\n");
    EXPECT_TRUE(onlyFileIn(dir, "NN.INI"));

    const auto csv = dir / "r.csv";
    writeFile(csv, "old");
    chmod(csv.c_str(), 0444);
    EXPECT_NE(WriteCsv(csv, bigTable()), "");
    EXPECT_NE(WriteXlsx(csv, {}), "");
    EXPECT_TRUE(readFile(csv) == "old");
}

TEST(AtomicFile, RewriteKeepsModeAndOwner)
{
    TempDir dir;
    const auto path = dir / "KEST.INI";
    writeFile(path, "[0412]\r\n");
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    const bool root = geteuid() == 0;
    if (root) {
        ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
    }
    IniFile ini = IniFile::load(path);
    ini.writeInteger("0412", "AH01", 90);
    ASSERT_EQ(ini.save(), "");
    struct stat st
    {
    };
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(st.st_uid, 65534u);
        EXPECT_EQ(st.st_gid, 65534u);
    }
    EXPECT_EQ(IniFile::load(path).readInteger("0412", "AH01", 0), 90);

    // A new file gets the usual mode of a created file.
    const mode_t mask = umask(022);
    ASSERT_EQ(writeFileAtomically(dir / "new.csv", "x"), "");
    umask(mask);
    ASSERT_EQ(stat((dir / "new.csv").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
}

} // namespace
} // namespace kest
