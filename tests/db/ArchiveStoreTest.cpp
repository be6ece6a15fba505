#include "db/ArchiveStore.h"
#include "db/SqliteDatabase.h"

#include "TestSupport.h"
#include "registrar/RegistrarImage.h"

#include <gtest/gtest.h>

namespace kest {
namespace {

constexpr std::int64_t kController = 0x0412;

DateTime at(int y, int mo, int d, int h = 0, int mi = 0)
{
    return encodeDateTime(y, mo, d, h, mi).value();
}

class ArchiveStoreTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string error;
        db = OpenArchiveDatabase(dir.path(), true, &error);
        ASSERT_TRUE(db) << error;
        ResetRegistrarImage(image);
        rec().RecordTime = at(2026, 3, 15, 10);
        rec().RecordYear = 2026;
    }

    ImageRecord& rec() { return image.record(1); }

    DbStatus store(StoreVariant variant, DepthLimits depth = {}, DateTime today = 0)
    {
        ArchiveStore s(*db, variant, depth, today == 0 ? at(2026, 3, 16) : today);
        DbStatus status = s.storeRecord(rec(), kController);
        attempted = s.RowsAttempted;
        return status;
    }

    std::vector<ArchiveRow> rows(ArchiveKind kind, int number)
    {
        std::vector<ArchiveRow> out;
        EXPECT_TRUE(SelectArchiveRange(*db, kind, ArchiveKey(kController, kind, number), 0, 1e6, out).ok());
        return out;
    }

    std::int64_t count(const char* table)
    {
        Statement st = static_cast<SqliteDatabase&>(*db).prepare(std::string("SELECT count(*) FROM ") + table);
        st.step();
        return st.columnInt(0);
    }

    test::TempDir dir;
    std::unique_ptr<ArchiveDatabase> db;
    RegistrarImage image;
    bool attempted = false;
};

TEST_F(ArchiveStoreTest, HourlyAfterMidnightStopsAtTheRecordTime)
{
    rec().RecordTime = at(2026, 3, 15, 0, 30);
    rec().Settings.HourlyFlags[3] = 3;
    for (int s = 0; s < 96; ++s)
        rec().Hourly[3][static_cast<std::size_t>(s)] = s;
    ASSERT_TRUE(store(StoreVariant::Request).ok());
    const auto r = rows(ArchiveKind::Hourly, 3);
    ASSERT_EQ(r.size(), 73u);
    EXPECT_EQ(toSqlText(r.front().sdate), "2026-03-12 00:00:00");
    EXPECT_EQ(toSqlText(r.back().sdate), "2026-03-15 00:00:00");
    EXPECT_EQ(r.back().svalue, 72);
    EXPECT_EQ(r.back().scode, 0x0412003);
}

TEST_F(ArchiveStoreTest, HourlyChainMembersGoUnderTheHeadKey)
{
    auto& s = rec().Settings;
    s.HourlyFlags[1] = 1;
    s.HourlyChains[1][1] = 4;
    s.HourlyChains[1][2] = kAbsentMember; // not in the record: its days are passed over
    s.HourlyChains[1][3] = 6;
    s.HourlyChains[1][5] = 7; // behind a free position: the chain ended before it
    rec().Hourly[4][0] = 40;
    rec().Hourly[6][95] = 69;
    rec().Hourly[7][0] = 70;
    ASSERT_TRUE(store(StoreVariant::Page).ok());
    const auto r = rows(ArchiveKind::Hourly, 1);
    ASSERT_EQ(r.size(), 96u + 96u + 82u);
    EXPECT_EQ(toSqlText(r.front().sdate), "2026-02-28 00:00:00"); // position 3
    EXPECT_EQ(toSqlText(r[95].sdate), "2026-03-03 23:00:00");
    EXPECT_EQ(r[95].svalue, 69);
    EXPECT_EQ(toSqlText(r[96].sdate), "2026-03-08 00:00:00"); // member 1
    EXPECT_EQ(r[96].svalue, 40);
    EXPECT_TRUE(rows(ArchiveKind::Hourly, 4).empty());
    EXPECT_TRUE(rows(ArchiveKind::Hourly, 7).empty());
}

TEST_F(ArchiveStoreTest, DailyChainedPairByLink)
{
    auto& s = rec().Settings;
    rec().avans = 1;
    s.DailyFlags[2] = 2;
    s.DailyChains[2] = 9;
    s.DailyFlags[5] = 5;
    for (int d = 0; d < 32; ++d) {
        rec().Daily[2][static_cast<std::size_t>(d)] = 100 + d;
        rec().Daily[9][static_cast<std::size_t>(d)] = 900 + d;
        rec().Daily[5][static_cast<std::size_t>(d)] = 500 + d;
    }
    ASSERT_TRUE(store(StoreVariant::Request).ok());
    auto r = rows(ArchiveKind::Daily, 2);
    ASSERT_EQ(r.size(), 28u + 15u);
    EXPECT_EQ(toSqlText(r.front().sdate), "2026-02-01 00:00:00");
    EXPECT_EQ(r.front().svalue, 900);
    EXPECT_EQ(toSqlText(r[27].sdate), "2026-02-28 00:00:00");
    EXPECT_EQ(toSqlText(r[28].sdate), "2026-03-01 00:00:00");
    EXPECT_EQ(r.back().svalue, 114);
    const auto plain = rows(ArchiveKind::Daily, 5);
    ASSERT_EQ(plain.size(), 28u);
    EXPECT_EQ(toSqlText(plain.front().sdate), "2026-02-16 00:00:00");
    EXPECT_EQ(plain.front().svalue, 515);

    ASSERT_TRUE(db->execute("DELETE FROM arhivd").ok());
    ASSERT_TRUE(store(StoreVariant::Page).ok());
    r = rows(ArchiveKind::Daily, 2);
    ASSERT_EQ(r.size(), 28u + 15u);
    EXPECT_EQ(toSqlText(r.front().sdate), "2026-01-01 00:00:00");
    EXPECT_EQ(toSqlText(r[27].sdate), "2026-01-28 00:00:00");
    EXPECT_EQ(r[27].svalue, 927);
}

TEST_F(ArchiveStoreTest, DaysPastAMonthEndVisitAreStoredAMonthBackOnThePageLink)
{
    // Visit on 31 March, mode 1: the series runs from 4 March to 3 April, and the
    // slots of 1..3 April hold the values of 1..3 March.
    rec().RecordTime = at(2026, 3, 31, 10);
    rec().avans = 1;
    rec().Settings.DailyFlags[5] = 5;
    for (int d = 0; d < 32; ++d)
        rec().Daily[5][static_cast<std::size_t>(d)] = 500 + d + 1;

    ASSERT_TRUE(store(StoreVariant::Request).ok());
    auto r = rows(ArchiveKind::Daily, 5);
    ASSERT_EQ(r.size(), 28u);
    EXPECT_EQ(toSqlText(r.front().sdate), "2026-03-04 00:00:00");
    EXPECT_EQ(r.front().svalue, 504);

    ASSERT_TRUE(db->execute("DELETE FROM arhivd").ok());
    ASSERT_TRUE(store(StoreVariant::Page).ok());
    r = rows(ArchiveKind::Daily, 5);
    ASSERT_EQ(r.size(), 31u);
    for (std::size_t i = 0; i < r.size(); ++i) {
        EXPECT_EQ(r[i].sdate, at(2026, 3, static_cast<int>(i) + 1));
        EXPECT_EQ(r[i].svalue, 500 + static_cast<double>(i) + 1);
    }
}

TEST_F(ArchiveStoreTest, DailySeriesEndsAtTheLastFinishedDate)
{
    // Slot d-1 holds day d of the latest month that has finished it: after April, the
    // slot of day 31 still holds 31 March on the morning of 31 May.
    rec().Settings.DailyFlags[5] = 5;
    for (int d = 0; d < 32; ++d)
        rec().Daily[5][static_cast<std::size_t>(d)] = 500 + d + 1;
    rec().Daily[5][30] = 331;
    struct Visit
    {
        DateTime time;
        int settlementHour;
        int mode;
        const char* first;
        const char* last;
    };
    const Visit visits[] = {
        {at(2026, 5, 31, 10), 0, 0, "2026-05-01 00:00:00", "2026-05-30 00:00:00"},
        {at(2026, 5, 31, 5), 10, 1, "2026-05-01 00:00:00", "2026-05-30 00:00:00"},
        // The page link also brings the first of March back from the slot of 1 April.
        {at(2026, 3, 30, 10), 0, 0, "2026-03-02 00:00:00", "2026-03-29 00:00:00"},
        // The first of a month before the settlement hour still stores the whole month before.
        {at(2026, 3, 1, 10), 12, 0, "2026-02-01 00:00:00", "2026-02-28 00:00:00"},
    };
    for (const Visit& v : visits) {
        rec().RecordTime = v.time;
        rec().rhour = v.settlementHour;
        rec().avans = v.mode;
        for (StoreVariant variant : {StoreVariant::Request, StoreVariant::Page}) {
            ASSERT_TRUE(db->execute("DELETE FROM arhivd").ok());
            ASSERT_TRUE(store(variant).ok());
            const auto r = rows(ArchiveKind::Daily, 5);
            ASSERT_FALSE(r.empty());
            EXPECT_EQ(toSqlText(r.back().sdate), v.last) << toSqlText(v.time);
            EXPECT_NE(r.back().svalue, 331);
            if (variant == StoreVariant::Request) {
                EXPECT_EQ(toSqlText(r.front().sdate), v.first) << toSqlText(v.time);
            }
        }
    }
}

TEST_F(ArchiveStoreTest, ChainedPairOnTheFirstInModeZeroStoresOnlyTheMember)
{
    rec().RecordTime = at(2026, 3, 1, 10);
    rec().Settings.DailyFlags[2] = 2;
    rec().Settings.DailyChains[2] = 9;
    ASSERT_TRUE(store(StoreVariant::Request).ok());
    const auto r = rows(ArchiveKind::Daily, 2);
    ASSERT_EQ(r.size(), 28u);
    EXPECT_EQ(toSqlText(r.back().sdate), "2026-02-28 00:00:00");
}

TEST_F(ArchiveStoreTest, StoringTwiceSkipsOnRequestAndRewritesOnPage)
{
    rec().Settings.HourlyFlags[0] = 0;
    rec().Settings.DailyFlags[0] = 0;
    rec().Hourly[0][10] = 1.5;
    ASSERT_TRUE(store(StoreVariant::Request).ok());
    EXPECT_TRUE(attempted);
    const auto before = count("arhivh") + count("arhivd");
    rec().Hourly[0][10] = 7.25;
    ASSERT_TRUE(store(StoreVariant::Request).ok());
    EXPECT_FALSE(attempted);
    EXPECT_EQ(count("arhivh") + count("arhivd"), before);
    EXPECT_EQ(rows(ArchiveKind::Hourly, 0)[10].svalue, 1.5);

    ASSERT_TRUE(store(StoreVariant::Page).ok());
    EXPECT_TRUE(attempted);
    EXPECT_EQ(count("arhivh") + count("arhivd"), before);
    EXPECT_EQ(rows(ArchiveKind::Hourly, 0)[10].svalue, 7.25);
}

TEST_F(ArchiveStoreTest, OnlyArchivesTheReadMarkedAreStored)
{
    auto& s = rec().Settings;
    s.HourlyFlags[2] = kDoublePrecision; // marked in KEST.INI but not in this record
    s.DailyFlags[7] = kNoMark;
    s.MonthlyFlags[3] = 3;
    s.IntervalFlags[1] = kDoublePrecision;
    ASSERT_TRUE(store(StoreVariant::Request).ok());
    EXPECT_EQ(count("arhivh") + count("arhivd") + count("arhivm") + count("detail"), 0);
    ASSERT_TRUE(store(StoreVariant::Page).ok());
    EXPECT_EQ(count("arhivm"), 11);
    EXPECT_EQ(count("detail"), 0);
}

TEST_F(ArchiveStoreTest, DepthLimitDeletesOlderRowsOnly)
{
    const std::int64_t key = ArchiveKey(kController, ArchiveKind::Hourly, 0);
    for (DateTime t : {at(2026, 1, 1), at(2026, 2, 13, 23), at(2026, 2, 14), at(2026, 2, 20)})
        ASSERT_TRUE(AppendArchiveRow(*db, ArchiveKind::Hourly, {t, key, 1}).ok());
    ASSERT_TRUE(AppendArchiveRow(*db, ArchiveKind::Hourly, {at(2025, 1, 1), key + 1, 1}).ok());
    rec().Settings.HourlyFlags[0] = 0;
    DepthLimits depth;
    depth.hourly = 30;
    ASSERT_TRUE(store(StoreVariant::Page, depth, at(2026, 3, 16, 15)).ok());
    const auto r = rows(ArchiveKind::Hourly, 0);
    EXPECT_EQ(toSqlText(r.front().sdate), "2026-02-14 00:00:00");
    EXPECT_EQ(toSqlText(r[1].sdate), "2026-02-20 00:00:00");
    EXPECT_EQ(rows(ArchiveKind::Hourly, 1).size(), 1u); // another archive is not touched

    depth.hourly = -1; // what a missing key reads as: keep everything
    ASSERT_TRUE(AppendArchiveRow(*db, ArchiveKind::Hourly, {at(2020, 1, 1), key, 1}).ok());
    ASSERT_TRUE(store(StoreVariant::Page, depth).ok());
    EXPECT_EQ(toSqlText(rows(ArchiveKind::Hourly, 0).front().sdate), "2020-01-01 00:00:00");
}

TEST_F(ArchiveStoreTest, IntervalReplacesItsSpanAndKeepsTheRowBefore)
{
    rec().smin = 5;
    rec().Settings.IntervalFlags[4] = 4;
    rec().Settings.IntervalChains[4][1] = 6;
    rec().Interval[4][0] = 4;
    rec().Interval[6][1439] = 6;
    const std::int64_t key = ArchiveKey(kController, ArchiveKind::Interval, 4);
    for (DateTime t : {at(2026, 3, 6), at(2026, 3, 6, 0, 3), at(2026, 3, 16)})
        ASSERT_TRUE(AppendArchiveRow(*db, ArchiveKind::Interval, {t, key, -1}).ok());
    ASSERT_TRUE(store(StoreVariant::Page).ok());
    const auto r = rows(ArchiveKind::Interval, 4);
    // Rows before the span (00:00 closes the span before it) stay; the row after the
    // record time is replaced by the span, which ends at the record time.
    ASSERT_EQ(r.size(), 2u + 1440u + 1272u);
    EXPECT_EQ(toSqlText(r[0].sdate), "2026-03-06 00:00:00");
    EXPECT_EQ(toSqlText(r[2].sdate), "2026-03-06 00:05:00");
    EXPECT_EQ(r[1441].svalue, 6);
    EXPECT_EQ(toSqlText(r[1442].sdate), "2026-03-11 00:05:00");
    EXPECT_EQ(r[1442].svalue, 4);
    EXPECT_EQ(toSqlText(r.back().sdate), "2026-03-15 10:00:00");
}

TEST_F(ArchiveStoreTest, IntervalSpanOfAMemberTheRecordLacksKeepsItsRows)
{
    // The member of position 1 is not in the record; the span it would cover is
    // written by nobody and keeps its rows.
    rec().smin = 5;
    rec().Settings.IntervalFlags[4] = 4;
    rec().Settings.IntervalChains[4][1] = kAbsentMember;
    rec().Settings.IntervalChains[4][2] = 6;
    rec().Interval[6][0] = 6;
    const std::int64_t key = ArchiveKey(kController, ArchiveKind::Interval, 4);
    for (DateTime t : {at(2026, 3, 8, 12), at(2026, 3, 3, 12, 3), at(2026, 3, 16)})
        ASSERT_TRUE(AppendArchiveRow(*db, ArchiveKind::Interval, {t, key, -1}).ok());
    ASSERT_TRUE(store(StoreVariant::Page).ok());
    std::optional<double> v;
    ASSERT_TRUE(SelectArchiveValue(*db, ArchiveKind::Interval, key, at(2026, 3, 8, 12), v).ok());
    EXPECT_EQ(v, -1);
    ASSERT_TRUE(SelectArchiveValue(*db, ArchiveKind::Interval, key, at(2026, 3, 1, 0, 5), v).ok());
    EXPECT_EQ(v, 6);
    // The spans that are written are replaced whole, rows between slots included.
    ASSERT_TRUE(SelectArchiveValue(*db, ArchiveKind::Interval, key, at(2026, 3, 3, 12, 3), v).ok());
    EXPECT_FALSE(v.has_value());
    EXPECT_EQ(rows(ArchiveKind::Interval, 4).size(), 1u + 1440u + 1272u);
}

TEST_F(ArchiveStoreTest, IntervalLengthOutsideAnHourIsTakenAsFive)
{
    rec().Settings.IntervalFlags[2] = 2;
    for (int minutes : {0, 61, -5}) {
        rec().smin = minutes;
        ASSERT_TRUE(db->execute("DELETE FROM detail").ok());
        ASSERT_TRUE(store(StoreVariant::Page).ok());
        const auto r = rows(ArchiveKind::Interval, 2);
        ASSERT_EQ(r.size(), 1272u) << minutes; // 11.03 00:05 to the visit, 15.03 10:00
        EXPECT_EQ(toSqlText(r.front().sdate), "2026-03-11 00:05:00") << minutes;
        EXPECT_EQ(toSqlText(r[1].sdate), "2026-03-11 00:10:00") << minutes;
    }
}

TEST_F(ArchiveStoreTest, ExtendedArchiveFollowsTheRing)
{
    rec().Settings.HourlyExtended[2] = 2;
    const DateTime hour = at(2026, 2, 20, 7);
    rec().ExtendedHourly[2][static_cast<std::size_t>(ExtendedSlot(hour))] = 77;
    ASSERT_TRUE(store(StoreVariant::Page).ok());
    std::optional<double> v;
    ASSERT_TRUE(
        SelectArchiveValue(*db, ArchiveKind::Hourly, ArchiveKey(kController, ArchiveKind::Hourly, 2), hour, v)
            .ok());
    EXPECT_EQ(v, 77);
    EXPECT_EQ(count("arhivh"), 1008);
}

TEST_F(ArchiveStoreTest, FailureRollsBackTheWholeRecord)
{
    rec().Settings.HourlyFlags[0] = 0;
    rec().Settings.DailyFlags[0] = 0;
    ASSERT_TRUE(
        db->execute(
              "CREATE TRIGGER boom BEFORE INSERT ON arhivd BEGIN SELECT RAISE(FAIL, 'disk on fire'); END")
            .ok());
    const DbStatus status = store(StoreVariant::Page);
    EXPECT_EQ(status.code, DbStatus::Failed);
    EXPECT_NE(status.message.find("disk on fire"), std::string::npos);
    EXPECT_EQ(count("arhivh"), 0);
}

} // namespace
} // namespace kest
