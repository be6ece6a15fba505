#include "events/EventArchive.h"

#include "TestSupport.h"
#include "db/ArchiveTables.h"

#include <gtest/gtest.h>

namespace kest {
namespace {

TEST(EventArchiveTest, ListsTheControllersOfTheDatabase)
{
    test::TempDir dir;
    {
        std::string error;
        auto db = OpenArchiveDatabase(dir.path(), true, &error);
        ASSERT_TRUE(db) << error;
        for (std::int64_t code : {0x1A2F, 0x0000, 0x00B1})
            ASSERT_TRUE(EnsureControllerRows(*db, code).ok());
        ASSERT_TRUE(UpdateControllerName(*db, 0x1A2F, "Котельная №2").ok());
    }
    const EventGrid list = LoadEventGrid(dir.path());
    EXPECT_FALSE(list.EventListFailed);
    ASSERT_EQ(list.rows.size(), 3u);
    EXPECT_EQ(list.rows[0].code, "...");
    EXPECT_EQ(list.rows[1].code, "00B1");
    EXPECT_EQ(list.rows[2].name, "Котельная №2");
    EXPECT_EQ(list.rows[2].code, "1A2F");
}

// An absent database is a failure, and reading the list never creates one.
TEST(EventArchiveTest, MissingOrBrokenDatabaseFails)
{
    test::TempDir dir;
    EventGrid list = LoadEventGrid(dir.path());
    EXPECT_TRUE(list.EventListFailed);
    EXPECT_TRUE(list.rows.empty());
    EXPECT_FALSE(std::filesystem::exists(dir / kDatabaseFile));

    test::writeFile(dir / kDatabaseFile, "this is no database at all, just some text");
    list = LoadEventGrid(dir.path());
    EXPECT_TRUE(list.EventListFailed);
    EXPECT_FALSE(list.message.empty());
}

TEST(EventArchiveTest, PeriodRunsFromTodayToTomorrow)
{
    const DateTime now = *encodeDateTime(2026, 12, 31, 17, 45);
    const ReportPeriod period = eventPeriod(now, 5);
    EXPECT_EQ(period.startDate, *encodeDateTime(2026, 12, 31));
    EXPECT_EQ(period.endDate, *encodeDateTime(2027, 1, 1));
    EXPECT_EQ(eventPeriodCaption(period), "c 5 часов 31.12.2026 г. по 5 час 01.01.2027 г.");
    EXPECT_EQ(eventPeriodCaption(eventPeriod(now, 0)), "c 0 часов 31.12.2026 г. по 0 часов 01.01.2027 г.");
}

} // namespace
} // namespace kest
