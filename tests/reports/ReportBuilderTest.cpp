#include "reports/ReportBuilder.h"

#include "ReportTestSupport.h"
#include "TestSupport.h"
#include "common/ExchangeLog.h"
#include "common/Prompter.h"
#include "db/ArchiveTables.h"
#include "link/ExchangeStatus.h"
#include "registrar/ValueEncoding.h"
#include "reports/ReportFrame.h"

#include <gtest/gtest.h>

namespace kest {
namespace {

constexpr int kController = 0x0A1F;

DateTime at(int y, int mo, int d, int h = 0, int mi = 0)
{
    return *encodeDateTime(y, mo, d, h, mi);
}

class ReportBuilderTest : public ::testing::Test
{
protected:
    ReportBuilderTest()
    {
        std::string error;
        db = OpenArchiveDatabase(dir.path(), true, &error);
        EXPECT_TRUE(db) << error;
    }

    void store(ArchiveKind kind, int archive, DateTime when, double value)
    {
        ASSERT_TRUE(WriteArchiveRow(*db, kind, {when, ArchiveKey(kController, kind, archive), value}).ok());
    }

    /// A column of the blank reading `archive` of the test controller.
    void column(int k, int archive, int total = kTotalSum, int decimals = 1)
    {
        blank.NAME[k] = "K" + std::to_string(k);
        blank.ARH[k] = archive;
        blank.MERAN[k] = kController;
        blank.ITOG[k] = total;
        blank.ZAP[k] = decimals;
    }

    void setPeriod(DateTime d1, DateTime d2, int h1 = 0, int h2 = 0, int m1 = 0, int m2 = 0)
    {
        periods[kBlank] = test::period(d1, d2, h1, h2, m1, m2);
    }

    void build()
    {
        ReportBuild b{blank, periods, kBlank, dir.path(), prompter, table};
        b.HeaderRows = PrepareFrame(table, blank);
        b.log = &log;
        BuildReport(b);
        failed = b.ReportFailed;
    }

    int dataRows() const { return table.rowCount() - table.fixedRows() - 1; }
    std::string caption(int row) const { return table.cell(0, table.fixedRows() + row).text; }
    std::string value(int k, int row) const { return table.cell(k, table.fixedRows() + row).text; }
    std::string total(int k) const { return table.cell(k, table.rowCount() - 1).text; }
    std::vector<std::string> columnTexts(int k) const
    {
        std::vector<std::string> texts;
        for (int r = 0; r < dataRows(); ++r)
            texts.push_back(value(k, r));
        return texts;
    }
    std::vector<std::string> captions() const
    {
        std::vector<std::string> texts;
        for (int r = 0; r < dataRows(); ++r)
            texts.push_back(caption(r));
        return texts;
    }

    static constexpr int kBlank = 4;
    test::TempDir dir;
    std::unique_ptr<ArchiveDatabase> db;
    BlankRecord blank;
    PeriodTable periods;
    MemoryPrompter prompter;
    MemoryExchangeLog log;
    TableModel table;
    bool failed = false;
};

TEST_F(ReportBuilderTest, OneHourRowUsesTheHourBeforeForOperatingTime)
{
    blank.TIP = kHourlyBlank;
    column(1, 3);
    column(2, 3, kTotalOperatingTime);
    store(ArchiveKind::Hourly, 3, at(2026, 3, 5, 9), 95);
    store(ArchiveKind::Hourly, 3, at(2026, 3, 5, 10), 100);
    store(ArchiveKind::Hourly, 3, at(2026, 3, 5, 11), 140);
    setPeriod(at(2026, 3, 5), at(2026, 3, 5), 10, 10);
    build();
    EXPECT_FALSE(failed);
    ASSERT_EQ(dataRows(), 1);
    EXPECT_EQ(caption(0), "05   10-11 час ");
    EXPECT_EQ(table.cell(0, 0).text, "Время");
    EXPECT_EQ(value(1, 0), "100,0");
    EXPECT_EQ(value(2, 0), "5,0");
    EXPECT_EQ(total(1), "100,0");
    EXPECT_EQ(table.cell(0, 1).color, kSilver);
    EXPECT_EQ(table.cell(1, 1).color, kSilver);
    EXPECT_EQ(table.cell(1, 2).color, kRed);
    EXPECT_EQ(periods[kBlank].HasData[1], 1);
    EXPECT_EQ(periods[kBlank].HasData[2], 1);
}

TEST_F(ReportBuilderTest, HourlyOverYearEndWithGapAndStrayRecord)
{
    blank.TIP = kHourlyBlank;
    blank.ITOGONAME = "#1";
    column(1, 0, kTotalSum, 0);
    column(2, 1);
    store(ArchiveKind::Hourly, 0, at(2025, 12, 31, 22), 1);
    // 23:00 is missing: a gap.
    store(ArchiveKind::Hourly, 0, at(2026, 1, 1, 0), 3);
    store(ArchiveKind::Hourly, 0, at(2026, 1, 1, 1), 4);
    store(ArchiveKind::Hourly, 1, at(2025, 12, 31, 22), 1);
    store(ArchiveKind::Hourly, 1, at(2025, 12, 31, 22, 30), 7); // between two row times
    store(ArchiveKind::Hourly, 1, at(2025, 12, 31, 23), 2);
    store(ArchiveKind::Hourly, 1, at(2026, 1, 1, 1), NoValue);
    setPeriod(at(2025, 12, 31), at(2026, 1, 1), 22, 1);
    build();
    EXPECT_EQ(captions(),
              (std::vector<std::string>{"31   22-23 час ", "23-24 час ", "01   00-01 час ", "01-02 час "}));
    EXPECT_EQ(columnTexts(1), (std::vector<std::string>{"1", "...", "3", "4"}));
    EXPECT_EQ(total(1), "8");
    // The stray 22:30 record is never shown and does not hide the records after it.
    EXPECT_EQ(columnTexts(2), (std::vector<std::string>{"1,0", "2,0", "...", "..."}));
    EXPECT_EQ(total(2), "3,0");
    EXPECT_EQ(table.cell(0, table.rowCount() - 1).text, "За 4 часа:");
    EXPECT_EQ(table.cell(0, 2).color, kWhite);
    EXPECT_EQ(table.cell(0, 3).color, kSilver);
}

TEST_F(ReportBuilderTest, TotalTypes)
{
    blank.TIP = kDailyBlank;
    column(1, 0, kTotalOperatingTime);
    column(2, 1, kTotalCumulative);
    column(3, 2, kTotalAverage, 2);
    column(4, 3, -1); // a total type read back as none sums
    const DateTime d = at(2026, 3, 1);
    const double hours[] = {95, 100, 103, 99};
    for (int i = 0; i < 4; ++i)
        store(ArchiveKind::Daily, 0, d - 1 + i, hours[i]);
    for (int i = 0; i < 3; ++i) {
        store(ArchiveKind::Daily, 1, d + i, 10 + 2.5 * i);
        store(ArchiveKind::Daily, 2, d + i, i == 0 ? 1 : 2);
        store(ArchiveKind::Daily, 3, d + i, 0.26);
    }
    setPeriod(d, d + 2);
    build();
    EXPECT_EQ(captions(), (std::vector<std::string>{"01.03.2026", "02.03.2026", "03.03.2026"}));
    // A reading lower than the one before shows the reading itself.
    EXPECT_EQ(columnTexts(1), (std::vector<std::string>{"5,0", "3,0", "99,0"}));
    EXPECT_EQ(total(1), "107,0");
    EXPECT_EQ(total(2), "5,0");
    EXPECT_EQ(total(3), "1,67");
    // Sums add the shown (rounded) values.
    EXPECT_EQ(total(4), "0,9");
}

// The cumulative total subtracts the first shown value from the last shown one, so a
// column that shows the same number all period totals 0, never "-0".
TEST_F(ReportBuilderTest, CumulativeTotalWorksOnShownValues)
{
    blank.TIP = kDailyBlank;
    column(1, 1, kTotalCumulative, 0);
    column(2, 2, kTotalCumulative, 1);
    const DateTime d = at(2026, 3, 1);
    store(ArchiveKind::Daily, 1, d, 12.4);
    store(ArchiveKind::Daily, 1, d + 1, 12.3);
    store(ArchiveKind::Daily, 2, d - 1, 7.0); // before the period: not the first value
    store(ArchiveKind::Daily, 2, d, 10.04);
    store(ArchiveKind::Daily, 2, d + 1, 12.46);
    setPeriod(d, d + 1);
    build();
    EXPECT_EQ(columnTexts(1), (std::vector<std::string>{"12", "12"}));
    EXPECT_EQ(total(1), "0");
    // 12,5 - 10,0 as shown, not 12,5 - 10,04.
    EXPECT_EQ(columnTexts(2), (std::vector<std::string>{"10,0", "12,5"}));
    EXPECT_EQ(total(2), "2,5");
}

TEST_F(ReportBuilderTest, EmptyColumnAndUnsetColumn)
{
    blank.TIP = kDailyBlank;
    column(1, 5);
    column(2, 6);
    blank.ARH[2] = kNoArchive;
    column(3, 0x1FF); // cannot be a stored archive
    setPeriod(at(2026, 3, 1), at(2026, 3, 2));
    build();
    EXPECT_EQ(columnTexts(1), (std::vector<std::string>{"...", "..."}));
    EXPECT_EQ(total(1), "");
    EXPECT_EQ(table.cell(1, table.rowCount() - 1).color, kRed);
    EXPECT_EQ(columnTexts(2), (std::vector<std::string>{"", ""}));
    EXPECT_EQ(columnTexts(3), (std::vector<std::string>{"...", "..."}));
    EXPECT_FALSE(periods[kBlank].anyData());
    EXPECT_FALSE(failed);
}

TEST_F(ReportBuilderTest, DailyStepsByDaysAndMonths)
{
    blank.TIP = kDailyBlank;
    blank.STEP = 7;
    column(1, 0);
    store(ArchiveKind::Daily, 0, at(2026, 3, 8), 8);
    store(ArchiveKind::Daily, 0, at(2026, 3, 29), 29);
    setPeriod(at(2026, 3, 1), at(2026, 3, 31));
    build();
    EXPECT_EQ(captions(), (std::vector<std::string>{"01.03.2026", "08.03.2026", "15.03.2026", "22.03.2026",
                                                    "29.03.2026"}));
    EXPECT_EQ(columnTexts(1), (std::vector<std::string>{"...", "8,0", "...", "...", "29,0"}));

    blank.STEP = 0;
    store(ArchiveKind::Daily, 0, at(2024, 2, 29), 2);
    store(ArchiveKind::Daily, 0, at(2024, 5, 31), 5);
    setPeriod(at(2024, 1, 31), at(2024, 5, 31));
    build();
    EXPECT_EQ(captions(), (std::vector<std::string>{"31.01.2024", "29.02.2024", "31.03.2024", "30.04.2024",
                                                    "31.05.2024"}));
    EXPECT_EQ(columnTexts(1), (std::vector<std::string>{"...", "2,0", "...", "...", "5,0"}));

    store(ArchiveKind::Daily, 0, at(2026, 4, 14), 14);
    setPeriod(at(2026, 1, 15), at(2026, 4, 14));
    build();
    EXPECT_EQ(captions(), (std::vector<std::string>{"15.01.2026", "15.02.2026", "15.03.2026", "14.04.2026"}));
    EXPECT_EQ(value(1, 3), "14,0");

    // Over a year end each February has its own length.
    setPeriod(at(2023, 12, 31), at(2024, 3, 31));
    build();
    EXPECT_EQ(captions(), (std::vector<std::string>{"31.12.2023", "31.01.2024", "29.02.2024", "31.03.2024"}));
}

TEST_F(ReportBuilderTest, MonthStepShowsTheEndDateOnceAndAlways)
{
    // From the 30th of January the steps run a day or two ahead of the months, so two
    // steps land after the end date; its value must not be shown and summed twice.
    blank.TIP = kDailyBlank;
    blank.STEP = 0;
    column(1, 0);
    store(ArchiveKind::Daily, 0, at(2026, 3, 31), 7);
    setPeriod(at(2026, 1, 30), at(2026, 3, 31));
    build();
    EXPECT_EQ(captions(), (std::vector<std::string>{"30.01.2026", "02.03.2026", "31.03.2026"}));
    EXPECT_EQ(columnTexts(1), (std::vector<std::string>{"...", "...", "7,0"}));
    EXPECT_EQ(total(1), "7,0");

    setPeriod(at(2026, 1, 30), at(2026, 3, 2));
    build();
    EXPECT_EQ(captions(), (std::vector<std::string>{"30.01.2026", "02.03.2026"}));

    // From a month's last day the steps keep to month ends; an end date with the same
    // day number but not a month end (28.04) still gets its row and its value.
    store(ArchiveKind::Daily, 0, at(2023, 4, 28), 4);
    setPeriod(at(2023, 2, 28), at(2023, 4, 28));
    build();
    EXPECT_EQ(captions(), (std::vector<std::string>{"28.02.2023", "31.03.2023", "28.04.2023"}));
    EXPECT_EQ(value(1, 2), "4,0");
    setPeriod(at(2026, 4, 30), at(2026, 5, 30));
    build();
    EXPECT_EQ(captions(), (std::vector<std::string>{"30.04.2026", "30.05.2026"}));
}

TEST_F(ReportBuilderTest, MonthlyRowsTakeAnyDayOfTheirMonth)
{
    blank.TIP = kMonthlyBlank;
    column(1, 2);
    store(ArchiveKind::Monthly, 2, at(2026, 2, 1), 10);
    store(ArchiveKind::Monthly, 2, at(2026, 3, 1), 11);
    store(ArchiveKind::Monthly, 2, at(2026, 4, 17), 12);
    store(ArchiveKind::Monthly, 2, at(2026, 5, 2), 13); // after the query's end
    setPeriod(at(2026, 3, 1), at(2026, 5, 31));
    build();
    EXPECT_EQ(captions(), (std::vector<std::string>{"март 2026г.", "апрель 2026г.", "май 2026г."}));
    EXPECT_EQ(columnTexts(1), (std::vector<std::string>{"11,0", "12,0", "..."}));
    EXPECT_EQ(table.cell(0, 0).text, "Дата");
}

TEST_F(ReportBuilderTest, IntervalRowsShowTheValueStampedAtTheirEnd)
{
    blank.TIP = kIntervalBlank;
    blank.IntervalMinutes = 5;
    column(1, 1);
    for (int m = 0; m <= 15; m += 5)
        store(ArchiveKind::Interval, 1, at(2026, 3, 5, 10, m), m);
    setPeriod(at(2026, 3, 5), at(2026, 3, 5), 10, 10, 0, 10);
    build();
    EXPECT_EQ(captions(),
              (std::vector<std::string>{"5.3  10 ч. 00-04 мин", "10 ч. 05-09 мин", "10 ч. 10-14 мин"}));
    EXPECT_EQ(columnTexts(1), (std::vector<std::string>{"5,0", "10,0", "15,0"}));
    EXPECT_EQ(table.cell(0, 1).color, kWhite);

    blank.IntervalMinutes = 0; // a damaged length is taken as 5 and logged
    build();
    EXPECT_EQ(dataRows(), 3);
    EXPECT_EQ(log.lines.size(), 1u);

    blank.IntervalMinutes = 1;
    setPeriod(at(2026, 3, 5), at(2026, 3, 6), 23, 0, 59, 0);
    build();
    EXPECT_EQ(captions(), (std::vector<std::string>{"5.3  23 ч. 59 мин", "6.3  0 ч. 00 мин"}));
}

TEST_F(ReportBuilderTest, MissingTablesAndFailingQueries)
{
    blank.TIP = kIntervalBlank;
    column(1, 1);
    column(2, 2);
    setPeriod(at(2026, 3, 5), at(2026, 3, 5), 10, 10);
    ASSERT_TRUE(db->execute("DROP TABLE detail").ok());
    build();
    // Both columns fail; the message comes once for the run of failures.
    EXPECT_TRUE(failed);
    EXPECT_EQ(prompter.errors.size(), 1u);
    EXPECT_EQ(total(1), "");

    ASSERT_TRUE(db->execute("DROP TABLE arhivm").ok());
    periods[kBlank].HasData[1] = 1; // left by an earlier build
    prompter.errors.clear();
    build();
    EXPECT_TRUE(failed);
    ASSERT_EQ(prompter.errors.size(), 1u);
    EXPECT_EQ(prompter.errors[0], exchangeMessage(kStatusDatabase));

    // The failure belongs to that build alone: the next one starts clean.
    ASSERT_TRUE(CreateTables(*db).ok());
    build();
    EXPECT_FALSE(failed);
    EXPECT_EQ(prompter.errors.size(), 1u);
}

// A report keeps its failure to itself: it cannot reach the exchange status that the
// registrar commands share, so a report never clears a link or database code.
template <typename T>
concept ReachesExchangeStatus = requires(T build)
{
    build.status;
};
static_assert(!ReachesExchangeStatus<ReportBuild>);

TEST(ReportValueTest, Formatting)
{
    EXPECT_EQ(FormatReportValue(12.345, 2, ','), "12,35");
    EXPECT_EQ(FormatReportValue(-3, 0, ','), "-3");
    EXPECT_EQ(FormatReportValue(1.5, 1, '.'), "1.5");
    EXPECT_EQ(FormatReportValue(123456789.0, 1, ','), "123456789,0");
    EXPECT_EQ(FormatReportValue(1e200, 0, ',').size(), 200u); // 9.99...e199, not cut at a buffer
    // What rounds to zero shows no sign.
    EXPECT_EQ(FormatReportValue(-0.4, 0, ','), "0");
    EXPECT_EQ(FormatReportValue(-0.001, 2, ','), "0,00");
    EXPECT_EQ(FormatReportValue(-0.0, 1, '.'), "0.0");
    EXPECT_EQ(FormatReportValue(-0.06, 1, ','), "-0,1");
}

TEST(ReportValueTest, HalvesRoundAwayFromZero)
{
    // Registrar values are binary fractions, so 12.25 or 2.5 are exact halves; they go
    // up like 12.75 does, never to the even neighbour.
    EXPECT_EQ(FormatReportValue(12.25, 1, ','), "12,3");
    EXPECT_EQ(FormatReportValue(12.75, 1, ','), "12,8");
    EXPECT_EQ(FormatReportValue(2.5, 0, ','), "3");
    EXPECT_EQ(FormatReportValue(-2.5, 0, ','), "-3");
    EXPECT_EQ(FormatReportValue(0.125, 2, '.'), "0.13");
    EXPECT_EQ(FormatReportValue(1.0625, 3, ','), "1,063");
    // Near a half but not on it: the nearer neighbour, as before.
    EXPECT_EQ(FormatReportValue(1.005, 2, ','), "1,00");
    EXPECT_EQ(FormatReportValue(2.4999999, 0, ','), "2");
    EXPECT_EQ(FormatReportValue(0.5, 0, ','), "1");
    EXPECT_EQ(FormatReportValue(3.0, 0, ','), "3");
}

} // namespace
} // namespace kest
