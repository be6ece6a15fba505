#include "reports/ReportFrame.h"

#include "ReportTestSupport.h"

#include <gtest/gtest.h>

namespace kest {
namespace {

using test::day;
using test::period;

BlankRecord blankWith(std::initializer_list<const char*> names, int type = kHourlyBlank)
{
    BlankRecord b;
    b.TIP = type;
    int j = 1;
    for (const char* n : names)
        b.NAME[j++] = n;
    return b;
}

TEST(ReportFrameTest, FirstEmptyCaptionEndsTheTable)
{
    BlankRecord b = blankWith({"A", "B", "", "D"}, kDailyBlank);
    b.COLSIZE[0] = 130;
    b.COLSIZE[2] = 40;
    TableModel t(5, 9);
    EXPECT_EQ(PrepareFrame(t, b), 1);
    EXPECT_EQ(t.colCount(), 3);
    EXPECT_EQ(t.rowCount(), 1);
    EXPECT_EQ(t.colWidth(0), 130);
    EXPECT_EQ(t.colWidth(2), 40);
    EXPECT_EQ(t.cell(0, 0).text, "Дата");
    // Group bounds without a caption give no second heading row.
    b.GROUPB[1] = 1;
    b.GROUPE[1] = 2;
    EXPECT_EQ(PrepareFrame(t, b), 1);
}

TEST(ReportFrameTest, GroupTitleOverItsColumnsAndMergedOtherHeadings)
{
    BlankRecord b = blankWith({"Q1", "Q2", "Q3", "Q4"});
    b.GROUPB[1] = 2;
    b.GROUPE[1] = 3;
    b.GROUPNAME[1] = "Тепло";
    TableModel t;
    const int rows = PrepareFrame(t, b);
    ASSERT_EQ(rows, 2);
    DrawHeading(t, b, rows);
    EXPECT_EQ(t.fixedRows(), 2);
    EXPECT_EQ(t.cell(0, 0).text, "Время");
    EXPECT_TRUE(t.covered(0, 1));
    EXPECT_EQ(t.cell(2, 0).text, "Тепло");
    EXPECT_EQ(t.cell(2, 0).color, kYellow);
    EXPECT_TRUE(t.covered(3, 0));
    EXPECT_EQ(t.cell(2, 1).text, "Q2");
    EXPECT_EQ(t.cell(3, 1).text, "Q3");
    EXPECT_EQ(t.cell(1, 0).text, "Q1");
    EXPECT_TRUE(t.covered(1, 1));
    EXPECT_EQ(t.cell(4, 0).text, "Q4");
    EXPECT_TRUE(t.covered(4, 1));
}

TEST(ReportFrameTest, GroupsSixToEightAndOutOfRangeBoundsGetNoTitle)
{
    BlankRecord b = blankWith({"Q1", "Q2"});
    b.GROUPB[7] = 1;
    b.GROUPE[7] = 2;
    b.GROUPNAME[7] = "Невидимая";
    b.GROUPB[2] = 9;
    b.GROUPE[2] = 12;
    b.GROUPNAME[2] = "За таблицей";
    TableModel t;
    const int rows = PrepareFrame(t, b);
    ASSERT_EQ(rows, 2);
    DrawHeading(t, b, rows);
    for (int k = 1; k <= 2; ++k) {
        EXPECT_EQ(t.cell(k, 0).color, kWhite);
        EXPECT_EQ(t.cell(k, 0).text, k == 1 ? "Q1" : "Q2");
        EXPECT_TRUE(t.covered(k, 1));
    }
    // A group reaching past the table is cut to it.
    b.GROUPB[2] = 2;
    PrepareFrame(t, b);
    DrawHeading(t, b, 2);
    EXPECT_EQ(t.cell(2, 0).text, "За таблицей");
    EXPECT_EQ(t.cell(2, 1).text, "Q2");
}

TEST(ReportFrameTest, TotalsCaptions)
{
    BlankRecord b = blankWith({"A"}, kDailyBlank);
    const ReportPeriod march = period(day(2026, 3, 1), day(2026, 3, 31));
    EXPECT_EQ(TotalsCaptionText(b, march, 31), "Итого:");
    b.ITOGONAME = "Всего";
    EXPECT_EQ(TotalsCaptionText(b, march, 31), "Всего");
    b.ITOGONAME = "#1";
    EXPECT_EQ(TotalsCaptionText(b, march, 31), "За 31 день:");
    b.STEP = 7; // five rows, but the caption counts the days
    EXPECT_EQ(TotalsCaptionText(b, march, 5), "За 31 день:");
    b.TIP = kHourlyBlank;
    EXPECT_EQ(TotalsCaptionText(b, march, 24), "За 24 часа:");
    EXPECT_EQ(TotalsCaptionText(b, march, 111), "За 111 час:");
    b.TIP = kMonthlyBlank;
    EXPECT_EQ(TotalsCaptionText(b, march, 12), "За 12 месяцев:");

    TableModel t(2, 4);
    TotalsCaption(t, b, march, 2);
    EXPECT_EQ(t.cell(0, 3).text, "За 2 месяца:");
    EXPECT_EQ(t.cell(0, 3).color, kRed);
    EXPECT_EQ(t.cell(0, 3).hAlign, HAlign::Right);
}

TEST(ReportFrameTest, PeriodLines)
{
    const DateTime d = day(2026, 3, 5);
    EXPECT_EQ(PeriodLine(kHourlyBlank, period(d, d, 10, 10)), "за 10:00:00 05.03.2026 года");
    EXPECT_EQ(PeriodLine(kHourlyBlank, period(d, d, 0, 0)), "за 0 часов 05.03.2026 года");
    EXPECT_EQ(PeriodLine(kHourlyBlank, period(d, d + 1, 0, 9)),
              "за период с 0 часов 05.03.2026 года по 9:00:00 06.03.2026 года");
    EXPECT_EQ(PeriodLine(kHourlyBlank, period(d, d + 1, 22, 0)),
              "за период с 22:00:00 05.03.2026 года по 0 часов 06.03.2026 года");
    EXPECT_EQ(PeriodLine(kDailyBlank, period(d, d)), "за 05.03.2026 года");
    EXPECT_EQ(PeriodLine(kDailyBlank, period(d, d + 2)), "за период с 05.03.2026 года по 07.03.2026 года");
    EXPECT_EQ(PeriodLine(kMonthlyBlank, period(day(2026, 3, 1), day(2026, 3, 1))), "за март 2026 года");
    EXPECT_EQ(PeriodLine(kMonthlyBlank, period(day(2026, 3, 1), day(2026, 3, 31))),
              "за период с марта 2026 года по март 2026 года");
    EXPECT_EQ(PeriodLine(kIntervalBlank, period(d, d, 9, 10, 5, 0)),
              "за период с 09:05  05.03.2026 г. по 10:00  05.03.2026 г.");
}

TEST(ReportFrameTest, TitleTables)
{
    BlankRecord b;
    b.TIP = kDailyBlank;
    b.UpTitle = {"Котельная", std::string(120, 'x')};
    TableModel up;
    UpperTitle(up, b, period(day(2026, 3, 5), day(2026, 3, 5)));
    ASSERT_EQ(up.rowCount(), 3);
    EXPECT_EQ(up.colWidth(0), 700);
    EXPECT_EQ(up.cell(0, 2).text, "за 05.03.2026 года");
    EXPECT_TRUE(up.cell(0, 2).font.bold && up.cell(0, 2).font.underline);
    EXPECT_EQ(up.cell(0, 2).hAlign, HAlign::Center);
    EXPECT_EQ(up.cell(0, 0).font.pixelSize, 12);

    b.UpTitle = {"Абв"};
    UpperTitle(up, b, period(day(2026, 3, 5), day(2026, 3, 5)));
    EXPECT_EQ(up.colWidth(0), 9 * 18);

    TableModel down;
    LowerTitle(down, b);
    EXPECT_EQ(down.rowCount(), 0);
    b.DownTitle = {"Подпись", "Дата"};
    LowerTitle(down, b);
    EXPECT_EQ(down.rowCount(), 2);
    EXPECT_EQ(down.colWidth(0), 70);
}

} // namespace
} // namespace kest
