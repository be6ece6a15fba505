#include "RecordFile.h"
#include "SessionMaker.h"
#include "TestSupport.h"
#include "db/SqliteDatabase.h"
#include "db/ArchiveScan.h"
#include "db/ArchiveTables.h"
#include "db/PgTestServer.h"
#include "link/ExchangeStatus.h"
#include "link/SimProcess.h"
#include "session/SessionFolder.h"

#include <chrono>
#include <csignal>
#include <fstream>
#include <limits>
#include <map>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace kest {
namespace {

using namespace std::chrono_literals;

/// A program folder with NN.INI and an empty database in its data folder, the
/// SQLite file or, given a connection string, a server database.
class Home
{
public:
    explicit Home(const std::string& port = "", const std::string& extra = "", const std::string& server = "")
        : m_server(server)
    {
        std::filesystem::create_directories(m_dir / "data");
        test::writeFile(m_dir / "NN.INI", "[TIME]\r\nDARH=36500\r\nDARD=36500\r\nDARM=36500\r\nDok=36500\r\n"
                                          "KOLP=2\r\nTWORK=1\r\nRS-232=" +
                                              port + "\r\nPUT=" + data().string() + "/\r\n" + extra +
                                              (server.empty() ? "" : "SERVER=" + server + "\r\n"));
        EXPECT_EQ(run("init"), 0) << err;
    }

    std::filesystem::path data() const { return m_dir / "data"; }
    std::string command(const std::string& args) const
    {
        return std::string(KEST_BIN) + " --home " + m_dir.path().string() + " " + args;
    }
    int run(const std::string& args) { return test::runCommand(command(args), &out, &err); }

    std::unique_ptr<ArchiveDatabase> open() const
    {
        UseArchiveServer(m_server);
        std::string error;
        auto db = OpenArchiveDatabase(data(), false, &error);
        UseArchiveServer("");
        EXPECT_TRUE(db) << error;
        return db;
    }

    /// Every row of every table, in key and time order, as one text the same on
    /// both engines.
    std::string dump() const
    {
        auto db = open();
        std::ostringstream text;
        text.precision(17);
        for (const auto kind : {ArchiveKind::Hourly, ArchiveKind::Daily, ArchiveKind::Monthly, ArchiveKind::Interval}) {
            std::vector<std::int64_t> keys;
            EXPECT_TRUE(SelectArchiveKeys(*db, kind, 0, std::numeric_limits<std::int64_t>::max(), keys).ok());
            for (const auto key : keys) {
                std::vector<ArchiveRow> rows;
                EXPECT_TRUE(SelectArchiveRange(*db, kind, key, 0, 1e6, rows).ok());
                for (const auto& r : rows)
                    text << archiveTable(kind) << '|' << key << '|' << toSqlText(r.sdate) << '|' << r.svalue << '\n';
            }
        }
        std::vector<ControllerRow> controllers;
        EXPECT_TRUE(SelectAllControllers(*db, controllers).ok());
        for (const auto& c : controllers)
            text << "b|" << c.scode << '|' << c.sname << '|' << c.rhour << '|' << c.rday << '|' << c.avans << '|'
                 << SelectIntervalMinutes(*db, c.scode) << '\n';
        return text.str();
    }
    /// The rows of one archive table.
    std::size_t rows(ArchiveKind kind) const
    {
        auto db = open();
        std::vector<std::int64_t> keys;
        std::size_t n = 0;
        (void)SelectArchiveKeys(*db, kind, 0, std::numeric_limits<std::int64_t>::max(), keys);
        for (const auto key : keys) {
            std::vector<ArchiveRow> rows;
            (void)SelectArchiveRange(*db, kind, key, 0, 1e6, rows);
            n += rows.size();
        }
        return n;
    }
    std::string scalar(const std::string& sql) const
    {
        std::string error;
        auto db = SqliteDatabase::open(data() / kDatabaseFile, SqliteDatabase::OpenMode::Existing, &error);
        Statement st = db->prepare(sql);
        return st.step() == Statement::Step::Row ? st.columnText(0) : "";
    }
    void exec(const std::string& sql) const
    {
        auto db = open();
        ASSERT_TRUE(db && db->execute(sql).ok()) << sql;
    }
    /// A fresh, empty database in place of the old one.
    void emptyDatabase()
    {
        if (m_server.empty()) {
            for (const char* suffix : {"", "-wal", "-shm"})
                std::filesystem::remove(data() / (std::string(kDatabaseFile) + suffix));
        } else {
            exec("DROP TABLE meranb, merane, arhivh, arhivd, arhivm, detail");
        }
        ASSERT_EQ(run("init"), 0) << err;
    }
    std::vector<SessionListing> sessions() const { return listSessions(data()); }

    std::string out, err;

private:
    std::string m_server;
    test::TempDir m_dir;
};

/// Starts a shell command without waiting for it; the command should `exec` the
/// program, so the pid is the program's own.
pid_t spawn(const std::string& command)
{
    std::string shell = "exec " + command;
    char* argv[] = {const_cast<char*>("/bin/sh"), const_cast<char*>("-c"), shell.data(), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv, environ) != 0)
        return -1;
    return pid;
}

int exitStatus(pid_t pid)
{
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string example(const char* name)
{
    return test::readFile(std::filesystem::path(KEST_SOURCE_DIR) / "data" / "sim" / name);
}

/// A read of `records` made in-process, in a folder of its own.
std::optional<SessionData> recordedSession(const std::string& records, std::string& error)
{
    const auto parsed = sim::ParseRecordFile(records, error);
    if (!parsed)
        return std::nullopt;
    const auto memory = sim::RegistrarMemory::build(*parsed, sim::LinkKind::Page, error);
    Home scratch;
    return memory ? sim::recordRead(*memory, sim::LinkKind::Page, scratch.data(), error) : std::nullopt;
}

/// Each link on each engine.
class StoreCommandTest : public ::testing::TestWithParam<std::tuple<const char*, const char*>>
{
protected:
    void SetUp() override { KEST_ENGINE_CONNECTION(std::get<1>(GetParam()), server); }
    std::string server;
};

TEST_P(StoreCommandTest, StoreRebuildsWhatTheReadStored)
{
    const std::string link = std::get<0>(GetParam());
    test::SimProcess sim(link, example(link == "page" ? "page-link.txt" : "request-link.txt"),
                         {"--bad-checksum", "1", "--noise", "1"});
    ASSERT_TRUE(sim.ready());
    Home home(sim.device(), "", server);
    // Marks and settlement values of the read's day, changed before the store.
    test::writeFile(home.data() / "KEST.INI", "[0412]\r\nAD01=90\r\nAH02=90\r\n");
    home.exec("INSERT INTO meranb VALUES (1042, 'Котельная', 12, 1, 1)");
    home.exec("INSERT INTO merane VALUES (1042, 10)");
    ASSERT_EQ(home.run("read"), 0) << home.out << home.err;
    const std::string readLog = home.out;
    // stderr is a file here: no progress line.
    EXPECT_EQ(home.err.find("Запись 1 из"), std::string::npos) << home.err;
    const std::string stored = home.dump();
    const auto sessions = home.sessions();
    ASSERT_EQ(sessions.size(), 1u);
    EXPECT_TRUE(sessions[0].stored);

    test::writeFile(home.data() / "KEST.INI", "");
    home.emptyDatabase();
    const std::string file = sessions[0].file.string();
    ASSERT_EQ(home.run("store " + file), 0) << home.err;
    EXPECT_EQ(home.out, readLog);
    EXPECT_EQ(home.dump(), stored);
    ASSERT_EQ(home.run("store " + file), 0) << home.err;
    EXPECT_EQ(home.dump(), stored);

    // The session served by kest-sim is read like the registrar it was recorded from.
    test::SimProcess replay(link, "", {"--session", file});
    ASSERT_TRUE(replay.ready());
    if (!server.empty())
        home.exec("DROP TABLE meranb, merane, arhivh, arhivd, arhivm, detail");
    Home again(replay.device(), "", server);
    again.exec("INSERT INTO meranb VALUES (1042, 'Котельная', 12, 1, 1)");
    again.exec("INSERT INTO merane VALUES (1042, 10)");
    test::writeFile(again.data() / "KEST.INI", "[0412]\r\nAD01=90\r\nAH02=90\r\n");
    ASSERT_EQ(again.run("read"), 0) << again.err;
    EXPECT_EQ(again.dump(), stored);
}

INSTANTIATE_TEST_SUITE_P(BothLinks,
                         StoreCommandTest,
                         ::testing::Combine(::testing::Values("page", "request"), ::testing::Values("file", "server")),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param)) + "_" + std::get<1>(info.param);
                         });

TEST(StoreCommandFaults, KilledStoreIsCompletedByTheNextOne)
{
    // Eight records of every archive: a storing pass long enough to be killed in.
    Home home;
    std::string records;
    std::istringstream full(sim::fullRegistrarRecordFile());
    for (std::string line; std::getline(full, line);) {
        if (line == "record" && std::count(records.begin(), records.end(), 'c') >= 8 * 2)
            break;
        records += line + "\n";
    }
    std::string error;
    const auto session = recordedSession(records, error);
    ASSERT_TRUE(session) << error;
    const auto file = saveSession(home.data(), *session, error);
    ASSERT_TRUE(file) << error;

    Home reference;
    const auto copy = reference.data() / "copy.kses";
    std::filesystem::copy_file(*file, copy);
    ASSERT_EQ(reference.run("store " + copy.string()), 0) << reference.err;
    const std::string expected = reference.dump();

    const pid_t pid = spawn(home.command("store " + file->string()) + " >/dev/null 2>&1");
    ASSERT_GT(pid, 0);
    // Killed once the first records are in.
    for (int i = 0; i < 2000 && home.scalar("SELECT count(*) FROM arhivh") == "0"; ++i)
        std::this_thread::sleep_for(2ms);
    kill(pid, SIGKILL);
    exitStatus(pid);
    EXPECT_FALSE(sessionStored(*file));
    const std::string killedAt = home.scalar("SELECT count(*) FROM arhivh");
    EXPECT_LT(std::stol(killedAt), std::stol(reference.scalar("SELECT count(*) FROM arhivh")));

    ASSERT_EQ(home.run("store " + file->string()), 0) << home.err;
    EXPECT_EQ(home.scalar("PRAGMA integrity_check"), "ok");
    EXPECT_EQ(home.dump(), expected);
    EXPECT_TRUE(sessionStored(*file));
}

TEST(StoreCommandFaults, DatabaseHeldByAnotherWriterKeepsTheReadForLater)
{
    test::SimProcess sim("page", example("page-link.txt"));
    ASSERT_TRUE(sim.ready());
    Home home(sim.device(), "DBWAIT=1\r\n");
    const std::filesystem::path out = home.data() / "read.out", err = home.data() / "read.err";
    const pid_t pid = spawn(home.command("read") + " >" + out.string() + " 2>" + err.string());
    ASSERT_GT(pid, 0);
    // Once the records are being read, another program takes the database for writing.
    for (int i = 0; i < 3000 && sim.trace().size() < 12; ++i)
        std::this_thread::sleep_for(5ms);
    std::string error;
    auto writer = SqliteDatabase::open(home.data() / kDatabaseFile, SqliteDatabase::OpenMode::Existing, &error);
    ASSERT_TRUE(writer && writer->execute("BEGIN IMMEDIATE").ok());
    ASSERT_EQ(exitStatus(pid), 1);
    ASSERT_TRUE(writer->execute("ROLLBACK").ok());
    writer.reset();

    const auto sessions = home.sessions();
    ASSERT_EQ(sessions.size(), 1u);
    EXPECT_FALSE(sessions[0].stored);
    const std::string hint = "kest store " + sessions[0].file.string();
    EXPECT_NE(test::readFile(err).find(hint), std::string::npos) << test::readFile(err);
    EXPECT_NE(test::readFile(out).find(hint), std::string::npos);
    EXPECT_EQ(home.scalar("SELECT count(*) FROM arhivh"), "0");

    ASSERT_EQ(home.run("store " + sessions[0].file.string()), 0) << home.err;
    EXPECT_NE(home.scalar("SELECT count(*) FROM arhivh"), "0");
    ASSERT_EQ(home.run("sessions"), 0);
    EXPECT_NE(home.out.find("страничная\t3\tда"), std::string::npos) << home.out;
}

TEST(StoreCommandFaults, DamagedSessionsStoreNothing)
{
    Home home;
    std::string error;
    const auto session = recordedSession(example("page-link.txt"), error);
    ASSERT_TRUE(session) << error;
    const std::string good = encodeSession(*session);

    std::vector<std::string> damaged = {good.substr(0, good.size() / 2), good.substr(0, 9)};
    // One flipped byte in each part's packed bytes: the parts follow the 10-byte
    // signature, each behind a 16-byte header that gives its packed length.
    for (std::size_t pos = 10; pos + 16 < good.size();) {
        std::uint32_t packed = 0;
        for (int i = 0; i < 4; ++i)
            packed |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(good[pos + 4 + i])) << (8 * i);
        std::string flipped = good;
        flipped[pos + 16 + packed / 2] ^= 0x01;
        damaged.push_back(flipped);
        pos += 16 + packed;
    }
    std::string future = good;
    future[8] = 7;
    damaged.push_back(future);
    ASSERT_EQ(damaged.size(), 7u);

    for (std::size_t i = 0; i < damaged.size(); ++i) {
        const auto file = home.data() / ("damaged" + std::to_string(i) + ".kses");
        test::writeFile(file, damaged[i]);
        EXPECT_EQ(home.run("store " + file.string()), 1) << i;
        EXPECT_NE(home.err.find(file.string()), std::string::npos) << home.err;
        EXPECT_EQ(home.out, "");
    }
    EXPECT_EQ(home.scalar("SELECT count(*) FROM meranb"), "0");
    EXPECT_EQ(home.run("store"), 1);
}

} // namespace
} // namespace kest

namespace kest {
namespace {

/// The first eight records of a full registrar: a store long enough to meet.
std::optional<SessionData> eightRecords(std::string& error)
{
    std::string records;
    std::istringstream full(sim::fullRegistrarRecordFile());
    for (std::string line; std::getline(full, line);) {
        if (line == "record" && std::count(records.begin(), records.end(), 'c') >= 8 * 2)
            break;
        records += line + "\n";
    }
    return recordedSession(records, error);
}

class ServerStoreTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        KEST_TEST_SERVER(server);
        std::string error;
        session = eightRecords(error);
        ASSERT_TRUE(session) << error;
        Home reference;
        const auto file = saveSession(reference.data(), *session, error);
        ASSERT_TRUE(file) << error;
        ASSERT_EQ(reference.run("store " + file->string()), 0) << reference.err;
        expected = reference.dump();
    }

    std::filesystem::path saved(const Home& home)
    {
        std::string error;
        const auto file = saveSession(home.data(), *session, error);
        EXPECT_TRUE(file) << error;
        return file.value_or("");
    }

    test::PgTestServer* server = nullptr;
    std::optional<SessionData> session;
    std::string expected;
};

TEST_F(ServerStoreTest, TwoDesksStoringTheSameReadAtOnceEndWithItsRows)
{
    const std::string archive = server->freshDatabase();
    Home first("", "", archive), second("", "", archive);
    const auto a = saved(first), b = saved(second);
    const pid_t p1 = spawn(first.command("store " + a.string()) + " >/dev/null 2>&1");
    const pid_t p2 = spawn(second.command("store " + b.string()) + " >/dev/null 2>&1");
    ASSERT_GT(p1, 0);
    ASSERT_GT(p2, 0);
    EXPECT_EQ(exitStatus(p1), 0);
    EXPECT_EQ(exitStatus(p2), 0);
    EXPECT_EQ(first.dump(), expected);
}

/// Hourly rows per controller as a reader sees them at one moment.
std::map<std::int64_t, std::size_t> hourlyRowsByController(ArchiveDatabase& db)
{
    std::map<std::int64_t, std::size_t> counts;
    std::vector<std::int64_t> keys;
    std::vector<ArchiveRow> rows;
    Transaction snapshot(db); // one moment for every archive read below
    (void)SelectArchiveKeys(db, ArchiveKind::Hourly, 0, std::numeric_limits<std::int64_t>::max(), keys);
    for (const auto key : keys) {
        (void)SelectArchiveRange(db, ArchiveKind::Hourly, key, 0, 1e6, rows);
        counts[key >> 12] += rows.size();
    }
    return counts;
}

TEST_F(ServerStoreTest, AReportDuringAStoreSeesWholeRecordsOnly)
{
    Home reference;
    const auto copy = saved(reference);
    ASSERT_EQ(reference.run("store " + copy.string()), 0) << reference.err;
    const auto whole = hourlyRowsByController(*reference.open());

    Home home("", "", server->freshDatabase());
    const auto file = saved(home);
    auto reader = home.open();
    (void)reader->execute("SET default_transaction_isolation TO 'repeatable read'");
    const pid_t pid = spawn(home.command("store " + file.string()) + " >/dev/null 2>&1");
    ASSERT_GT(pid, 0);
    int looks = 0;
    for (bool done = false; !done; ++looks) {
        done = waitpid(pid, nullptr, WNOHANG) == pid;
        for (const auto& [controller, rows] : hourlyRowsByController(*reader))
            ASSERT_EQ(rows, whole.at(controller)) << "controller " << controller << " seen half-stored";
    }
    EXPECT_GE(looks, 2);
    EXPECT_EQ(home.dump(), expected);
}

TEST_F(ServerStoreTest, AServerStoppedMidStoreKeepsTheReadForTheNextStore)
{
    Home home("", "", server->freshDatabase());
    const auto file = saved(home);
    const auto err = home.data() / "store.err";
    const pid_t pid = spawn(home.command("store " + file.string()) + " >/dev/null 2>" + err.string());
    ASSERT_GT(pid, 0);
    for (int i = 0; i < 5000 && home.rows(ArchiveKind::Hourly) == 0; ++i)
        std::this_thread::sleep_for(1ms);
    ASSERT_TRUE(server->stopImmediately());
    EXPECT_EQ(exitStatus(pid), 1);
    ASSERT_TRUE(server->start());
    EXPECT_NE(test::readFile(err).find("kest store " + file.string()), std::string::npos) << test::readFile(err);
    EXPECT_FALSE(sessionStored(file));

    ASSERT_EQ(home.run("store " + file.string()), 0) << home.err;
    EXPECT_EQ(home.dump(), expected);
    EXPECT_TRUE(sessionStored(file));
}

TEST_F(ServerStoreTest, ADeskThatMayOnlyReadStoresNothingAndNamesTheSession)
{
    const std::string archive = server->freshDatabase();
    const std::string dbname = archive.substr(archive.find("dbname=") + 7, archive.find(" user") - archive.find("dbname=") - 7);
    Home owner("", "", archive);
    (void)server->run(dbname, "CREATE ROLE reader LOGIN");
    ASSERT_EQ(server->run(dbname, "GRANT SELECT ON ALL TABLES IN SCHEMA public TO reader"), "");

    Home reader("", "", server->connection(dbname, "reader"));
    const auto file = saved(reader);
    EXPECT_EQ(reader.run("store " + file.string()), 1);
    EXPECT_NE(reader.err.find(exchangeMessage(kStatusDatabase)), std::string::npos) << reader.err;
    EXPECT_NE(reader.err.find("permission denied"), std::string::npos) << "the server's own reason";
    EXPECT_NE(reader.err.find(file.string()), std::string::npos) << reader.err;
    EXPECT_FALSE(sessionStored(file));
    EXPECT_EQ(owner.rows(ArchiveKind::Hourly), 0u);
}

} // namespace
} // namespace kest
