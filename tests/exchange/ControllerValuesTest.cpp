#include "exchange/ControllerValues.h"

#include "FakeExchange.h"
#include "TestSupport.h"
#include "db/ArchiveTables.h"
#include "exchange/ControllerList.h"

#include <gtest/gtest.h>

namespace kest {
namespace {

/// Two controllers in the catalog and in a fresh database.
struct ControllerHome
{
    ControllerHome() : fake(1, 1, dir.path().string() + "/")
    {
        std::string error;
        auto db = OpenArchiveDatabase(fake.ctx.databasePath, true, &error);
        for (int i : {1, 2}) {
            CatalogEntry& e = fake.catalog.entry(i);
            e.bytes[6] = 0x04;
            e.bytes[7] = static_cast<std::uint8_t>(0x10 + i);
            EXPECT_TRUE(EnsureControllerRows(*db, e.ControllerCode()).ok());
        }
        fake.catalog.count = 2;
    }
    std::unique_ptr<ArchiveDatabase> db() const
    {
        std::string error;
        return OpenArchiveDatabase(fake.ctx.databasePath, false, &error);
    }

    test::TempDir dir;
    test::FakeExchange fake;
};

TEST(ControllerValuesTest, ListTimeShowsHoursAndMinutes)
{
    EXPECT_EQ(listTimeText(*encodeDateTime(2026, 1, 5, 10, 7, 30)), "10:07");
    EXPECT_EQ(listTimeText(*encodeDateTime(2026, 1, 5, 9, 5)), "9:05");
    EXPECT_EQ(limitedRecordCount(5, 0), 5);
    EXPECT_EQ(limitedRecordCount(5, 2), 2);
    EXPECT_EQ(limitedRecordCount(5, 9), 5);
}

TEST(ControllerValuesTest, SettlementValuesGoToTheLimitedRecords)
{
    ControllerHome home;
    for (int i : {1, 2}) {
        ImageRecord& r = home.fake.image.record(i);
        r.rhour = 7 + i;
        r.rday = 20 + i;
        r.avans = 1;
        r.smin = 0;
    }
    StoreSettlementValues(home.fake.ctx, limitedRecordCount(2, 1));
    const auto first = SelectController(*home.db(), 0x0411);
    EXPECT_EQ(first->rhour, 8);
    EXPECT_EQ(first->rday, 21);
    EXPECT_EQ(first->avans, 1);
    EXPECT_EQ(SelectIntervalMinutes(*home.db(), 0x0411), 5);
    EXPECT_EQ(SelectController(*home.db(), 0x0412)->rhour, 0); // past the record counter
}

TEST(ControllerValuesTest, AMissingDatabaseIsReportedOnce)
{
    ControllerHome home;
    std::filesystem::remove(home.dir / kDatabaseFile);
    StoreSettlementValues(home.fake.ctx, 2);
    StoreControllerName(home.fake.ctx, 0x0411, "A");
    EXPECT_EQ(home.fake.state.ExchangeStatus, kStatusDatabase);
    EXPECT_EQ(home.fake.prompter.errors.size(), 2u); // one for each command, not one per record
    EXPECT_TRUE(home.fake.logHas(exchangeMessage(kStatusDatabase)));
}

} // namespace
} // namespace kest
