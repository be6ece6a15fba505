#include "grid/TableLayoutFile.h"

#include "TestSupport.h"
#include "common/CodePage.h"

#include <gtest/gtest.h>

namespace kest {
namespace {

constexpr const char* kLayout = "[Grid]\r\n"
                                "ColCount=4\r\n"
                                "RowCount=12\r\n"
                                "FixedRows=1\r\n"
                                "DefaultColWidth=64\r\n"
                                "DefaultRowHeight=20\r\n"
                                "Font.Name=Arial\r\n"
                                "Font.Size=10\r\n"
                                "GridLines=0\r\n"
                                "PrintTitle=ignored\r\n"
                                "[Col.Width]\r\n"
                                "C0=120\r\n"
                                "[RowHeights]\r\n"
                                "R3=40\r\n"
                                "[Unions]\r\n"
                                "1=R0C0:R0C3\r\n"
                                "2=R4C1:R5C2\r\n"
                                "[Cells]\r\n"
                                "R0C0=Ведомость учета тепловой энергии\r\n"
                                "R2C1=\"  %1 \"\r\n"
                                "r2c2=второй\r\n"
                                "R2C2=дубль\r\n"
                                "[Cell.Font.Name]\r\n"
                                "R0C0=Times New Roman\r\n"
                                "[Cell.Font.Size]\r\n"
                                "R0C0=14\r\n"
                                "[Cell.Font.Style]\r\n"
                                "R0C0=bold, underline,italic\r\n"
                                "[Cell.TextAlignment]\r\n"
                                "R0C0=center\r\n"
                                "R2C2=Right\r\n"
                                "[Cell.Color]\r\n"
                                "R0C0=FFFF00\r\n";

TEST(TableLayoutFileTest, ReadsEveryPropertyAndWritesItBack)
{
    TableModel t;
    ASSERT_EQ(ParseTableLayout(utf8ToCp1251(kLayout), "m1.ini", t), "");
    EXPECT_EQ(t.colCount(), 4);
    EXPECT_EQ(t.rowCount(), 12);
    EXPECT_EQ(t.fixedRows(), 1);
    EXPECT_FALSE(t.gridLines());
    EXPECT_EQ(t.colWidth(0), 120);
    EXPECT_EQ(t.colWidth(1), 64);
    EXPECT_EQ(t.rowHeight(3), 40);
    EXPECT_EQ(t.rowHeight(4), 20);
    EXPECT_EQ(t.font(), (CellFont{"Arial", 13, false, false}));
    ASSERT_EQ(t.merges().size(), 2u);
    EXPECT_TRUE(t.covered(2, 5));
    const GridCell& title = t.cell(0, 0);
    EXPECT_EQ(title.text, "Ведомость учета тепловой энергии");
    EXPECT_EQ(title.font, (CellFont{"Times New Roman", 19, true, true, true}));
    EXPECT_EQ(title.hAlign, HAlign::Center);
    EXPECT_EQ(title.color, kYellow);
    EXPECT_EQ(t.cell(1, 2).text, "  %1 ");
    // The first of two keys that differ only in case wins.
    EXPECT_EQ(t.cell(2, 2).text, "второй");
    EXPECT_EQ(t.cell(2, 2).hAlign, HAlign::Right);

    test::TempDir dir;
    ASSERT_EQ(SaveTableLayout(dir / "m1.ini", t), "");
    TableModel again;
    ASSERT_EQ(LoadTableLayout(dir / "m1.ini", again), "");
    EXPECT_EQ(TableLayoutText(again), TableLayoutText(t));
    EXPECT_EQ(again.cell(1, 2).text, "  %1 ");
    EXPECT_EQ(again.cell(0, 0).font, title.font);

    t.cell(0, 1).text = "две\nстроки";
    EXPECT_NE(SaveTableLayout(dir / "m1.ini", t), "");
    ASSERT_EQ(LoadTableLayout(dir / "absent.ini", again), "");
    EXPECT_EQ(again.colCount(), 1);
    EXPECT_EQ(again.rowCount(), 1);
}

TEST(TableLayoutFileTest, BrokenFilesNameTheFileAndTheLine)
{
    const std::string head = "[Grid]\nColCount=3\nRowCount=4\n"; // lines 1 to 3
    struct Case
    {
        std::string text;
        int line;
    } cases[] = {
        {"[Grid]\nColCount=0\n", 2},
        {"[Grid]\nColCount=3\nRowCount=10001\n", 3},
        {"[Grid]\nRowCount=2\nFixedRows=3\n", 3},
        {"[Grid]\nFont.Size=zehn\n", 2},
        {head + "[Col.Width]\nC3=50\n", 5},
        {head + "[Col.Width]\nWidth=50\n", 5},
        {head + "[RowHeights]\nR1=-4\n", 5},
        {head + "[Cells]\nR0C0=a\nA1=b\n", 6},
        {head + "[Cells]\nR4C0=below\n", 5},
        {head + "[Cells]\nR+1C0=x\n", 5},
        {head + "[Unions]\n1=R0C0:R0C3\n", 5},
        {head + "[Unions]\n1=R1C1:R0C0\n", 5},
        {head + "[Unions]\n1=R0C0\n", 5},
        {head + "[Cell.Font.Style]\nR0C0=bold,heavy\n", 5},
        {head + "[Cell.TextAlignment]\nR0C0=middle\n", 5},
        {head + "[Cell.Color]\nR0C0=FF00\n", 5},
        {head + "[Cell.Color]\nR0C0=GG0000\n", 5},
        {head + "[Cell.Font.Size]\nR0C0=0\n", 5},
    };
    for (const auto& c : cases) {
        TableModel t(5, 5);
        const std::string message = ParseTableLayout(c.text, "forms/m2.ini", t);
        EXPECT_NE(message.find("forms/m2.ini, строка " + std::to_string(c.line) + ":"), std::string::npos)
            << c.text << "\n-> " << message;
        EXPECT_EQ(t.colCount(), 1) << c.text;
    }
}

} // namespace
} // namespace kest
