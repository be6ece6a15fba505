#include "common/EventPump.h"
#include "common/ExchangeLog.h"
#include "common/Prompter.h"
#include "db/ArchiveTables.h"
#include "exchange/CatalogReader.h"
#include "exchange/Connection.h"
#include "link/SimProcess.h"
#include "link/StopAtPump.h"
#include "link/TermiosPort.h"
#include "registrar/Catalog.h"
#include "registrar/RegistrarImage.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace kest::test {
namespace {

std::string exampleFile(const std::string& name)
{
    return readFile(std::filesystem::path(KEST_SOURCE_DIR) / "data/sim" / name);
}

/// The real termios port on the simulator's pty, with small pauses and attempts.
class LinkEndToEndTest : public ::testing::Test
{
protected:
    LinkEndToEndTest()
        : link(port, clock), pump(state),
          ctx{link,   state, pump, log, prompter, catalog, image, clock, 1, 0, data.path().string() + "/",
              nullptr}
    {
        link.Timing = {1, 10};
        std::string error;
        database = OpenArchiveDatabase(data.path(), true, &error);
    }
    ~LinkEndToEndTest() override { link.ClosePort(); }

    /// Opens the page link directly, as a connection would leave it, without the
    /// two seconds of a failing probe.
    void openPageLink(const SimProcess& sim)
    {
        link.PageLink = 1;
        ASSERT_TRUE(link.OpenPort(sim.device(), 5));
    }

    std::vector<std::string> controllers()
    {
        std::vector<ControllerRow> rows;
        EXPECT_TRUE(SelectAllControllers(*database, rows).ok());
        std::vector<std::string> out;
        for (const auto& r : rows)
            out.push_back(std::to_string(r.scode) + "|" + r.sname + "|" + std::to_string(r.rhour) + "|" +
                          std::to_string(r.rday) + "|" + std::to_string(r.avans) + "|" +
                          std::to_string(SelectIntervalMinutes(*database, r.scode)));
        return out;
    }

    TempDir data;
    std::unique_ptr<ArchiveDatabase> database;
    SystemClock clock;
    TermiosPort port;
    RegistrarLink link;
    ExchangeState state;
    StopAtPump pump;
    MemoryExchangeLog log;
    MemoryPrompter prompter;
    Catalog catalog;
    RegistrarImage image;
    ExchangeContext ctx;
};

TEST_F(LinkEndToEndTest, ConnectsOverTheRequestLink)
{
    SimProcess sim("request", exampleFile("request-link.txt"));
    ASSERT_TRUE(sim.ready());
    EXPECT_TRUE(EstablishConnection(ctx, sim.device()));
    EXPECT_EQ(state.ExchangeStatus, kStatusOk);
    EXPECT_EQ(link.PageLink, 0);
    EXPECT_EQ(log.lines, (std::vector<std::string>{"Запись №1 МЕРАН: 0412", "Запись №2 МЕРАН: 1A2F",
                                                   "Запись №3 МЕРАН: 00C8", "** Каталог считан **"}));
    // The slot of state 01 was skipped: entry 2 is the record after it, read from
    // memory area 2 with its own time stamp.
    EXPECT_EQ(catalog.count, 3);
    EXPECT_EQ(catalog.entry(2).controllerText(), "1A2F");
    EXPECT_EQ(catalog.entry(2).bytes[8], 0);
    EXPECT_EQ(formatDate(image.record(2).RecordTime), "05.03.2024");
    EXPECT_EQ(image.record(2).RecordYear, 2024);
    const auto trace = sim.trace();
    EXPECT_NE(std::find(trace.begin(), trace.end(), "read2 0000 8"), trace.end());
    // The end slot lies in the first half, so the second half is never asked for.
    EXPECT_EQ(std::count(trace.begin(), trace.end(), "read3 FF80 128"), 0);
    EXPECT_EQ(controllers(), (std::vector<std::string>{"200| |0|1|0|5", "1042| |0|1|0|5", "6703| |0|1|0|5"}));
}

TEST_F(LinkEndToEndTest, ConnectsOverThePageLinkAfterTheProbeFails)
{
    SimProcess sim("page", exampleFile("page-link.txt"));
    ASSERT_TRUE(sim.ready());
    ctx.recordLimit = 1; // left from a registrar with fewer records
    EXPECT_TRUE(EstablishConnection(ctx, sim.device()));
    EXPECT_EQ(ctx.recordLimit, 3);
    EXPECT_EQ(passRecordCount(ctx), 3);
    EXPECT_EQ(state.ExchangeStatus, kStatusOk);
    EXPECT_EQ(link.PageLink, 1);
    EXPECT_EQ(link.CurrentSpeedIndex, 5);
    EXPECT_EQ(log.lines, (std::vector<std::string>{"Запись №1 МЕРАН: 0412 Дата: 31.12.2007 23:59:00",
                                                   "Запись №2 МЕРАН: 1A2F Дата: 05.03.2024",
                                                   "Запись №3 МЕРАН: 00C8 Дата: 15.06.2025 8:30:00",
                                                   "** Каталог считан **"}));
    EXPECT_EQ(catalog.entry(1).bytes[10], 3); // hourly archives of the first record
    EXPECT_EQ(image.record(1).RecordYear, 2007);
    EXPECT_EQ(controllers().size(), 3u);
}

TEST_F(LinkEndToEndTest, EmptyRegistrar)
{
    SimProcess sim("page", "# nothing recorded yet\n");
    ASSERT_TRUE(sim.ready());
    openPageLink(sim);
    EXPECT_EQ(ReadCatalogCommand(ctx), kStatusOk);
    EXPECT_EQ(catalog.count, 0);
    EXPECT_EQ(log.lines,
              (std::vector<std::string>{"Регистратор пуст", "Конец обмена", "** Каталог считан **"}));
    EXPECT_EQ(sim.trace(), std::vector<std::string>{"page 0000"});
}

TEST_F(LinkEndToEndTest, SixteenRecordsReadTheSecondHalfForItsEndSlot)
{
    SimProcess sim("page", plainRecords(16));
    ASSERT_TRUE(sim.ready());
    openPageLink(sim);
    EXPECT_EQ(ReadCatalogCommand(ctx), kStatusOk);
    EXPECT_EQ(catalog.count, 16);
    const auto trace = sim.trace();
    EXPECT_EQ(std::count(trace.begin(), trace.end(), "page 0001"), 1);
    EXPECT_EQ(trace.size(), 2u + 16u);
    EXPECT_EQ(log.lines[15], "Запись №16 МЕРАН: 0110 Дата: 16.01.2026 10:26:00");
}

TEST_F(LinkEndToEndTest, ThirtyTwoRecordsNeedNoThirdCatalogRequest)
{
    SimProcess sim("request", plainRecords(32));
    ASSERT_TRUE(sim.ready());
    link.PageLink = 0;
    ASSERT_TRUE(link.OpenPort(sim.device(), 3));
    EXPECT_EQ(ReadCatalogCommand(ctx), kStatusOk);
    EXPECT_EQ(catalog.count, 32);
    const auto trace = sim.trace();
    const auto catalogReads = std::count_if(trace.begin(), trace.end(),
                                            [](const std::string& l) { return l.rfind("read3 FF", 0) == 0; });
    EXPECT_EQ(catalogReads, 2);
    EXPECT_EQ(catalog.entry(32).controllerText(), "0120");
    EXPECT_EQ(controllers().size(), 32u);
}

TEST_F(LinkEndToEndTest, RecordsWithBrokenDatesAreRefusedAndTheirEntryReused)
{
    SimProcess sim("request", "record\ncontroller 0A01\ntime 01.02.2026 00:00\n"
                              "record\ncontroller 0A02\ntime 05.00.2026 10:00\n"
                              "record\ncontroller 0A04\ntime 31.02.2026 10:00\n"
                              "record\ncontroller 0A03\ntime 03.02.2026 00:00\n");
    ASSERT_TRUE(sim.ready());
    link.PageLink = 0;
    ASSERT_TRUE(link.OpenPort(sim.device(), 3));
    EXPECT_EQ(ReadCatalogCommand(ctx), kStatusOk);
    // A date that cannot exist is refused like an empty one instead of ending the read.
    EXPECT_EQ(prompter.errors,
              (std::vector<std::string>{invalidDateMessage("0A02"), invalidDateMessage("0A04")}));
    EXPECT_EQ(prompter.errors[0],
              "В кесте-ригистраторе запись МЕРАНа №0A02 имеет неверную дату (нулевой год, "
              "или нулевое число, или нулевой месяц). ");
    EXPECT_EQ(catalog.count, 2);
    EXPECT_EQ(catalog.entry(2).controllerText(), "0A03");
    EXPECT_EQ(formatDate(image.record(2).RecordTime), "03.02.2026");
    EXPECT_EQ(catalog.entry(3).ControllerCode(), 0);
    EXPECT_EQ(controllers().size(), 2u);
}

TEST_F(LinkEndToEndTest, KnownControllerKeepsItsRows)
{
    ASSERT_TRUE(database
                    ->execute("INSERT INTO meranb VALUES (1042, 'Котельная 3', 8, 25, 1);"
                              "INSERT INTO merane VALUES (1042, 30);")
                    .ok());
    SimProcess sim("request", "record\ncontroller 0412\ntime 01.02.2026 00:00\n"
                              "record\ncontroller 0413\ntime 01.02.2026 00:00\n");
    ASSERT_TRUE(sim.ready());
    link.PageLink = 0;
    ASSERT_TRUE(link.OpenPort(sim.device(), 3));
    EXPECT_EQ(ReadCatalogCommand(ctx), kStatusOk);
    EXPECT_EQ(controllers(), (std::vector<std::string>{"1042|Котельная 3|8|25|1|30", "1043| |0|1|0|5"}));
}

TEST_F(LinkEndToEndTest, MissingTablesGiveMessage43Once)
{
    ctx.databasePath = (data.path() / "nowhere").string() + "/";
    SimProcess sim("request", plainRecords(2));
    ASSERT_TRUE(sim.ready());
    link.PageLink = 0;
    ASSERT_TRUE(link.OpenPort(sim.device(), 3));
    EXPECT_EQ(ReadCatalogCommand(ctx), kStatusDatabase);
    EXPECT_EQ(catalog.count, 2);
    EXPECT_EQ(prompter.errors, std::vector<std::string>{exchangeMessage(kStatusDatabase)});
    EXPECT_EQ(log.lines.back(), "** Конец обмена **");
    EXPECT_EQ(std::count(log.lines.begin(), log.lines.end(), "** Конец обмена **"), 1);
}

TEST_F(LinkEndToEndTest, StopDuringTheCatalog)
{
    SimProcess sim("page", plainRecords(5));
    ASSERT_TRUE(sim.ready());
    openPageLink(sim);
    pump.stopAt = 6; // during the second record's time stamp
    EXPECT_EQ(ReadCatalogCommand(ctx), kStatusStopped);
    EXPECT_TRUE(state.StopRequested);
    EXPECT_EQ(log.lines.back(), "** Конец обмена **");
    EXPECT_EQ(log.lines[log.lines.size() - 2], "   Чтение/запись прервано пользователем.");
    EXPECT_LT(sim.trace().size(), 7u);
    EXPECT_TRUE(controllers().empty());
}

TEST_F(LinkEndToEndTest, BadRepliesAreRepeatedOrReported)
{
    struct Case
    {
        const char* link;
        std::vector<std::string> faults;
        int attempts;
        int status;
    };
    for (const Case& c : {Case{"request", {"--bad-checksum", "1"}, 2, kStatusOk},
                          Case{"request", {"--bad-checksum", "1"}, 1, kStatusReceiveChecksum},
                          Case{"request", {"--noise", "3"}, 1, kStatusOk},
                          Case{"request", {"--reject", "1"}, 1, kStatusSendChecksum},
                          Case{"page", {"--drop-byte", "1"}, 1, kStatusNoAnswer},
                          Case{"page", {"--bad-checksum", "1"}, 1, kStatusReceiveChecksum},
                          Case{"page", {"--bad-checksum", "1"}, 2, kStatusOk},
                          Case{"request", {"--gone-after", "1"}, 1, kStatusNoAnswer}}) {
        SimProcess sim(c.link, plainRecords(1), c.faults);
        ASSERT_TRUE(sim.ready());
        link.PageLink = std::string(c.link) == "page" ? 1 : 0;
        ASSERT_TRUE(link.OpenPort(sim.device(), link.PageLink == 1 ? 5 : 3));
        link.Timing = {c.attempts, 10};
        log.lines.clear();
        EXPECT_EQ(ReadCatalogCommand(ctx), c.status) << c.link << " " << c.faults[0] << " " << c.attempts;
        if (c.status != kStatusOk)
            EXPECT_EQ(log.lines, (std::vector<std::string>{exchangeLogLine(c.status), "** Конец обмена **"}));
        else
            EXPECT_EQ(catalog.count, 1);
        link.ClosePort();
    }
}

TEST(ConnectCommandTest, PrintsTheLogAndExitsByStatus)
{
    SimProcess sim("request", exampleFile("request-link.txt"));
    ASSERT_TRUE(sim.ready());
    TempDir home;
    writeFile(home / "NN.INI", "[TIME]\r\nKOLP=1\r\nTWORK=1\r\nRS-232=" + sim.device() +
                                   "\r\nPUT=" + home.path().string() + "\r\n");
    const std::string kest = std::string(KEST_BIN) + " --home '" + home.path().string() + "' ";
    ASSERT_EQ(runCommand(kest + "init"), 0);
    std::string out, err;
    EXPECT_EQ(runCommand(kest + "connect", &out, &err), 0) << err;
    EXPECT_EQ(out,
              "Запись №1 МЕРАН: 0412\nЗапись №2 МЕРАН: 1A2F\nЗапись №3 МЕРАН: 00C8\n** Каталог считан **\n");
    EXPECT_EQ(err, "");

    writeFile(home / "NN.INI", "[TIME]\r\nRS-232=/nonexistent/tty\r\nPUT=" + home.path().string() + "\r\n");
    EXPECT_EQ(runCommand(kest + "connect", &out, &err), 1);
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "Неверный номер СОМ-порта /nonexistent/tty (No such file or directory)\n");
}

TEST(ConnectCommandTest, EveryFailureSaysWhyOnStderr)
{
    TempDir home;
    const std::string kest = std::string(KEST_BIN) + " --home '" + home.path().string() + "' connect";
    const auto settings = [&](const std::string& device) {
        writeFile(home / "NN.INI", "[TIME]\r\nKOLP=1\r\nTWORK=1\r\nRS-232=" + device +
                                       "\r\nPUT=" + home.path().string() + "\r\n");
    };
    std::string out, err;
    settings("/dev/null");
    ASSERT_EQ(runCommand(std::string(KEST_BIN) + " --home '" + home.path().string() + "' init"), 0);

    // A line with nothing attached: the probe and the page read find silence.
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_TRUE(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0);
    settings(ptsname(master));
    EXPECT_EQ(runCommand(kest, &out, &err), 1);
    EXPECT_EQ(err, "Нет ответа от регистратора\n");
    ::close(master);

    // Another kest holds the line. Root is not bound by the tty's exclusive mode, so
    // only the lock can keep a second reader off; it is refused at once.
    SimProcess sim("request", exampleFile("request-link.txt"));
    ASSERT_TRUE(sim.ready());
    settings(sim.device());
    TermiosPort holder;
    ASSERT_TRUE(holder.open(sim.device()));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(runCommand(kest, &out, &err), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
    EXPECT_EQ(err, "СОМ-порт " + sim.device() + " занят другой программой\n");
    EXPECT_EQ(out, "");
    EXPECT_TRUE(sim.trace().empty()) << "nothing was sent on the held line";
    TermiosPort second;
    EXPECT_FALSE(second.open(sim.device()));
    EXPECT_TRUE(second.openBusy());

    // Released, the line is free again.
    holder.close();
    EXPECT_EQ(runCommand(kest, &out, &err), 0) << err;
}

TEST(ConnectCommandTest, CtrlCDuringTheCatalogActsAsStop)
{
    // Paced at 2400 baud, the catalog's 129 bytes take about 0.6 s: time to press Ctrl+C.
    SimProcess sim("request", plainRecords(3), {"--pace"});
    ASSERT_TRUE(sim.ready());
    TempDir home;
    writeFile(home / "NN.INI",
              "[TIME]\r\nKOLP=1\r\nRS-232=" + sim.device() + "\r\nPUT=" + home.path().string() + "\r\n");
    const pid_t kest = fork();
    if (kest == 0) {
        const int out = ::open((home / "out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, STDOUT_FILENO);
        execl(KEST_BIN, KEST_BIN, "--home", home.path().c_str(), "connect", static_cast<char*>(nullptr));
        _exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
        const auto trace = sim.trace();
        if (std::find(trace.begin(), trace.end(), "read3 FF00 128") != trace.end())
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    kill(kest, SIGINT);
    int status = 0;
    waitpid(kest, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(readFile(home / "out"), "   Чтение/запись прервано пользователем.\n** Конец обмена **\n");
}

} // namespace
} // namespace kest::test
