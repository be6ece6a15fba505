#include "reports/Completeness.h"

#include "ReportTestSupport.h"
#include "TestSupport.h"
#include "db/ArchiveTables.h"
#include "grid/CsvWriter.h"

#include <gtest/gtest.h>

namespace kest {
namespace {

using test::day;

class CompletenessTest : public ::testing::Test
{
protected:
    CompletenessTest()
    {
        std::string error;
        db = OpenArchiveDatabase(dir.path(), true, &error);
    }

    void put(std::int64_t controller, ArchiveKind kind, int number, DateTime t, double v = 1.0)
    {
        ASSERT_TRUE(WriteArchiveRow(*db, kind, {t, ArchiveKey(controller, kind, number), v}).ok());
    }
    /// Rows every `step` from `first` to `last`, both included.
    void
    fill(std::int64_t controller, ArchiveKind kind, int number, DateTime first, DateTime last, double step)
    {
        for (DateTime t = first; t <= last + step / 2; t += step)
            put(controller, kind, number, roundToSecond(t));
    }

    std::vector<ArchiveCompleteness> check(DateTime d1,
                                           DateTime d2,
                                           std::optional<std::int64_t> controller = {},
                                           std::optional<ArchiveKind> kind = {})
    {
        std::vector<ArchiveCompleteness> out;
        const DbStatus s = CheckCompleteness(*db, {d1, d2, controller, kind}, out);
        EXPECT_TRUE(s.ok()) << s.message;
        return out;
    }

    static std::string line(const ArchiveCompleteness& a)
    {
        std::string csv = ToCsv(CompletenessTable({a}));
        csv = csv.substr(csv.find('\n') + 1);
        return csv.substr(0, csv.size() - 1);
    }

    test::TempDir dir;
    std::unique_ptr<ArchiveDatabase> db;
};

TEST_F(CompletenessTest, HourlyHolesAtEndsAcrossMidnightAndOffGrid)
{
    // March 2024 with four hours missing in the middle: the line the dispatcher reads.
    fill(0x0A1F, ArchiveKind::Hourly, 5, day(2024, 2, 29), day(2024, 4, 1) + 5 * kOneHour, kOneHour);
    for (int h = 10; h <= 13; ++h)
        db->execute("DELETE FROM arhivh WHERE sdate = '2024-03-05 " + std::to_string(h) + ":00:00'");
    auto r = check(day(2024, 3, 1), day(2024, 3, 31));
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(line(r[0]), "0A1F;часовой;05;744;740;0;05.03.2024 10:00 - 05.03.2024 13:00");

    // Holes at both ends of the period and one across midnight; a stored 10:30 is no
    // slot, so 10:00 stays missing and the row is counted off the grid.
    const std::int64_t c = 0x0B01;
    fill(c, ArchiveKind::Hourly, 1, day(2024, 6, 1) + 2 * kOneHour, day(2024, 6, 1) + 21 * kOneHour,
         kOneHour);
    fill(c, ArchiveKind::Hourly, 1, day(2024, 6, 2) + 2 * kOneHour, day(2024, 6, 2) + 9 * kOneHour, kOneHour);
    put(c, ArchiveKind::Hourly, 1, day(2024, 6, 2) + 10.5 * kOneHour);
    // A time written by another tool without its seconds is no slot either.
    db->execute("INSERT INTO arhivh VALUES ('2024-06-02 23:00', " +
                std::to_string(ArchiveKey(c, ArchiveKind::Hourly, 1)) + ", 1)");
    fill(c, ArchiveKind::Hourly, 1, day(2024, 6, 2) + 11 * kOneHour, day(2024, 6, 2) + 22 * kOneHour,
         kOneHour);
    r = check(day(2024, 6, 1), day(2024, 6, 2), c);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].expected, 48);
    EXPECT_EQ(r[0].present, 20 + 8 + 12);
    EXPECT_EQ(r[0].offGrid, 2);
    EXPECT_EQ(MissingSpansText(r[0]),
              "01.06.2024 00:00 - 01.06.2024 01:00, 01.06.2024 22:00 - 02.06.2024 01:00, "
              "02.06.2024 10:00, 02.06.2024 23:00");
}

TEST_F(CompletenessTest, NoHolesAndYearsEnd)
{
    fill(0x0001, ArchiveKind::Hourly, 2, day(2023, 12, 31), day(2024, 1, 1) + 23 * kOneHour, kOneHour);
    // Days around the turn of the year, with 31.12 and 01.01 missing.
    fill(0x0001, ArchiveKind::Daily, 3, day(2023, 12, 20), day(2023, 12, 30), 1);
    fill(0x0001, ArchiveKind::Daily, 3, day(2024, 1, 2), day(2024, 1, 10), 1);
    const auto r = check(day(2023, 12, 31), day(2024, 1, 1));
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(line(r[0]), "0001;часовой;02;48;48;0;");
    EXPECT_EQ(line(r[1]), "0001;суточный;03;2;0;0;31.12.2023 - 01.01.2024");
    EXPECT_EQ(line(check(day(2023, 12, 29), day(2024, 1, 3), {}, ArchiveKind::Daily)[0]),
              "0001;суточный;03;6;4;0;31.12.2023 - 01.01.2024");
}

TEST_F(CompletenessTest, IntervalStepsByTheControllersLength)
{
    // Controller 0005 keeps 5-minute intervals (the default), 0006 one-minute ones.
    ASSERT_TRUE(EnsureControllerRows(*db, 0x0006).ok());
    ASSERT_TRUE(UpdateControllerSettlement(*db, 0x0006, 0, 1, 0, 1).ok());
    fill(0x0005, ArchiveKind::Interval, 0, day(2024, 2, 28) + 23 * kOneHour, day(2024, 3, 1) + kOneHour,
         5 * kOneMinute);
    db->execute("DELETE FROM detail WHERE sdate IN ('2024-02-29 23:55:00', '2024-03-01 00:00:00')");
    put(0x0005, ArchiveKind::Interval, 0, day(2024, 2, 29) + 12 * kOneHour + 2 * kOneMinute);
    fill(0x0006, ArchiveKind::Interval, 1, day(2024, 2, 29), day(2024, 2, 29) + 10 * kOneHour, kOneMinute);

    auto r = check(day(2024, 2, 29), day(2024, 2, 29), {}, ArchiveKind::Interval);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(line(r[0]), "0005;интервальный;00;288;287;1;29.02.2024 23:55");
    EXPECT_EQ(line(r[1]), "0006;интервальный;01;1440;601;0;29.02.2024 10:01 - 29.02.2024 23:59");

    // A damaged length steps by 5 minutes, as the storing pass does.
    ASSERT_TRUE(EnsureControllerRows(*db, 0x0007).ok());
    ASSERT_TRUE(UpdateControllerSettlement(*db, 0x0007, 0, 1, 0, 90).ok());
    put(0x0007, ArchiveKind::Interval, 0, day(2024, 2, 29));
    EXPECT_EQ(check(day(2024, 2, 29), day(2024, 2, 29), 0x0007)[0].expected, 288);

    r = check(day(2024, 2, 29), day(2024, 3, 1), 0x0005);
    EXPECT_EQ(MissingSpansText(r[0]),
              "29.02.2024 23:55 - 01.03.2024 00:00, 01.03.2024 01:05 - 01.03.2024 23:55");
}

TEST_F(CompletenessTest, MonthlySlotsAreFirstsOfMonths)
{
    for (int m : {1, 3, 4})
        put(0x0A1F, ArchiveKind::Monthly, 0x10, day(2024, m, 1));
    put(0x0A1F, ArchiveKind::Monthly, 0x10, day(2024, 2, 15)); // no slot
    put(0x0A1F, ArchiveKind::Monthly, 0x10, day(2024, 5, 1));  // after the period
    // 15.01 to 10.04 spans the months January to April.
    const auto r = check(day(2024, 1, 15), day(2024, 4, 10));
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(line(r[0]), "0A1F;месячный;10;4;3;1;02.2024");
}

TEST_F(CompletenessTest, ListsArchivesWithRowsInOrderAndFilters)
{
    // Controller 0002 has rows only in March: listed for April with every slot missing.
    put(0x0002, ArchiveKind::Daily, 1, day(2024, 3, 1));
    put(0x0002, ArchiveKind::Hourly, 7, day(2024, 4, 2));
    put(0x0002, ArchiveKind::Hourly, 3, day(2024, 3, 2));
    put(0x0001, ArchiveKind::Interval, 0, day(2024, 3, 2));
    // Controller 0003 has rows in merane only: not listed.
    ASSERT_TRUE(EnsureControllerRows(*db, 0x0003).ok());
    // Controller 1002 shares the low digits of 0002's keys.
    put(0x1002, ArchiveKind::Hourly, 3, day(2024, 4, 1));

    auto r = check(day(2024, 4, 1), day(2024, 4, 2));
    ASSERT_EQ(r.size(), 5u);
    EXPECT_EQ(line(r[0]), "0001;интервальный;00;576;0;0;01.04.2024 00:00 - 02.04.2024 23:55");
    EXPECT_EQ(line(r[1]), "0002;часовой;03;48;0;0;01.04.2024 00:00 - 02.04.2024 23:00");
    EXPECT_EQ(line(r[2]), "0002;часовой;07;48;1;0;01.04.2024 00:00 - 01.04.2024 23:00, 02.04.2024 01:00 - "
                          "02.04.2024 23:00");
    EXPECT_EQ(r[3].kind, ArchiveKind::Daily);
    EXPECT_EQ(r[4].controller, 0x1002);

    r = check(day(2024, 4, 1), day(2024, 4, 2), 0x0002, ArchiveKind::Hourly);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].number, 3);
    EXPECT_EQ(r[1].number, 7);
    EXPECT_TRUE(check(day(2024, 4, 1), day(2024, 4, 2), 0x0003).empty());
    EXPECT_EQ(ToCsv(CompletenessTable({})), "Контроллер;Архив;Номер;Ожидается;Есть;Вне сетки;Пропуски\n");
}

TEST_F(CompletenessTest, MissingTableFails)
{
    db->execute("DROP TABLE detail");
    std::vector<ArchiveCompleteness> out;
    EXPECT_FALSE(CheckCompleteness(*db, {day(2024, 4, 1), day(2024, 4, 2), {}, {}}, out).ok());
    EXPECT_TRUE(CheckCompleteness(*db, {day(2024, 4, 1), day(2024, 4, 2), {}, ArchiveKind::Daily}, out).ok());
}

// The printed table says what it covers; a period of one day is not written as a range.
TEST(CompletenessPrintTest, PeriodLineAndPageHeaders)
{
    using test::day;
    EXPECT_EQ(CompletenessPeriodLine({day(2024, 3, 1), day(2024, 3, 31), {}, {}}, ""),
              "за период с 01.03.2024 по 31.03.2024, все контроллеры");
    EXPECT_EQ(CompletenessPeriodLine({day(2024, 3, 5), day(2024, 3, 5), 0x0A1F, ArchiveKind::Interval},
                                     "0A1F Котельная №3"),
              "за 05.03.2024, контроллер 0A1F Котельная №3, интервальные архивы");

    const TableModel table = CompletenessTable({});
    const PrintJob job = CompletenessPrintJob(table, "за 05.03.2024, все контроллеры");
    ASSERT_EQ(job.tables.size(), 1u);
    EXPECT_EQ(job.tables[0].table, &table);
    EXPECT_EQ(job.tables[0].pageHeader,
              (std::vector<std::string>{"Полнота архива", "за 05.03.2024, все контроллеры", ""}));
    EXPECT_TRUE(job.tables[0].numberPages);
}

} // namespace
} // namespace kest
