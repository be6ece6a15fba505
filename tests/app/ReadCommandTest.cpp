#include "TestSupport.h"
#include "db/SqliteDatabase.h"
#include "db/ArchiveTables.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace kest {
namespace {

using namespace std::chrono_literals;

/// kest-sim serving a record file on a pseudo-terminal for the life of the object.
class Simulator
{
public:
    Simulator(const std::filesystem::path& tty, const std::vector<std::string>& args)
    {
        std::vector<std::string> argv = {KEST_SIM_BIN, "--pty", tty.string()};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> raw;
        for (auto& a : argv)
            raw.push_back(a.data());
        raw.push_back(nullptr);
        if (posix_spawn(&m_pid, KEST_SIM_BIN, nullptr, nullptr, raw.data(), environ) != 0)
            m_pid = -1;
        for (int i = 0; i < 200 && !std::filesystem::exists(tty); ++i)
            std::this_thread::sleep_for(10ms);
    }
    ~Simulator()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }
    bool running() const { return m_pid > 0; }

private:
    pid_t m_pid = -1;
};

class ReadCommandTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(dir / "data");
        test::writeFile(dir / "NN.INI",
                        "[TIME]\r\nDARH=36500\r\nDARD=36500\r\nDARM=36500\r\nDok=36500\r\nKOLP=2\r\n"
                        "TWORK=1\r\nRS-232=" +
                            (dir / "tty").string() + "\r\nPUT=" + (dir / "data").string() + "/\r\n");
        ASSERT_EQ(run("init"), 0) << err;
    }

    int run(const std::string& command)
    {
        return test::runCommand(std::string(KEST_BIN) + " --home " + dir.path().string() + " " + command,
                                &out, &err);
    }

    int read(const std::string& link, const std::string& records, const std::vector<std::string>& faults = {})
    {
        test::writeFile(dir / "records.txt", records);
        std::vector<std::string> args = {"--link", link, "--records", (dir / "records.txt").string()};
        args.insert(args.end(), faults.begin(), faults.end());
        Simulator sim(dir / "tty", args);
        EXPECT_TRUE(sim.running());
        return run("read");
    }

    std::int64_t count(const std::string& sql)
    {
        std::string error;
        auto db = SqliteDatabase::open(dir / "data" / kDatabaseFile, SqliteDatabase::OpenMode::Existing, &error);
        Statement st = db->prepare(sql);
        st.step();
        return st.columnInt(0);
    }
    double value(const char* table, std::int64_t key, const char* when)
    {
        std::string error;
        auto db = SqliteDatabase::open(dir / "data" / kDatabaseFile, SqliteDatabase::OpenMode::Existing, &error);
        Statement st =
            db->prepare(std::string("SELECT svalue FROM ") + table + " WHERE scode = :k AND sdate = :d");
        st.bind(":k", key);
        st.bind(":d", std::string_view(when));
        return st.step() == Statement::Step::Row ? st.columnDouble(0) : -12345;
    }
    void exec(const std::string& sql)
    {
        std::string error;
        auto db = SqliteDatabase::open(dir / "data" / kDatabaseFile, SqliteDatabase::OpenMode::Existing, &error);
        ASSERT_TRUE(db && db->execute(sql).ok());
    }
    std::int64_t rows()
    {
        return count("SELECT (SELECT count(*) FROM arhivh) + (SELECT count(*) FROM arhivd) + "
                     "(SELECT count(*) FROM arhivm) + (SELECT count(*) FROM detail)");
    }

    test::TempDir dir;
    std::string out, err;
};

const char* kPageRecords = R"(record
controller 0412
time 15.03.2026 10:00
hourly 1 ramp 1 1
hourly 2 counter ramp 1000000 1
hourly 5 ramp 500 1
daily 3 ramp 30 1
monthly 4 ramp 40 1
extended 3 ramp 0 1
interval 1 ramp 0 1
interval 2 ramp 2000 1
record
controller 0A1F
time 01.03.2026 00:30
hourly 0 ramp 0 1
interval 0 ramp 0 1
)";

TEST_F(ReadCommandTest, PageLinkStoresEveryKindAndRewritesOnTheSecondRead)
{
    // Hourly 1 heads a chain of 2 and 5; interval 1 a chain of 2. 0A1F integrates over 1 minute.
    test::writeFile(dir / "data" / "KEST.INI", "[0412]\r\nAH02=90\r\nAH05=1101\r\nAI02=1101\r\n");
    exec("INSERT INTO merane (scode, smin) VALUES (2591, 1)");
    ASSERT_EQ(read("page", kPageRecords), 0) << out << err;
    EXPECT_NE(out.find("Поздравляю передача данных из памяти программы в базы данных прошла успешно! "),
              std::string::npos);
    const std::int64_t h1 = ArchiveKey(0x0412, ArchiveKind::Hourly, 1);
    EXPECT_EQ(value("arhivh", h1, "2026-03-12 00:00:00"), 1);
    EXPECT_EQ(value("arhivh", h1, "2026-03-15 09:00:00"), 82);
    EXPECT_EQ(value("arhivh", h1, "2026-03-08 00:00:00"), 500); // member 1 (archive 5)
    EXPECT_EQ(value("arhivh", ArchiveKey(0x0412, ArchiveKind::Hourly, 2), "2026-03-12 01:00:00"), 1000001);
    EXPECT_EQ(count("SELECT count(*) FROM arhivh WHERE scode = " +
                    std::to_string(ArchiveKey(0x0412, ArchiveKind::Hourly, 5))),
              0);
    // Settlement hour 0, dated by the day that ended: the last value is the 14th's.
    EXPECT_EQ(value("arhivd", ArchiveKey(0x0412, ArchiveKind::Daily, 3), "2026-03-14 00:00:00"), 30 + 13);
    EXPECT_EQ(value("arhivd", ArchiveKey(0x0412, ArchiveKind::Daily, 3), "2026-03-15 00:00:00"), -12345);
    EXPECT_EQ(value("arhivm", ArchiveKey(0x0412, ArchiveKind::Monthly, 4), "2025-04-01 00:00:00"), 43);
    // smin 5: the head's span starts at 00:05 four days back, the member's five days before.
    const std::int64_t i1 = ArchiveKey(0x0412, ArchiveKind::Interval, 1);
    EXPECT_EQ(value("detail", i1, "2026-03-11 00:05:00"), 0);
    EXPECT_EQ(value("detail", i1, "2026-03-06 00:05:00"), 2000);
    // smin 1 without members: the day up to the record time.
    const std::int64_t i0 = ArchiveKey(0x0A1F, ArchiveKind::Interval, 0);
    EXPECT_EQ(value("detail", i0, "2026-02-28 00:30:00"), 0);
    EXPECT_EQ(value("detail", i0, "2026-03-01 00:29:00"), 1439);
    EXPECT_EQ(count("SELECT count(*) FROM detail WHERE scode = " + std::to_string(i0)), 1440);
    // Taken at 00:30: the hourly series ends at 23:00 of that day, but nothing after 00:30 is kept.
    const std::int64_t a0 = ArchiveKey(0x0A1F, ArchiveKind::Hourly, 0);
    EXPECT_EQ(value("arhivh", a0, "2026-03-01 00:00:00"), 72);
    EXPECT_EQ(count("SELECT count(*) FROM arhivh WHERE scode = " + std::to_string(a0)), 73);
    const std::int64_t e3 = ArchiveKey(0x0412, ArchiveKind::Hourly, 3);
    EXPECT_EQ(count("SELECT count(*) FROM arhivh WHERE scode = " + std::to_string(e3)), 1008);

    const auto first = rows();
    ASSERT_EQ(read("page", kPageRecords), 0) << out << err;
    EXPECT_EQ(rows(), first);
}

const char* kRequestRecords = R"(record
controller 0100
time 15.03.2026 10:00
hourly 0 ramp 0 1
hourly 1 ramp 100 1
hourly 2 ramp 200 1
daily 0 ramp 0 1
record
controller 0200
area 2
time 14.03.2026 23:00
daily 1 counter ramp 5 5
)";

TEST_F(ReadCommandTest, RequestLinkAddsNothingTheSecondTime)
{
    test::writeFile(dir / "data" / "KEST.INI", "[0200]\r\nAD01=90\r\n");
    ASSERT_EQ(read("request", kRequestRecords, {"--bad-checksum", "2"}), 0) << out << err;
    const auto first = rows();
    EXPECT_EQ(first, 82 * 3 + 28 + 28);
    EXPECT_EQ(value("arhivd", ArchiveKey(0x0200, ArchiveKind::Daily, 1), "2026-02-14 00:00:00"), 70);
    ASSERT_EQ(read("request", kRequestRecords), 0) << out << err;
    EXPECT_EQ(rows(), first);
    EXPECT_NE(out.find("В базе данных уже имеются данные с МЕРАНов из текущего регистратора информации."),
              std::string::npos);
}

TEST_F(ReadCommandTest, FailuresStoreNothing)
{
    // Gone in the middle of the first record: two catalog pages and its time stamp,
    // the second's, the list rebuild's two, then a few pages of the record.
    EXPECT_EQ(read("page", kPageRecords, {"--gone-after", "12"}), 1);
    EXPECT_NE(out.find("** Конец обмена **"), std::string::npos);
    EXPECT_EQ(out.find("** Передача данных в базу данных **"), std::string::npos);
    EXPECT_EQ(rows(), 0);

    // A date that cannot exist is refused at the catalog already.
    EXPECT_EQ(read("page", "record\ncontroller 0001\ntime 05.13.2024 10:00\nhourly 0 1\n"), 0);
    EXPECT_NE(err.find("имеет неверную дату"), std::string::npos);
    EXPECT_EQ(rows(), 0);

    std::filesystem::remove(dir / "data" / kDatabaseFile);
    EXPECT_EQ(read("page", kPageRecords), 1);
    EXPECT_NE(err.find("Отсутствуют необходимые базы"), std::string::npos);
}

TEST_F(ReadCommandTest, MissingSettingsLeaveTheRegistrarAlone)
{
    // DARD=-1: message 41. With a registrar on the line, neither command may talk to
    // it or store anything with default depths.
    std::string nn = test::readFile(dir / "NN.INI");
    nn.replace(nn.find("DARD=36500"), 10, "DARD=-1");
    test::writeFile(dir / "NN.INI", nn);
    test::writeFile(dir / "records.txt", kPageRecords);
    Simulator sim(dir / "tty", {"--link", "page", "--records", (dir / "records.txt").string()});
    ASSERT_TRUE(sim.running());
    const std::string message41 = "Не найден инифайл (nn.ini), либо отсутствуют необходимые данные а нем, "
                                  "обратитесь к администратору.\n";
    for (const char* command : {"connect", "read"}) {
        EXPECT_EQ(run(command), 1) << command << out;
        EXPECT_EQ(err, message41) << command;
        EXPECT_EQ(out, "") << command;
    }
    EXPECT_EQ(rows(), 0);
}

TEST_F(ReadCommandTest, AStoreTheDatabaseRefusesIsNamedOnStderr)
{
    // The disk fills up while the records are stored: the files of the database may
    // not grow past 64 KB. The window only logs this; the command line says it too.
    test::writeFile(dir / "records.txt", kPageRecords);
    Simulator sim(dir / "tty", {"--link", "page", "--records", (dir / "records.txt").string()});
    ASSERT_TRUE(sim.running());
    const int status =
        test::runCommand("trap '' XFSZ; prlimit --fsize=65536 " + std::string(KEST_BIN) + " --home " +
                             dir.path().string() + " read",
                         &out, &err);
    EXPECT_EQ(status, 1);
    EXPECT_NE(out.find("Нет доступа к базе данных"), std::string::npos) << out;
    // One line: message 43 and the engine's words ("database or disk is full", or
    // "disk I/O error" when the journal is what could not grow).
    EXPECT_EQ(err.rfind("Отсутствуют необходимые базы, проверьте путь к базе, их наличие, целостность баз или "
                        "обратитесь к администратору. (",
                        0),
              0u)
        << err;
    EXPECT_NE(err.find("disk"), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_EQ(rows(), 0) << "the record's transaction was rolled back";
}

// Ctrl+C while the registrar is silent in the middle of a record: the read ends at
// once with the stop's line, not after the pauses of the attempts left.
TEST_F(ReadCommandTest, CtrlCEndsTheReadAtOnce)
{
    test::writeFile(dir / "NN.INI", "[TIME]\r\nKOLP=3\r\nTWORK=5\r\nRS-232=" + (dir / "tty").string() +
                                        "\r\nPUT=" + (dir / "data").string() + "/\r\n");
    test::writeFile(dir / "records.txt", kPageRecords);
    // Connection, catalog and time stamps, the list's time stamps, then silence.
    Simulator sim(dir / "tty", {"--link", "page", "--records", (dir / "records.txt").string(), "--gone-after", "12"});
    ASSERT_TRUE(sim.running());
    const auto outFile = dir / "out.txt";
    const std::string home = dir.path().string();
    std::vector<std::string> argv = {KEST_BIN, "--home", home, "read"};
    std::vector<char*> raw;
    for (auto& a : argv)
        raw.push_back(a.data());
    raw.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    ASSERT_EQ(posix_spawn(&pid, KEST_BIN, &files, nullptr, raw.data(), environ), 0);
    posix_spawn_file_actions_destroy(&files);
    // The record's pages stop coming; the first attempt's wait is under way.
    for (int i = 0; i < 1000 && test::readFile(outFile).find("Считывается запись № 1") == std::string::npos; ++i)
        std::this_thread::sleep_for(20ms);
    std::this_thread::sleep_for(1500ms);
    kill(pid, SIGINT);
    const auto sent = std::chrono::steady_clock::now();
    int status = 0;
    waitpid(pid, &status, 0);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - sent);
    EXPECT_LT(took.count(), 500);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    const std::string text = test::readFile(outFile);
    EXPECT_NE(text.find("   Чтение/запись прервано пользователем.\n** Конец обмена **"), std::string::npos) << text;
    EXPECT_EQ(rows(), 0);
}

} // namespace
} // namespace kest
