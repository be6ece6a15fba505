#include "reports/BlankFile.h"

#include "TestSupport.h"
#include "common/CodePage.h"
#include "common/IniFile.h"

#include <gtest/gtest.h>

namespace kest {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;

class BlankFileTest : public ::testing::Test
{
protected:
    BlankFileTest() { state.DatabasePath = dir.path(); }

    /// Writes a UTF-8 text as the Windows-1251 file the program finds on disk.
    void writeBlanks(const std::string& utf8, const std::string& name = "BLANK.INI")
    {
        writeFile(dir / name, utf8ToCp1251(utf8));
    }
    IniFile reread() const { return IniFile::load(state.file()); }

    TempDir dir;
    BlankState state;
};

TEST_F(BlankFileTest, MissingFileHasNoBlanksAndLoadOnlyResets)
{
    state.ablini.NAME[3] = "x";
    EXPECT_EQ(CountBlanks(state), 0);
    LoadBlank(state, 1);
    EXPECT_EQ(state.BlankCount, 0);
    EXPECT_EQ(state.ablini.NAME[3], "");
    EXPECT_EQ(state.ablini.TIP, kTypeNotChosen);
}

TEST_F(BlankFileTest, LoadBringsValuesIntoRangeAndStopsTitlesAtGaps)
{
    writeBlanks("[Первый]\r\nTIP=1\r\n[Котельная]\r\ntip=7\r\nITOGONAME=#1abc\r\n"
                "UPTITLE00=Отчет\r\nUPTITLE01=Строка 2\r\nUPTITLE03=потерянная\r\n"
                "DOWNTITLE00=Подпись\r\nDOWNTITLE01=\r\nDOWNTITLE02=после пустой\r\n"
                "NAME01=Тепло\r\nZAP01=9\r\nITOG01=6\r\nMERAN01=4660\r\nARH01=3\r\n"
                "NAME02=Вода\r\nZAP02=x\r\nITOG02=-5\r\nMERAN02=-1\r\nCOLSIZE02=120\r\n"
                "GROUPB3=2\r\nGROUP3NAME=Без конца\r\nGROUPB1=1\r\nGROUPE1=2\r\nGROUP1NAME=Тепло и вода\r\n",
                "blank.ini");
    LoadBlank(state, 2);
    const BlankRecord& b = state.ablini;
    EXPECT_EQ(state.BlankCount, 2);
    EXPECT_EQ(state.SectionName, "Котельная");
    EXPECT_EQ(b.NAME[0], "Котельная");
    EXPECT_EQ(b.TIP, kHourlyBlank);
    EXPECT_EQ(b.ITOGONAME, "#1");
    EXPECT_EQ(b.UpTitle, (std::vector<std::string>{"Отчет", "Строка 2"}));
    // An empty line is kept; only a missing index ends a title.
    EXPECT_EQ(b.DownTitle, (std::vector<std::string>{"Подпись", "", "после пустой"}));
    EXPECT_EQ(b.ZAP[1], 1);
    EXPECT_EQ(b.ITOG[1], 3);
    EXPECT_EQ(b.MERAN[1], 4660);
    EXPECT_EQ(b.ARH[1], 3);
    EXPECT_EQ(b.ZAP[2], 1);
    EXPECT_EQ(b.ITOG[2], -1);
    EXPECT_EQ(b.MERAN[2], kNoController);
    EXPECT_EQ(b.ARH[2], kNoArchive);
    EXPECT_EQ(b.COLSIZE[2], 120);
    EXPECT_EQ(b.COLSIZE[0], 85);
    EXPECT_EQ(b.GROUPB[3], kNoGroupBound);
    EXPECT_EQ(b.GROUPNAME[3], "");
    EXPECT_EQ(b.GROUPB[1], 1);
    EXPECT_EQ(b.GROUPNAME[1], "Тепло и вода");
}

TEST_F(BlankFileTest, SaveRoundTripsInWindows1251AndMovesSectionToEnd)
{
    writeBlanks("[A]\r\nTIP=0\r\nNAME01=x\r\n[B]\r\nTIP=0\r\n[C]\r\nTIP=0\r\n");
    LoadBlank(state, 1);
    BlankRecord& b = state.ablini;
    b.NAME[0] = "Суточный отчет   ";
    b.TIP = kDailyBlank;
    b.STEP = 7;
    b.ITOGONAME = "Всего за период";
    for (int i = 0; i < 12; ++i)
        b.UpTitle.push_back("Строка " + std::to_string(i));
    b.NAME[1] = "Расход, т";
    b.ITOG[1] = -1;
    b.NAME[2] = "";
    b.ARH[2] = 5;
    b.MERAN[2] = 7;
    b.ITOG[2] = 2;
    b.GROUPB[3] = 1;
    b.GROUPNAME[4] = "без границ";
    ASSERT_EQ(SaveBlank(state, kDailyBlank), "");

    const std::string raw = readFile(state.file());
    EXPECT_NE(raw.find(utf8ToCp1251("[Суточный отчет]\r\n")), std::string::npos);
    EXPECT_EQ(raw.find("Расход"), std::string::npos) << "UTF-8 text leaked into the file";
    const IniFile ini = reread();
    EXPECT_EQ(ini.sections(), (std::vector<std::string>{"B", "C", "Суточный отчет"}));
    EXPECT_EQ(ini.keys("Суточный отчет"),
              (std::vector<std::string>{"TIP",       "STEP",      "ITOGONAME", "UPTITLE00", "UPTITLE01",
                                        "UPTITLE02", "UPTITLE03", "UPTITLE04", "UPTITLE05", "UPTITLE06",
                                        "UPTITLE07", "UPTITLE08", "UPTITLE09", "UPTITLE10", "UPTITLE11",
                                        "NAME01",    "ITOG01",    "ZAP01",     "COLSIZE01", "GROUPB3",
                                        "GROUP4NAME"}));
    EXPECT_EQ(ini.readInteger("Суточный отчет", "ITOG01", 0), -1);
    // The editor shows the blank just saved, now the third.
    EXPECT_EQ(state.BlankNumber, 3);
    EXPECT_EQ(state.ablini.NAME[0], "Суточный отчет");
    EXPECT_EQ(state.ablini.STEP, 7);
    EXPECT_EQ(state.ablini.UpTitle.size(), 12u);
    EXPECT_EQ(state.ablini.ARH[2], kNoArchive);
    EXPECT_EQ(state.ablini.GROUPB[3], kNoGroupBound);

    state.ablini.TIP = kHourlyBlank;
    ASSERT_EQ(SaveBlank(state, kHourlyBlank), "");
    EXPECT_FALSE(reread().value("Суточный отчет", "STEP"));
}

TEST_F(BlankFileTest, TitleWithAnEmptyMiddleLineKeepsEveryLine)
{
    writeBlanks("[A]\r\nTIP=0\r\n");
    LoadBlank(state, 1);
    state.ablini.UpTitle = {"Отчет", "", "за период"};
    ASSERT_EQ(SaveBlank(state, kHourlyBlank), "");
    LoadBlank(state, 1);
    EXPECT_EQ(state.ablini.UpTitle, (std::vector<std::string>{"Отчет", "", "за период"}));
}

// Saving under a name asks first only when that name is another blank's (in any
// letter case); deleting an unsaved new blank leaves no save question behind.
TEST_F(BlankFileTest, ReplacingAnotherBlankAndDeletingANewOne)
{
    writeBlanks("[A]\r\nTIP=0\r\n[B]\r\nTIP=0\r\n");
    LoadBlank(state, 1);
    EXPECT_FALSE(SaveReplacesAnotherBlank(state));
    state.ablini.NAME[0] = "a";
    EXPECT_FALSE(SaveReplacesAnotherBlank(state));
    state.ablini.NAME[0] = "C";
    EXPECT_FALSE(SaveReplacesAnotherBlank(state));
    state.ablini.NAME[0] = "b ";
    EXPECT_TRUE(SaveReplacesAnotherBlank(state));

    ResetBlank(state.ablini);
    state.ablini.NAME[0] = state.SectionName = NewBlankName(state);
    state.NewBlankPending = true;
    ASSERT_EQ(DeleteBlank(state), "");
    EXPECT_FALSE(state.NewBlankPending);
    EXPECT_EQ(state.BlankCount, 2);
    EXPECT_EQ(reread().sections(), (std::vector<std::string>{"A", "B"}));
}

TEST_F(BlankFileTest, NewBlankSavedWithUntouchedTypeChoiceHasNoStep)
{
    ResetBlank(state.ablini);
    state.ablini.NAME[0] = state.SectionName = NewBlankName(state);
    EXPECT_EQ(state.ablini.NAME[0], "Новый бланк1");
    ASSERT_EQ(SaveBlank(state, kDailyBlank), "");
    EXPECT_EQ(reread().readInteger("Новый бланк1", "TIP", -1), kDailyBlank);
    EXPECT_FALSE(reread().value("Новый бланк1", "STEP"));
}

TEST_F(BlankFileTest, NamesThatCannotBeSectionsAreRefusedAndFileUntouched)
{
    writeBlanks("[A]\r\nTIP=0\r\n");
    LoadBlank(state, 1);
    const std::string before = readFile(state.file());
    // A "]" or a line break would cut the section header and turn the rest into keys.
    for (const char* name : {"   ", "", "Котельная]2", "Котельная\r\nTIP=9", "a\nb", "a\rb"}) {
        state.ablini.NAME[0] = name;
        EXPECT_NE(SaveBlank(state, 0), "") << name;
        EXPECT_NE(SaveBlankAs(state, 0), "") << name;
        EXPECT_EQ(readFile(state.file()), before) << name;
    }
}

TEST_F(BlankFileTest, SaveAsPicksNextFreeNewNameAtTheEnd)
{
    writeBlanks("[A]\r\nTIP=0\r\n[Новый бланк1]\r\nTIP=0\r\n[Новый бланк2]\r\nTIP=1\r\n[Z]\r\nTIP=2\r\n");
    LoadBlank(state, 1);
    ASSERT_EQ(SaveBlankAs(state, kHourlyBlank), "");
    EXPECT_EQ(reread().sections().back(), "Новый бланк3");
    EXPECT_EQ(state.BlankNumber, 5);
    EXPECT_EQ(state.SectionName, "Новый бланк3");
    EXPECT_TRUE(reread().hasSection("A"));
}

TEST_F(BlankFileTest, NameWithLeadingBlanksStaysTheCurrentBlankAfterSaving)
{
    writeBlanks("[A]\r\nTIP=0\r\nNAME01=a\r\n[B]\r\nTIP=0\r\n");
    LoadBlank(state, 1);
    state.ablini.NAME[0] = "  Котельная";
    ASSERT_EQ(SaveBlank(state, kHourlyBlank), "");
    EXPECT_EQ(reread().sections(), (std::vector<std::string>{"B", "Котельная"}));
    EXPECT_EQ(state.BlankNumber, 2);
    EXPECT_EQ(state.ablini.NAME[1], "a");
}

TEST_F(BlankFileTest, RenamingOntoAnotherBlankReplacesItWhole)
{
    writeBlanks("[A]\r\nTIP=0\r\nNAME01=a\r\n[B]\r\nTIP=0\r\nNAME01=b1\r\nNAME02=b2\r\n");
    LoadBlank(state, 1);
    state.ablini.NAME[0] = "b";
    ASSERT_EQ(SaveBlank(state, kHourlyBlank), "");
    const IniFile ini = reread();
    EXPECT_EQ(ini.sections(), (std::vector<std::string>{"b"}));
    EXPECT_EQ(ini.readString("b", "NAME01", ""), "a");
    EXPECT_FALSE(ini.value("b", "NAME02"));
}

TEST_F(BlankFileTest, IntervalSaveKeepsOneControllerInColumnsTwoToTen)
{
    writeBlanks("[I]\r\nTIP=3\r\n");
    LoadBlank(state, 1);
    BlankRecord& b = state.ablini;
    for (int j : {1, 9, 14})
        b.NAME[j] = "c" + std::to_string(j);
    b.MERAN[1] = 100;
    b.MERAN[9] = 200;
    b.MERAN[14] = 200;
    ASSERT_EQ(SaveBlank(state, kIntervalBlank), "");
    EXPECT_EQ(b.MERAN[9], kNoController);
    EXPECT_EQ(b.MERAN[14], 200);

    // Without a controller in column 1 the first column that has one is the reference.
    BlankRecord r;
    r.MERAN[3] = 5;
    r.MERAN[4] = 6;
    r.MERAN[5] = 5;
    ApplyOneControllerRule(r);
    EXPECT_EQ(r.MERAN[3], 5);
    EXPECT_EQ(r.MERAN[4], kNoController);
    EXPECT_EQ(r.MERAN[5], 5);
}

TEST_F(BlankFileTest, DeleteAndColumnWidth)
{
    writeBlanks("[A]\r\nTIP=0\r\nNAME01=a\r\n[B]\r\nTIP=0\r\n");
    LoadBlank(state, 1);
    ASSERT_EQ(SaveColumnWidth(state, 0, 140), "");
    ASSERT_EQ(SaveColumnWidth(state, 3, 60), "");
    LoadBlank(state, 1);
    EXPECT_EQ(state.ablini.COLSIZE[0], 140);
    EXPECT_EQ(state.ablini.COLSIZE[3], 60);
    // Saving in the editor keeps the width of the date/time column.
    ASSERT_EQ(SaveBlank(state, kHourlyBlank), "");
    EXPECT_EQ(reread().readInteger("A", "COLSIZE00", 0), 140);

    LoadBlank(state, 1);
    ASSERT_EQ(DeleteBlank(state), "");
    EXPECT_EQ(reread().sections(), (std::vector<std::string>{"A"}));
    EXPECT_EQ(state.BlankNumber, 1);
    EXPECT_EQ(state.BlankCount, 1);
}

} // namespace
} // namespace kest
