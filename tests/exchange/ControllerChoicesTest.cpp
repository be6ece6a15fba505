#include "exchange/ControllerChoices.h"

#include "TestSupport.h"
#include "db/ArchiveTables.h"
#include "exchange/FakeExchange.h"

#include <gtest/gtest.h>

namespace kest {
namespace {

class ControllerChoicesTest : public ::testing::Test, protected test::FakeExchange
{
protected:
    ControllerChoicesTest() { ctx.databasePath = dir.path().string() + "/"; }

    void addControllers()
    {
        std::string error;
        auto db = OpenArchiveDatabase(dir.path(), true, &error);
        ASSERT_TRUE(db) << error;
        for (std::int64_t code : {0x1A2F, 0x0000, 0x0412})
            ASSERT_TRUE(EnsureControllerRows(*db, code).ok());
        ASSERT_TRUE(UpdateControllerName(*db, 0x0412, "Котельная №2").ok());
    }

    test::TempDir dir;
};

TEST_F(ControllerChoicesTest, ListsEveryControllerAfterNo)
{
    addControllers();
    EXPECT_EQ(ControllerChoiceList(ctx),
              (std::vector<std::string>{"нет", "  (0000)", "Котельная №2 (0412)", "  (1A2F)"}));
    const EventControllerList events = EventControllerRows(ctx, false);
    EXPECT_FALSE(events.EventListFailed);
    ASSERT_EQ(events.rows.size(), 3u);
    EXPECT_EQ(events.rows[0].code, "...");
    EXPECT_EQ(events.rows[1].name, "Котельная №2");
    EXPECT_EQ(events.rows[1].code, "0412");
    EXPECT_TRUE(prompter.errors.empty());
    EXPECT_EQ(state.ExchangeStatus, kStatusOk);
}

TEST_F(ControllerChoicesTest, AMissingDatabaseIsReportedAndItsCodeStays)
{
    const std::string expected43 = exchangeMessage(kStatusDatabase);
    EXPECT_EQ(ControllerChoiceList(ctx), std::vector<std::string>{"нет"});
    EXPECT_EQ(state.ExchangeStatus, kStatusDatabase);
    EXPECT_EQ(log.lines, std::vector<std::string>{exchangeLogLine(kStatusDatabase)});
    EXPECT_EQ(prompter.errors, std::vector<std::string>{expected43});

    // The tables are there now, but the 43 of the failure is not cleared here.
    addControllers();
    EXPECT_EQ(ControllerChoiceList(ctx), std::vector<std::string>{"нет"});
    EXPECT_EQ(prompter.errors.size(), 1u);

    // The event grid reads anew; quiet, it shows no box.
    EXPECT_FALSE(EventControllerRows(ctx, true).EventListFailed);
    test::TempDir empty;
    ctx.databasePath = empty.path().string() + "/";
    const EventControllerList failed = EventControllerRows(ctx, true);
    EXPECT_TRUE(failed.EventListFailed);
    EXPECT_TRUE(failed.rows.empty());
    EXPECT_EQ(prompter.errors.size(), 1u);
    EXPECT_TRUE(EventControllerRows(ctx, false).EventListFailed);
    EXPECT_EQ(prompter.errors.size(), 2u);
}

} // namespace
} // namespace kest
