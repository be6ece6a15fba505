#include "exchange/ArchivePasses.h"

#include "TestSupport.h"
#include "db/ArchiveTables.h"
#include "db/SqliteDatabase.h"
#include "exchange/FakeExchange.h"
#include "exchange/FakeRegistrar.h"

#include <gtest/gtest.h>
#include <tuple>

namespace kest {
namespace {

using test::FakeRegistrar;
using test::RecordWriter;

/// Two controllers on the page link: 0412 with a double-precision hourly head and
/// its member, 0A1F with a daily chained pair and a monthly archive.
class ArchivePassesTest : public ::testing::Test, protected test::FakeExchange
{
protected:
    ArchivePassesTest() : reg(port)
    {
        ctx.databasePath = dir.path().string() + "/";
        clock.wallTime = encodeDateTime(2026, 3, 16, 9).value();
        std::string error;
        db = OpenArchiveDatabase(dir.path(), true, &error);
        EXPECT_TRUE(db) << error;
        EXPECT_TRUE(link.OpenPort("fake", 5));
        link.PageLink = 1;
        ResetRegistrarImage(image);
        test::writeFile(dir / "KEST.INI", "[0412]\r\nAH01=90\r\nAH03=1101\r\n[0A1F]\r\nAD02=1105\r\n");
        addRecord(0x0412, 0x0100, [](RecordWriter& w, CatalogEntry& e) {
            e.bytes[10] = 2;
            w.archive(1, 96, 96, true, [](int i) { return 1000 + i; });
            w.archive(3, 96, 96, true, [](int i) { return 3000 + i; });
        });
        addRecord(0x0A1F, 0x0200, [](RecordWriter& w, CatalogEntry& e) {
            e.bytes[9] = 2;
            e.bytes[8] = 1;
            w.archive(5, 32, 32, false, [](int i) { return 50 + i; });
            w.archive(2, 32, 32, false, [](int i) { return 20 + i; });
            w.nextPage();
            w.archive(0, 16, 12, false, [](int i) { return i + 1; });
        });
        for (int i = 1; i <= catalog.count; ++i)
            EXPECT_TRUE(EnsureControllerRows(*db, catalog.entry(i).ControllerCode()).ok());
        EXPECT_TRUE(UpdateControllerSettlement(*db, 0x0A1F, 0, 1, 1, 5).ok());
    }

    void addRecord(int controller,
                   std::uint16_t firstPage,
                   const std::function<void(RecordWriter&, CatalogEntry&)>& fill)
    {
        CatalogEntry& e = catalog.entry(++catalog.count);
        e.bytes[0] = static_cast<std::uint8_t>(catalog.count);
        e.bytes[1] = static_cast<std::uint8_t>(firstPage >> 8);
        e.bytes[2] = static_cast<std::uint8_t>(firstPage & 0xFF);
        e.bytes[6] = static_cast<std::uint8_t>(controller >> 8);
        e.bytes[7] = static_cast<std::uint8_t>(controller & 0xFF);
        RecordWriter w(reg, firstPage, true);
        w.header(15, 3, 10, 0, 2026);
        fill(w, e);
    }

    test::TempDir dir;
    std::unique_ptr<ArchiveDatabase> db;
    FakeRegistrar reg;
    DepthLimits depth;
    PassState pass;
};

TEST_F(ArchivePassesTest, MissingTablesAndARegistrarThatGoesAway)
{
    ASSERT_TRUE(db->execute("DROP TABLE arhivm").ok());
    ReadingPass(ctx, pass);
    EXPECT_EQ(pass.PassDone, 0);
    ASSERT_EQ(prompter.errors.size(), 1u);
    EXPECT_EQ(prompter.errors[0], exchangeMessage(kStatusDatabase));
    EXPECT_TRUE(reg.requests.empty());

    ASSERT_TRUE(CreateTables(*db).ok());
    reg.answerLimit = 2 + 9; // the two time stamps, then part of the first record
    ReadingPass(ctx, pass);
    EXPECT_EQ(pass.PassDone, 0);
    EXPECT_EQ(log.lines[log.lines.size() - 2], exchangeLogLine(kStatusNoAcknowledge));
    EXPECT_EQ(log.lines.back(), "** Конец обмена **");
    EXPECT_EQ(catalog.entry(1).bytes[16], 0x32);
}

TEST_F(ArchivePassesTest, ALostTimeStampEndsTheReadingPass)
{
    reg.answerLimit = 1;
    ReadingPass(ctx, pass);
    EXPECT_EQ(pass.PassDone, 0);
    ASSERT_FALSE(prompter.errors.empty());
    EXPECT_EQ(prompter.errors.back().rfind("Ошибка связи с регистратором:", 0), 0u);
    EXPECT_EQ(reg.requests.size(), 1u + 4u); // one answered, one tried twice by each of two loops
}

int rowCount(ArchiveDatabase& db, ArchiveKind kind, std::int64_t key)
{
    Statement st =
        static_cast<SqliteDatabase&>(db).prepare(std::string("SELECT COUNT(*) FROM ") + archiveTable(kind) + " WHERE scode = :k");
    st.bind(":k", key);
    (void)st.step();
    return static_cast<int>(st.columnInt(0));
}

TEST_F(ArchivePassesTest, ASecondReadingPassKeepsTheMarksOfRecordsAlreadyRead)
{
    // The records stay read; their double-precision head must still be stored.
    ReadingPass(ctx, pass);
    ASSERT_EQ(pass.PassDone, 1);
    ReadingPass(ctx, pass);
    ASSERT_EQ(pass.PassDone, 1);
    EXPECT_EQ(image.record(1).Settings.HourlyFlags[1], 1);
    EXPECT_EQ(image.record(1).Settings.HourlyFlags[3], kNoMark);
    StoringPass(ctx, pass, depth);
    ASSERT_EQ(pass.PassDone, 1);
    EXPECT_GT(rowCount(*db, ArchiveKind::Hourly, ArchiveKey(0x0412, ArchiveKind::Hourly, 1)), 0);
}

TEST_F(ArchivePassesTest, TheRecordCounterLimitsBothPassesOnThePageLink)
{
    // One record of two: only 0412 is read (its time stamps are read for the list
    // all the same) and only its rows are stored.
    ctx.recordLimit = 1;
    ReadingPass(ctx, pass);
    ASSERT_EQ(pass.PassDone, 1);
    EXPECT_TRUE(logHas("Считывается запись № 1 МЕРАН №0412"));
    EXPECT_FALSE(logHas("Считывается запись № 2"));
    EXPECT_EQ(catalog.entry(2).bytes[16], 0);
    StoringPass(ctx, pass, depth);
    ASSERT_EQ(pass.PassDone, 1);
    EXPECT_FALSE(logHas("Передаются данные записи № 2"));
    EXPECT_GT(rowCount(*db, ArchiveKind::Hourly, ArchiveKey(0x0412, ArchiveKind::Hourly, 1)), 0);
    for (const char* table : {"arhivh", "arhivd", "arhivm", "detail"}) {
        Statement st = static_cast<SqliteDatabase&>(*db).prepare(std::string("SELECT COUNT(*) FROM ") + table +
                                   " WHERE scode BETWEEN 0x0A1F000 AND 0x0A1FFFF");
        (void)st.step();
        EXPECT_EQ(st.columnInt(0), 0) << table;
    }

    // 0 and the count itself mean every record; the request link takes them all.
    for (const auto& [limit, pageLink, expected] :
         {std::tuple{0, 1, 2}, std::tuple{2, 1, 2}, std::tuple{5, 1, 2}, std::tuple{1, 1, 1},
          std::tuple{1, 0, 2}}) {
        ctx.recordLimit = limit;
        link.PageLink = pageLink;
        EXPECT_EQ(passRecordCount(ctx), expected) << limit << " " << pageLink;
    }
}

TEST_F(ArchivePassesTest, AnExtendedMarkWithoutItsArchiveStoresNothing)
{
    // The record holds no extended archive 12: its hourly key must not get 42 days
    // of zeros, and its hourly twin 12 (absent too) nothing either.
    test::writeFile(dir / "KEST.INI", "[0412]\r\nAH01=90\r\nAH03=1101\r\nAH12=1812\r\n");
    ReadingPass(ctx, pass);
    ASSERT_EQ(pass.PassDone, 1);
    StoringPass(ctx, pass, depth);
    ASSERT_EQ(pass.PassDone, 1);
    EXPECT_EQ(rowCount(*db, ArchiveKind::Hourly, ArchiveKey(0x0412, ArchiveKind::Hourly, 12)), 0);
    EXPECT_GT(rowCount(*db, ArchiveKind::Hourly, ArchiveKey(0x0412, ArchiveKind::Hourly, 1)), 0);
}

TEST_F(ArchivePassesTest, ChainMembersTheRecordLacksKeepTheirRows)
{
    // Hourly head 01 has member 03 (read) and member 04 (not in the record); daily
    // head 05 has member 09 (not in the record).
    test::writeFile(dir / "KEST.INI",
                    "[0412]\r\nAH01=90\r\nAH03=1101\r\nAH04=1201\r\n[0A1F]\r\nAD09=1105\r\n");
    const std::int64_t hourly = ArchiveKey(0x0412, ArchiveKind::Hourly, 1);
    const std::int64_t daily = ArchiveKey(0x0A1F, ArchiveKind::Daily, 5);
    const DateTime memberHour = encodeDateTime(2026, 3, 5, 12).value();
    const DateTime memberDay = encodeDateTime(2026, 1, 10).value();
    ASSERT_TRUE(AppendArchiveRow(*db, ArchiveKind::Hourly, {memberHour, hourly, 5}).ok());
    ASSERT_TRUE(AppendArchiveRow(*db, ArchiveKind::Daily, {memberDay, daily, 5}).ok());
    ReadingPass(ctx, pass);
    ASSERT_EQ(pass.PassDone, 1);
    StoringPass(ctx, pass, depth);
    ASSERT_EQ(pass.PassDone, 1);

    std::optional<double> v;
    ASSERT_TRUE(SelectArchiveValue(*db, ArchiveKind::Hourly, hourly, memberHour, v).ok());
    EXPECT_EQ(v, 5);
    // Member 03 keeps its own four days behind the head's.
    ASSERT_TRUE(
        SelectArchiveValue(*db, ArchiveKind::Hourly, hourly, encodeDateTime(2026, 3, 8).value(), v).ok());
    EXPECT_EQ(v, 3000);

    // The daily head stays on the dates of a chained pair: this month up to the record.
    std::vector<ArchiveRow> rows;
    ASSERT_TRUE(SelectArchiveRange(*db, ArchiveKind::Daily, daily, 0, 1e6, rows).ok());
    ASSERT_EQ(rows.size(), 1u + 15u);
    EXPECT_EQ(rows[0].svalue, 5);
    EXPECT_EQ(toSqlText(rows[1].sdate), "2026-03-01 00:00:00");

    // The log says which members went unstored, the double-precision head's included.
    EXPECT_TRUE(logHas("Запись № 1: сцепленных с часовым архивом №01 архивов нет в записи, в базу они не "
                       "помещаются: 04"));
    EXPECT_TRUE(logHas("Запись № 2: сцепленных с суточным архивом №05 архивов нет в записи, в базу они не "
                       "помещаются: 09"));
}

TEST_F(ArchivePassesTest, ChainsEndAtAFreePositionOfTheFile)
{
    // Controller 0B07, interval length 1: hourly head 01 has member 04 (not in the
    // record) at position 1, member 03 at 2 and, behind a free position 3, member 05
    // at 4. Interval head 04 has only member 06, which the record lacks.
    addRecord(0x0B07, 0x0300, [](RecordWriter& w, CatalogEntry& e) {
        e.bytes[10] = 3;
        e.bytes[5] = 2;
        e.bytes[12] = 1;
        for (int k : {1, 3, 5})
            w.archive(k, 96, 96, true, [k](int i) { return k * 1000 + i; });
        w.nextPage();
        w.archive(4, 23 * 64, 1440, false, [](int i) { return i + 1; });
    });
    ASSERT_TRUE(EnsureControllerRows(*db, 0x0B07).ok());
    ASSERT_TRUE(UpdateControllerSettlement(*db, 0x0B07, 0, 1, 0, 1).ok());
    test::writeFile(dir / "KEST.INI",
                    "[0B07]\r\nAH01=90\r\nAH04=1101\r\nAH03=1201\r\nAH05=1401\r\nAI06=1104\r\n");
    const std::int64_t hourly = ArchiveKey(0x0B07, ArchiveKind::Hourly, 1);
    const std::int64_t interval = ArchiveKey(0x0B07, ArchiveKind::Interval, 4);
    const DateTime memberMinute = encodeDateTime(2026, 3, 14, 12).value();
    ASSERT_TRUE(AppendArchiveRow(*db, ArchiveKind::Interval, {memberMinute, interval, -1}).ok());
    ReadingPass(ctx, pass);
    ASSERT_EQ(pass.PassDone, 1);
    StoringPass(ctx, pass, depth);
    ASSERT_EQ(pass.PassDone, 1);

    // Member 03 keeps the days of position 2; member 05 is stored nowhere.
    std::vector<ArchiveRow> rows;
    ASSERT_TRUE(SelectArchiveRange(*db, ArchiveKind::Hourly, hourly, 0, 1e6, rows).ok());
    ASSERT_EQ(rows.size(), 96u + 82u);
    EXPECT_EQ(toSqlText(rows[0].sdate), "2026-03-04 00:00:00");
    EXPECT_EQ(rows[0].svalue, 3000);
    EXPECT_EQ(rows[96].svalue, 1000);
    EXPECT_EQ(rowCount(*db, ArchiveKind::Hourly, ArchiveKey(0x0B07, ArchiveKind::Hourly, 5)), 0);
    EXPECT_TRUE(logHas("Запись № 3: цепочка часового архива №01 в KEST.INI прервана свободным местом, "
                       "сцепленные после него архивы в базу не помещаются: 05"));
    EXPECT_TRUE(logHas("Запись № 3: сцепленных с часовым архивом №01 архивов нет в записи, в базу они не "
                       "помещаются: 04"));

    // The interval head keeps the dates of a chain with a member: from 00:01 of the
    // record date on. The missing member's day keeps its rows.
    rows.clear();
    ASSERT_TRUE(SelectArchiveRange(*db, ArchiveKind::Interval, interval, 0, 1e6, rows).ok());
    ASSERT_EQ(rows.size(), 1u + 600u);
    EXPECT_EQ(rows[0].svalue, -1);
    EXPECT_EQ(toSqlText(rows[1].sdate), "2026-03-15 00:01:00");
    EXPECT_EQ(rows[1].svalue, 1);
    EXPECT_TRUE(logHas("Запись № 3: сцепленных с интервальным архивом №04 архивов нет в записи, в базу "
                       "они не помещаются: 06"));
}

} // namespace
} // namespace kest
