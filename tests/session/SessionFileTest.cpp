#include "session/SessionFile.h"

#include "RecordFile.h"
#include "SessionMaker.h"
#include "TestSupport.h"
#include "common/EventPump.h"
#include "common/ExchangeLog.h"
#include "common/Prompter.h"
#include "db/ArchiveTables.h"
#include "registrar/RegistrarImage.h"
#include "session/SessionFolder.h"
#include "session/SessionRun.h"

#include <gtest/gtest.h>

namespace kest {
namespace {

const char* kRecords = R"(record
controller 0412
time 15.03.2026 10:00
hourly 1 ramp 1 1
daily 3 ramp 30 1
record
controller 1A2F
time 05.03.2024 00:00
hourly 2 counter ramp 1000000 1
)";

/// A real recorded read of two records, made in-process.
SessionData smallSession(sim::LinkKind link, const test::TempDir& dir)
{
    std::string error;
    EXPECT_TRUE(OpenArchiveDatabase(dir.path(), true, &error)) << error;
    const auto records = sim::ParseRecordFile(kRecords, error);
    const auto memory = sim::RegistrarMemory::build(*records, link, error);
    auto session = sim::recordRead(*memory, link, dir.path(), error);
    EXPECT_TRUE(session) << error;
    return session ? *session : SessionData{};
}

/// Where each part's packed bytes start and how long they are.
std::vector<std::pair<std::size_t, std::size_t>> partsOf(const std::string& file)
{
    std::vector<std::pair<std::size_t, std::size_t>> parts;
    std::size_t pos = 10;
    while (pos + 16 <= file.size()) {
        std::uint32_t packed = 0;
        for (int i = 0; i < 4; ++i)
            packed |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(file[pos + 4 + i])) << (8 * i);
        parts.emplace_back(pos + 16, packed);
        pos += 16 + packed;
    }
    return parts;
}

/// Runs the readers over the recorded exchanges, as `kest store` does: "" when the
/// replay went through, else why not; `diverged` tells whether the readers asked for
/// other bytes than the read did.
std::string replay(const SessionData& s, const test::TempDir& dir, bool* diverged = nullptr)
{
    ReplayClock clock;
    ReplayPort port(s.exchanges, clock);
    RegistrarLink link(port, clock);
    ExchangeState state;
    NullEventPump pump;
    MemoryExchangeLog log;
    MemoryPrompter prompter;
    Catalog catalog;
    RegistrarImage image;
    ExchangeContext ctx{
        link, state, pump, log, prompter, catalog, image, clock, 3, 3, dir.path().string() + "/"};
    prepareReplay(ctx, s);
    PassState pass;
    std::string result = replayRead(ctx, pass, "Com2", s, port);
    if (diverged)
        *diverged = port.diverged();
    return result;
}

TEST(SessionFileTest, KeepsEverythingTheReadersNeed)
{
    test::TempDir dir;
    const SessionData s = smallSession(sim::LinkKind::Page, dir);
    ASSERT_EQ(s.catalog.count, 2);
    std::string error;
    const auto back = decodeSession(encodeSession(s), error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(back->started, s.started);
    EXPECT_EQ(back->pageLink, 1);
    EXPECT_EQ(back->exchanges, s.exchanges);
    EXPECT_EQ(back->inputs.records, 2);
    EXPECT_EQ(back->inputs.values[1].code, 0x1A2F);
    EXPECT_EQ(back->tries, s.tries);
    for (int i = 1; i <= 2; ++i)
        EXPECT_EQ(back->catalog.entry(i).bytes, s.catalog.entry(i).bytes);

    const auto summary = decodeSessionSummary(encodeSession(s), error);
    ASSERT_TRUE(summary) << error;
    EXPECT_EQ(summary->records, 2);
    EXPECT_EQ(summary->controllers, "0412,1A2F");

    // A read that starts with the reading pass keeps its record counter; the
    // others have none.
    SessionData pass = s;
    pass.start = SessionStart::ReadingPass;
    pass.recordLimit = 1;
    const auto passBack = decodeSession(encodeSession(pass), error);
    ASSERT_TRUE(passBack) << error;
    EXPECT_EQ(passBack->start, SessionStart::ReadingPass);
    EXPECT_EQ(passBack->recordLimit, 1);
    EXPECT_EQ(back->recordLimit, 0);
}

TEST(SessionFileTest, RefusesEveryTruncationAndEveryDamagedPart)
{
    test::TempDir dir;
    const std::string file = encodeSession(smallSession(sim::LinkKind::Request, dir));
    std::string error;
    for (std::size_t n = 0; n < file.size(); ++n)
        EXPECT_FALSE(decodeSession(std::string_view(file).substr(0, n), error)) << "cut at " << n;

    const auto parts = partsOf(file);
    ASSERT_EQ(parts.size(), 4u);
    const char* names[] = {"HEAD", "CATL", "INPT", "LINK"};
    for (std::size_t p = 0; p < parts.size(); ++p) {
        // A flipped byte in the middle of the packed bytes, and one in the header's CRC.
        for (std::size_t at : {parts[p].first + parts[p].second / 2, parts[p].first - 1}) {
            std::string damaged = file;
            damaged[at] = static_cast<char>(damaged[at] ^ 0x10);
            EXPECT_FALSE(decodeSession(damaged, error)) << names[p];
            EXPECT_NE(error.find(names[p]), std::string::npos) << error;
        }
    }
    std::string future = file;
    future[8] = 2;
    EXPECT_FALSE(decodeSession(future, error));
    EXPECT_NE(error.find("версии 2"), std::string::npos) << error;
    EXPECT_FALSE(decodeSession(file + "x", error));
}

TEST(SessionFileTest, ReplayThatAsksForOtherBytesIsCaught)
{
    test::TempDir dir;
    SessionData s = smallSession(sim::LinkKind::Page, dir);
    // The last page request of the read asks for another page.
    const std::size_t last = s.exchanges.rfind(std::string("W\x04\x00\x00\x00\x02", 6));
    ASSERT_NE(last, std::string::npos);
    s.exchanges[last + 7] = static_cast<char>(s.exchanges[last + 7] + 1);

    bool diverged = false;
    EXPECT_FALSE(replay(s, dir, &diverged).empty());
    EXPECT_TRUE(diverged);
}

/// Every read that brought nothing (the probe's time-outs) now took `us`.
std::string withEmptyReadsTaking(std::string events, std::uint32_t us)
{
    for (std::size_t pos = 0; pos < events.size();) {
        const char kind = events[pos];
        const std::size_t length = pos + (kind == 'R' ? 5 : 1);
        std::uint32_t n = 0;
        for (int i = 0; i < 4; ++i)
            n |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(events[length + i])) << (8 * i);
        if (kind == 'R' && n == 0) {
            for (int i = 0; i < 4; ++i)
                events[pos + 1 + i] = static_cast<char>(us >> (8 * i));
        }
        pos = length + 4 + n;
    }
    return events;
}

// The probe waits 1.728 s in reads of 100 ms: a line that answered its time-outs a
// little sooner or later than on the read runs one read more or less on the replay.
TEST(SessionFileTest, ReplayToleratesTimeOutsThatEndOneReadApart)
{
    test::TempDir dir;
    const SessionData recorded = smallSession(sim::LinkKind::Page, dir);
    for (std::uint32_t us : {94'000u, 106'000u}) {
        SessionData s = recorded;
        s.exchanges = withEmptyReadsTaking(s.exchanges, us);
        EXPECT_EQ(replay(s, dir), "") << us;
    }
}

TEST(SessionFolderTest, OldestStoredGoFirstAndUnstoredStay)
{
    test::TempDir dir;
    SessionData s;
    std::vector<std::filesystem::path> files;
    std::string error;
    for (const char* when : {"2026-01-01 10:00:00", "2026-01-02 10:00:00", "2026-01-03 10:00:00",
                             "2026-01-03 10:00:00", "2026-01-04 10:00:00"}) {
        s.started = when;
        const auto file = saveSession(dir.path(), s, error);
        ASSERT_TRUE(file) << error;
        files.push_back(*file);
    }
    EXPECT_EQ(files[3].filename(), "2026-01-03_10-00-00_2.kses");
    // The oldest was never stored; the rest were.
    for (std::size_t i = 1; i < files.size(); ++i)
        ASSERT_EQ(markSessionStored(files[i], 46000), "");

    const auto removed = pruneSessions(dir.path(), 3);
    ASSERT_EQ(removed.size(), 2u);
    EXPECT_EQ(removed[0], files[1]);
    EXPECT_EQ(removed[1], files[2]);
    const auto left = listSessions(dir.path());
    ASSERT_EQ(left.size(), 3u);
    EXPECT_EQ(left[0].file, files[0]);
    EXPECT_FALSE(left[0].stored);
    EXPECT_EQ(left[1].file, files[3]);
    EXPECT_FALSE(std::filesystem::exists(storedMarkOf(files[1])));

    // A session never stored stays, even when it is the oldest and the bound is 1.
    EXPECT_EQ(pruneSessions(dir.path(), 1).size(), 2u);
    const auto last = listSessions(dir.path());
    ASSERT_EQ(last.size(), 1u);
    EXPECT_EQ(last[0].file, files[0]);
}

} // namespace
} // namespace kest
