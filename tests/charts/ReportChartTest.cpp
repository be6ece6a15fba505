#include "charts/ReportChart.h"

#include "TestSupport.h"
#include "common/Prompter.h"
#include "db/ArchiveTables.h"
#include "reports/ReportBuilder.h"
#include "reports/ReportFrame.h"
#include "reports/ReportTestSupport.h"

#include <gtest/gtest.h>

namespace kest {
namespace {

constexpr int kController = 0x0A1F;

DateTime at(int y, int mo, int d, int h = 0, int mi = 0)
{
    return *encodeDateTime(y, mo, d, h, mi);
}

/// A report built from a real database, as the report window and the command build it.
class ReportChartTest : public ::testing::Test
{
protected:
    ReportChartTest()
    {
        std::string error;
        db = OpenArchiveDatabase(dir.path(), true, &error);
    }

    void store(ArchiveKind kind, int archive, DateTime when, double value)
    {
        ASSERT_TRUE(WriteArchiveRow(*db, kind, {when, ArchiveKey(kController, kind, archive), value}).ok());
    }

    void column(int k, const std::string& caption, int archive, int decimals = 1)
    {
        blank.NAME[k] = caption;
        blank.ARH[k] = archive;
        blank.MERAN[k] = kController;
        blank.ZAP[k] = decimals;
    }

    ReportChart chartOf(const ReportPeriod& period)
    {
        periods[1] = period;
        ReportBuild b{blank, periods, 1, dir.path(), prompter, table};
        b.HeaderRows = PrepareFrame(table, blank);
        headerRows = b.HeaderRows;
        BuildReport(b);
        EXPECT_FALSE(b.ReportFailed);
        return MakeReportChart(table, headerRows, blank, periods[1]);
    }

    std::vector<DateTime> times(const ChartSeries& s) const
    {
        std::vector<DateTime> t;
        for (const ChartPoint& p : s.points)
            t.push_back(roundToSecond(p.time));
        return t;
    }

    test::TempDir dir;
    std::unique_ptr<ArchiveDatabase> db;
    BlankRecord blank;
    PeriodTable periods;
    MemoryPrompter prompter;
    TableModel table;
    int headerRows = 1;
};

TEST_F(ReportChartTest, HourlySeriesAreTheShownNumbersWithBreaks)
{
    blank.TIP = kHourlyBlank;
    blank.NAME[0] = "Котельная";
    column(1, "Q, Гкал", 1, 2);
    column(2, "t, °C", 2);
    blank.GROUPNAME[1] = "Подача";
    blank.GROUPB[1] = 2;
    blank.GROUPE[1] = 2;
    for (int h = 9; h <= 14; ++h) {
        if (h != 12)
            store(ArchiveKind::Hourly, 1, at(2024, 3, 5, h), 10.125 + h);
        store(ArchiveKind::Hourly, 2, at(2024, 3, 5, h), h == 13 ? 4294966784.0 : -1.25 * h);
    }
    const ReportChart chart = chartOf(test::period(at(2024, 3, 5), at(2024, 3, 5), 10, 14));
    ASSERT_EQ(headerRows, 2);
    EXPECT_EQ(chart.title, "Котельная");
    EXPECT_EQ(chart.kind, kHourlyBlank);
    ASSERT_EQ(chart.series.size(), 2u);
    EXPECT_EQ(chart.series[0].caption, "Q, Гкал");
    EXPECT_EQ(chart.series[1].caption, "t, °C");

    const std::vector<DateTime> hours = {at(2024, 3, 5, 10), at(2024, 3, 5, 11), at(2024, 3, 5, 12),
                                         at(2024, 3, 5, 13), at(2024, 3, 5, 14)};
    for (const ChartSeries& s : chart.series) {
        EXPECT_EQ(times(s), hours);
        for (std::size_t i = 0; i < s.points.size(); ++i) {
            EXPECT_EQ(s.points[i].text, table.cell(s.column, headerRows + static_cast<int>(i)).text);
            EXPECT_EQ(s.points[i].value, ShownValue(s.points[i].text));
        }
    }
    // The shown numbers, rounded as the report rounds them; "..." is a break, never 0.
    const auto& q = chart.series[0].points;
    EXPECT_EQ(q[0].value, 20.13);
    EXPECT_EQ(q[1].text, "21,13");
    EXPECT_FALSE(q[2].value);
    EXPECT_EQ(q[2].text, "...");
    EXPECT_EQ(q[4].value, 24.13);
    const auto& t = chart.series[1].points;
    EXPECT_EQ(t[0].value, -12.5);
    EXPECT_FALSE(t[3].value);
}

TEST_F(ReportChartTest, RowsStandForTheirOwnTimes)
{
    column(1, "V", 3);
    // An interval row stands for its start; its value is the one stamped at its end.
    blank.TIP = kIntervalBlank;
    blank.IntervalMinutes = 5;
    for (int m = 0; m <= 15; m += 5)
        store(ArchiveKind::Interval, 3, at(2024, 3, 5, 10, m), m);
    ReportChart chart = chartOf(test::period(at(2024, 3, 5), at(2024, 3, 5), 10, 10, 0, 10));
    ASSERT_EQ(chart.series.size(), 1u);
    EXPECT_EQ(times(chart.series[0]),
              (std::vector<DateTime>{at(2024, 3, 5, 10), at(2024, 3, 5, 10, 5), at(2024, 3, 5, 10, 10)}));
    EXPECT_EQ(chart.series[0].points[0].value, 5.0);

    // Monthly rows are the firsts of their months, whatever day the value carries.
    blank.TIP = kMonthlyBlank;
    store(ArchiveKind::Monthly, 3, at(2024, 4, 1), 7.5);
    chart = chartOf(test::period(at(2024, 3, 15), at(2024, 5, 2)));
    EXPECT_EQ(times(chart.series[0]),
              (std::vector<DateTime>{at(2024, 3, 1), at(2024, 4, 1), at(2024, 5, 1)}));
    EXPECT_FALSE(chart.series[0].points[0].value);
    EXPECT_EQ(chart.series[0].points[1].value, 7.5);

    // Stepped daily rows keep their dates; the last is the end date.
    blank.TIP = kDailyBlank;
    blank.STEP = 7;
    store(ArchiveKind::Daily, 3, at(2024, 3, 8), 2.0);
    chart = chartOf(test::period(at(2024, 3, 1), at(2024, 3, 10)));
    EXPECT_EQ(times(chart.series[0]), (std::vector<DateTime>{at(2024, 3, 1), at(2024, 3, 8)}));

    // A column the period gave no value at all still has its line, all breaks.
    chart = chartOf(test::period(at(2025, 3, 1), at(2025, 3, 10)));
    ASSERT_EQ(chart.series.size(), 1u);
    EXPECT_FALSE(chart.series[0].points[0].value);
}

TEST(ReportChartText, ShownValuesTicksAndTooltips)
{
    EXPECT_EQ(ShownValue("12,50"), 12.5);
    EXPECT_EQ(ShownValue("-3.0"), -3.0);
    for (const char* text : {"...", "", "  ", "nan", "inf", "1 000", "12,5 Гкал"})
        EXPECT_FALSE(ShownValue(text)) << text;

    // Four days of hours: marks every 12 hours from midnight.
    auto ticks = ChartTimeTicks(kHourlyBlank, at(2024, 3, 2), at(2024, 3, 5, 23));
    ASSERT_EQ(ticks.size(), 8u);
    EXPECT_EQ(ticks[0], (ChartTick{at(2024, 3, 2), "02.03 00:00"}));
    EXPECT_EQ(ticks[1].text, "02.03 12:00");
    // A month of days: weeks from Mondays (04.03.2024 was one).
    ticks = ChartTimeTicks(kDailyBlank, at(2024, 3, 1), at(2024, 3, 31));
    ASSERT_EQ(ticks.size(), 4u);
    EXPECT_EQ(ticks[0].text, "04.03.2024");
    EXPECT_EQ(ticks[3].text, "25.03.2024");
    // A year of hours or of months: firsts of months, never the 30th of one.
    ticks = ChartTimeTicks(kHourlyBlank, at(2024, 1, 1), at(2024, 12, 31, 23));
    ASSERT_EQ(ticks.size(), 6u);
    EXPECT_EQ(ticks[1], (ChartTick{at(2024, 3, 1), "03.2024"}));
    ticks = ChartTimeTicks(kMonthlyBlank, at(2024, 3, 1), at(2024, 5, 1));
    ASSERT_EQ(ticks.size(), 3u);
    EXPECT_EQ(ticks[2].text, "05.2024");

    ChartSeries s{1, "Q", {}};
    for (int h = 0; h < 6; ++h)
        s.points.push_back(
            {at(2024, 3, 5, h), h == 2 || h == 3 ? std::nullopt : std::optional(h * 1.5), "x"});
    EXPECT_EQ(NearestPoint(s, at(2024, 3, 5, 2, 10))->time, at(2024, 3, 5, 1));
    EXPECT_EQ(NearestPoint(s, at(2024, 3, 5, 3, 10))->time, at(2024, 3, 5, 4));
    EXPECT_EQ(NearestPoint(s, at(2024, 3, 6))->time, at(2024, 3, 5, 5));
    EXPECT_EQ(NearestPoint(ChartSeries{}, at(2024, 3, 6)), nullptr);
    const ReportChart chart{"Б", "", kHourlyBlank, {s}};
    EXPECT_EQ(ChartTooltipText(chart, s, s.points[1]), "05.03.2024 01:00\nQ: x");
}

} // namespace
} // namespace kest
