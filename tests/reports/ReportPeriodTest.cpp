#include "reports/ReportPeriod.h"

#include "ReportTestSupport.h"
#include "common/ExchangeLog.h"
#include "reports/ReportWords.h"

#include <gtest/gtest.h>

namespace kest {
namespace {

using test::day;
using test::period;

TEST(ReportPeriodTest, ValidationByBlankType)
{
    const DateTime d = day(2026, 3, 5);
    EXPECT_TRUE(ValidatePeriod(0, period(d, d, 10, 10)));
    EXPECT_FALSE(ValidatePeriod(0, period(d, d, 11, 10)));
    EXPECT_TRUE(ValidatePeriod(0, period(d, d + 1, 11, 10)));
    EXPECT_FALSE(ValidatePeriod(3, period(d, d, 10, 10, 30, 15)));
    EXPECT_TRUE(ValidatePeriod(3, period(d, d, 10, 10, 15, 15)));
    EXPECT_FALSE(ValidatePeriod(3, period(d, d, 11, 10, 0, 30)));
    // Daily and monthly blanks never compare hours.
    EXPECT_TRUE(ValidatePeriod(1, period(d, d, 11, 10)));
    EXPECT_FALSE(ValidatePeriod(1, period(d + 1, d, 0, 0)));
    EXPECT_FALSE(ValidatePeriod(2, period(d + 1, d, 0, 0)));
}

TEST(ReportPeriodTest, TableEntriesAndOutOfRangeNumbers)
{
    PeriodTable table;
    table[3] = period(day(2026, 1, 1), day(2026, 1, 2), 1, 2);
    table[3].HasData[5] = 1;
    EXPECT_TRUE(table[3].anyData());
    table[151].startDate = 9; // lands in the scratch entry, not past the table
    table[0].HasData[1] = 1;
    EXPECT_TRUE(table[150].empty());
    table.clearHasData();
    EXPECT_FALSE(table[3].anyData());
    EXPECT_FALSE(table[3].empty());
    table.forgetPeriods();
    EXPECT_TRUE(table[3].empty());
}

TEST(ReportPeriodTest, IntervalLengthsOutsideOneHourBecomeFiveAndAreLogged)
{
    MemoryExchangeLog log;
    EXPECT_EQ(IntervalMinuteChoices(15, &log), (std::vector<std::string>{"0", "15", "30", "45"}));
    EXPECT_EQ(IntervalMinuteChoices(5, &log).back(), "55");
    EXPECT_TRUE(log.lines.empty());
    EXPECT_EQ(EffectiveIntervalMinutes(0, &log), 5);
    EXPECT_EQ(EffectiveIntervalMinutes(61, &log), 5);
    EXPECT_EQ(EffectiveIntervalMinutes(-3, &log), 5);
    EXPECT_EQ(log.lines.size(), 3u);
    EXPECT_EQ(IntervalMinuteChoices(60, nullptr), (std::vector<std::string>{"0"}));
}

TEST(ReportWordsTest, PluralFormsFollowTheLastDigit)
{
    EXPECT_EQ(UnitWord(ReportUnit::Hours, 24), "часа");
    EXPECT_EQ(UnitWord(ReportUnit::Days, 31), "день");
    EXPECT_EQ(UnitWord(ReportUnit::Months, 12), "месяцев");
    EXPECT_EQ(UnitWord(ReportUnit::Hours, 11), "часов");
    EXPECT_EQ(UnitWord(ReportUnit::Hours, 21), "час");
    EXPECT_EQ(UnitWord(ReportUnit::Hours, 111), "час");
    EXPECT_EQ(UnitWord(ReportUnit::Intervals, 10), "интервалов");
    EXPECT_EQ(UnitWord(ReportUnit::Intervals, 3), "интервала");
    EXPECT_EQ(UnitWord(ReportUnit::Days, 105), "дней");
    EXPECT_EQ(MonthName(5), "май");
    EXPECT_EQ(MonthNameGenitive(5), "мая");
    EXPECT_EQ(MonthName(13), "");
}

TEST(ReportWordsTest, EventCaption)
{
    EXPECT_EQ(EventPeriodCaption(21, day(2026, 2, 1), 0, day(2026, 2, 2)),
              "c 21 часа 01.02.2026 г. по 0 часов 02.02.2026 г.");
    EXPECT_EQ(EventPeriodCaption(5, day(2026, 2, 1), 7, day(2026, 2, 1)),
              "c 5 часов 01.02.2026 г. по 7 час 01.02.2026 г.");
}

} // namespace
} // namespace kest
