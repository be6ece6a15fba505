#include "db/ArchiveTimes.h"

#include <gtest/gtest.h>

namespace kest {
namespace {

DateTime at(int y, int mo, int d, int h = 0, int mi = 0)
{
    return encodeDateTime(y, mo, d, h, mi).value();
}

std::string text(DateTime t)
{
    return toSqlText(t);
}

DailyRules rules(DateTime record, int settlementHour, int mode)
{
    return {record, settlementHour, mode, MonthDays(decodeDateTime(record).year)};
}

TEST(ArchiveTimesTest, DailyLastDateBySettlementAndMode)
{
    for (int hour : {0, 5, 23}) {
        EXPECT_EQ(text(DailyLastDate(rules(at(2026, 3, 15, hour), 0, 0))), "2026-03-14 00:00:00") << hour;
        EXPECT_EQ(text(DailyLastDate(rules(at(2026, 3, 15, hour), 0, 1))), "2026-03-15 00:00:00") << hour;
    }
    EXPECT_EQ(text(DailyLastDate(rules(at(2026, 3, 15, 9), 10, 0))), "2026-03-13 00:00:00");
    EXPECT_EQ(text(DailyLastDate(rules(at(2026, 3, 15, 9), 10, 1))), "2026-03-14 00:00:00");
}

TEST(ArchiveTimesTest, DailyFirstOfMonth)
{
    // 1 March, 10:00, settlement hour 12, mode 0.
    const DailyRules r = rules(at(2026, 3, 1, 10), 12, 0);
    const TimeSeries plain = DailyPlainSeries(r);
    EXPECT_EQ(text(plain.start), "2026-02-01 00:00:00");
    EXPECT_EQ(plain.steps, 28);
    const TimeSeries member = DailyMemberSeries(r);
    EXPECT_EQ(text(member.start), "2026-01-01 00:00:00");
    EXPECT_EQ(member.steps, 31);
    EXPECT_EQ(text(*MemberPageLinkDate(member.start)), "2025-12-01 00:00:00");
    EXPECT_EQ(DailyHeadSeries(r).steps, 27);

    // At or after the settlement hour in mode 0 the head has nothing; mode 1 one day.
    EXPECT_EQ(DailyHeadSeries(rules(at(2026, 3, 1, 10), 0, 0)).steps, 0);
    const TimeSeries one = DailyHeadSeries(rules(at(2026, 3, 1, 10), 0, 1));
    EXPECT_EQ(text(one.start), "2026-03-01 00:00:00");
    EXPECT_EQ(one.steps, 1);
    EXPECT_EQ(DailyHeadSeries(rules(at(2024, 3, 1, 10), 12, 1)).steps, 29); // leap February
}

TEST(ArchiveTimesTest, DailyMemberOnLastDayOfMonthStaysInMonthBefore)
{
    const TimeSeries apr = DailyMemberSeries(rules(at(2026, 4, 30, 10), 0, 1));
    EXPECT_EQ(text(apr.start), "2026-03-03 00:00:00");
    EXPECT_EQ(apr.steps, 29);
    // 30 September would reach back to 31 July, whose day slot August's 31st holds.
    const TimeSeries sep = DailyMemberSeries(rules(at(2026, 9, 30, 10), 0, 1));
    EXPECT_EQ(text(sep.start), "2026-08-01 00:00:00");
    EXPECT_EQ(sep.steps, 31);
    EXPECT_FALSE(MemberPageLinkDate(at(2026, 3, 31)).has_value());
    EXPECT_EQ(text(*MemberPageLinkDate(at(2026, 1, 31))), "2025-12-31 00:00:00");
}

TEST(ArchiveTimesTest, YearBoundaryAndLeapFebruary)
{
    // 1 January before the settlement hour, mode 0: the months before are those of the
    // year before.
    const DailyRules jan = rules(at(2026, 1, 1, 10), 12, 0);
    EXPECT_EQ(text(DailyPlainSeries(jan).start), "2025-12-01 00:00:00");
    EXPECT_EQ(DailyPlainSeries(jan).steps, 31);
    EXPECT_EQ(text(DailyMemberSeries(jan).start), "2025-11-01 00:00:00");
    EXPECT_EQ(DailyMemberSeries(jan).steps, 30);
    const auto months = MonthlyDates(at(2026, 1, 15, 10));
    EXPECT_EQ(text(months.front()), "2025-02-01 00:00:00");
    EXPECT_EQ(text(months.back()), "2025-12-01 00:00:00");
    EXPECT_EQ(text(HourlySeries(at(2026, 1, 1, 0, 30)).start), "2025-12-29 00:00:00");

    // A leap February counts 29 days.
    const TimeSeries leap = DailyPlainSeries(rules(at(2024, 3, 15, 10), 0, 1));
    EXPECT_EQ(text(leap.start), "2024-02-16 00:00:00");
    EXPECT_EQ(leap.steps, 29);
    const TimeSeries lastOfFeb = DailyMemberSeries(rules(at(2024, 2, 29, 10), 0, 1));
    EXPECT_EQ(text(lastOfFeb.start), "2024-01-01 00:00:00");
    EXPECT_EQ(lastOfFeb.steps, 31);
}

TEST(ArchiveTimesTest, ExtendedRingAndRange)
{
    const TimeSeries s = ExtendedSeries(at(2026, 3, 15, 10));
    EXPECT_EQ(text(s.start), "2026-01-29 00:00:00");
    EXPECT_EQ(text(s.start + (s.steps - 1) * kOneHour), "2026-03-11 23:00:00");
    // 42 consecutive days visit every slot of the ring exactly once.
    std::array<int, 1008> seen{};
    for (int i = 0; i < s.steps; ++i)
        ++seen[static_cast<std::size_t>(ExtendedSlot(s.start + i * kOneHour))];
    for (int n : seen)
        EXPECT_EQ(n, 1);
    EXPECT_EQ(ExtendedSlot(at(2026, 3, 1, 5)) % 24, 5);
    EXPECT_EQ(ExtendedSlot(at(2026, 3, 1, 5)), ExtendedSlot(at(2026, 3, 1, 5) + 42));
}

TEST(ArchiveTimesTest, IntervalSpansAndCutOff)
{
    const DateTime rec = at(2026, 3, 15, 10, 7);
    const TimeSeries head5 = IntervalSeries(rec, 5, 0, 1);
    EXPECT_EQ(text(head5.start), "2026-03-11 00:05:00");
    const TimeSeries member5 = IntervalSeries(rec, 5, 1, 1);
    EXPECT_EQ(text(member5.start), "2026-03-06 00:05:00");
    EXPECT_EQ(text(member5.start + 1439 * 5 * kOneMinute), "2026-03-11 00:00:00");
    EXPECT_EQ(text(IntervalCutOff(rec, 5, 1)), "2026-03-06 00:05:00");
    EXPECT_EQ(text(IntervalCutOff(rec, 5, 0)), "2026-03-11 00:05:00");

    EXPECT_EQ(text(IntervalSeries(rec, 1, 0, 0).start), "2026-03-14 10:07:00");
    EXPECT_EQ(text(IntervalCutOff(rec, 1, 0)), "2026-03-14 10:07:00");
    EXPECT_EQ(text(IntervalSeries(rec, 1, 0, 2).start), "2026-03-15 00:01:00");
    EXPECT_EQ(text(IntervalSeries(rec, 1, 2, 2).start), "2026-03-13 00:01:00");
}

} // namespace
} // namespace kest
