#include "settings/ArchiveMarking.h"

#include "TestSupport.h"
#include "common/IniFile.h"
#include "common/Prompter.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace kest {
namespace {

/// A KEST.INI with one controller's section, and the marking of one kind in it.
struct Marks
{
    explicit Marks(const std::string& keys, MarkKind kind = MarkKind::Hourly)
        : marking(dir / "KEST.INI", "0412", kind)
    {
        test::writeFile(dir / "KEST.INI", "[0100]\r\nAH01=90\r\n[0412]\r\n" + keys);
    }
    int value(const std::string& key) const
    {
        return IniFile::load(dir / "KEST.INI").readInteger("0412", key, -1);
    }
    std::string file() const { return test::readFile(dir / "KEST.INI"); }

    test::TempDir dir;
    MemoryPrompter prompter;
    ArchiveMarking marking;
};

TEST(ArchiveMarkingTest, ColoursFollowTheValues)
{
    struct Case
    {
        MarkKind kind;
        int value;
        MarkColour colour;
    } cases[] = {
        {MarkKind::Daily, 1812, MarkColour::Aqua},
        {MarkKind::Monthly, 1105, MarkColour::White},
        {MarkKind::Interval, 500, MarkColour::White},
        {MarkKind::Hourly, 21105, MarkColour::White},
    };
    for (const auto& c : cases)
        EXPECT_EQ(markColour(c.kind, MarkValue{c.value}), c.colour) << c.value;
    Marks m("AI02=90\r\nAI13=90\r\n", MarkKind::Interval);
    const auto colours = m.marking.colours();
    ASSERT_EQ(colours.size(), 13u); // interval cells 13..15 stay empty
    EXPECT_EQ(colours[2], MarkColour::Red);
}

TEST(ArchiveMarkingTest, ChainingAppendsMembersAndNarrowsTheHeadList)
{
    Marks m("AH05=90\r\n");
    ASSERT_TRUE(m.marking.chainTo(7, 5, m.prompter).changed);
    EXPECT_EQ(m.value("AH07"), 1105);
    ASSERT_TRUE(m.marking.chainTo(9, 5, m.prompter).changed);
    EXPECT_EQ(m.value("AH09"), 1205);
    EXPECT_TRUE(m.prompter.questions.empty());

    const std::vector<int> heads = m.marking.headChoices(9);
    EXPECT_EQ(std::count(heads.begin(), heads.end(), 7), 0); // a member is no head
    EXPECT_EQ(std::count(heads.begin(), heads.end(), 9), 0); // nor is the archive itself
    EXPECT_EQ(std::count(heads.begin(), heads.end(), 5), 1); // double precision may head
    EXPECT_EQ(heads.size(), 30u);
    EXPECT_EQ(m.marking.currentHead(9), 5);
    EXPECT_EQ(m.marking.currentHead(5), -1);
    EXPECT_EQ(m.marking.members(5).text, " 07 09");
    EXPECT_EQ(m.marking.members(6).text, "сцепленных архивов нет");
    EXPECT_TRUE(m.marking.members(6).acceptEnabled);

    Marks interval("", MarkKind::Interval);
    const std::vector<int> intervalHeads = interval.marking.headChoices(0);
    EXPECT_EQ(intervalHeads.back(), 13); // chain scans reach 13 though the grid ends at 12
}

TEST(ArchiveMarkingTest, FullChainsRefuseMoreMembers)
{
    Marks hourly(
        "AH20=1105\r\nAH21=1205\r\nAH22=1305\r\nAH23=1405\r\nAH24=1505\r\nAH25=1605\r\nAH26=1705\r\n");
    EXPECT_FALSE(hourly.marking.members(5).acceptEnabled);
    EXPECT_FALSE(hourly.marking.chainTo(7, 5, hourly.prompter).changed);
    EXPECT_EQ(hourly.value("AH07"), -1);
    hourly.marking.clearMark(20);
    EXPECT_TRUE(hourly.marking.members(5).acceptEnabled);

    Marks daily("AD10=1103\r\n", MarkKind::Daily);
    EXPECT_FALSE(daily.marking.members(3).acceptEnabled);
    EXPECT_TRUE(daily.marking.members(4).acceptEnabled);
    EXPECT_FALSE(daily.marking.chainTo(11, 3, daily.prompter).changed);
}

TEST(ArchiveMarkingTest, RemovingAMemberRenumbersTheRest)
{
    for (MarkKind kind : {MarkKind::Hourly, MarkKind::Interval}) {
        const std::string p = markPrefix(kind);
        Marks m(p + "02=1105\r\n" + p + "03=1205\r\n" + p + "04=1305\r\n" + p + "13=1805\r\n", kind);
        ASSERT_TRUE(m.marking.clearMark(2).changed);
        EXPECT_EQ(m.value(p + "02"), -1);
        EXPECT_EQ(m.value(p + "03"), 1105);
        EXPECT_EQ(m.value(p + "04"), 1205);
        EXPECT_EQ(m.value(p + "13"), 1805); // an extended value naming 05 is no member
    }
}

TEST(ArchiveMarkingTest, ChoosingTheSameHeadAgainLeavesNoFreePosition)
{
    Marks m("AH07=1105\r\nAH09=1205\r\n");
    ASSERT_TRUE(m.marking.chainTo(7, 5, m.prompter).changed);
    EXPECT_EQ(m.value("AH09"), 1105);
    EXPECT_EQ(m.value("AH07"), 1205);

    Marks alone("AH07=1105\r\n");
    ASSERT_TRUE(alone.marking.chainTo(7, 5, alone.prompter).changed);
    EXPECT_EQ(alone.value("AH07"), 1105);

    // Moving to another head leaves the old chain closed up as well.
    Marks moved("AH07=1105\r\nAH09=1205\r\nAH11=1305\r\n");
    ASSERT_TRUE(moved.marking.chainTo(9, 6, moved.prompter).changed);
    EXPECT_EQ(moved.value("AH09"), 1106);
    EXPECT_EQ(moved.value("AH07"), 1105);
    EXPECT_EQ(moved.value("AH11"), 1205);
}

TEST(ArchiveMarkingTest, ChainingAHeadAsksBeforeDroppingItsMembers)
{
    Marks m("AH05=1103\r\nAH07=1203\r\n");
    // "AH03" heads 05 and 07: the question names both, each followed by a blank.
    EXPECT_FALSE(m.marking.chainTo(3, 6, m.prompter).changed);
    ASSERT_EQ(m.prompter.questions.size(), 1u);
    EXPECT_EQ(m.prompter.questions[0],
              "Архив №03 уже сцеплен с архивами №05 07 . При нажатии на кнопку \"OK\" все сцепленные с ним "
              "архивы удалятся.  При нажатии на кнопку \"NO\" вы вернетесь в настройки архивов.");
    EXPECT_EQ(m.value("AH05"), 1103); // "No": nothing changed
    EXPECT_EQ(m.value("AH03"), -1);

    m.prompter.answers = {true};
    ASSERT_TRUE(m.marking.chainTo(3, 6, m.prompter).changed);
    EXPECT_EQ(m.value("AH05"), -1);
    EXPECT_EQ(m.value("AH07"), -1);
    EXPECT_EQ(m.value("AH03"), 1106);

    Marks one("AD20=1110\r\n", MarkKind::Daily);
    one.prompter.answers = {true};
    ASSERT_TRUE(one.marking.chainTo(10, 30, one.prompter).changed);
    EXPECT_EQ(one.prompter.questions.at(0).rfind("Архив №10 уже сцеплен с архивом №20 . При", 0), 0u);
    EXPECT_EQ(one.value("AD20"), -1);
    EXPECT_EQ(one.value("AD10"), 1130);
}

TEST(ArchiveMarkingTest, DoublePrecisionOnAMemberAsksFirst)
{
    Marks daily("AD03=90\r\nAD10=1103\r\n", MarkKind::Daily);
    const std::string before = daily.file();
    EXPECT_FALSE(daily.marking.setDoublePrecision(10, daily.prompter).changed);
    ASSERT_EQ(daily.prompter.questions.size(), 1u);
    EXPECT_EQ(daily.prompter.questions[0],
              "Архив №10 является сцепленным с архивом №03. При нажатии на кнопку \"OK\" он удалится из "
              "сцепки архива №03.  При нажатии на кнопку \"NO\" вы вернетесь в настройки архивов.");
    EXPECT_EQ(daily.file(), before); // "No" leaves the key and the chain untouched

    Marks hourly("AH07=1105\r\nAH09=1205\r\nAH12=1812\r\n");
    hourly.prompter.answers = {true};
    ASSERT_TRUE(hourly.marking.setDoublePrecision(7, hourly.prompter).changed);
    EXPECT_EQ(hourly.value("AH07"), 90);
    EXPECT_EQ(hourly.value("AH09"), 1105);
    // An extended archive simply becomes double precision, without a question.
    ASSERT_TRUE(hourly.marking.setDoublePrecision(12, hourly.prompter).changed);
    EXPECT_EQ(hourly.value("AH12"), 90);
    EXPECT_EQ(hourly.prompter.questions.size(), 1u);
}

TEST(ArchiveMarkingTest, ClearingDeletesMarksButNotOrdinaryValues)
{
    Marks m("AH01=90\r\nAH02=1802\r\nAH03=500\r\n");
    EXPECT_TRUE(m.marking.clearMark(1).changed);
    EXPECT_TRUE(m.marking.clearMark(2).changed);
    EXPECT_FALSE(m.marking.clearMark(3).changed);
    EXPECT_FALSE(m.marking.clearMark(4).changed);
    EXPECT_EQ(m.value("AH01"), -1);
    EXPECT_EQ(m.value("AH02"), -1);
    EXPECT_EQ(m.value("AH03"), 500);
    // Other controllers' sections are never touched.
    EXPECT_EQ(IniFile::load(m.dir / "KEST.INI").readInteger("0100", "AH01", -1), 90);
}

TEST(ArchiveMarkingTest, EmptySectionsGoButMonthlyAndIntervalKeysStay)
{
    test::TempDir dir;
    const auto file = dir / "KEST.INI";
    test::writeFile(file, "[0001]\r\n[0002]\r\nAM05=90\r\n[0003]\r\nai04=90\r\n[0004]\r\nNOTE=1\r\n");
    for (const char* section : {"0001", "0002", "0003", "0004"})
        EXPECT_TRUE(eraseSectionWithoutMarks(file, section).error.empty());
    const IniFile ini = IniFile::load(file);
    EXPECT_FALSE(ini.hasSection("0001"));
    EXPECT_TRUE(ini.hasSection("0002"));
    EXPECT_TRUE(ini.hasSection("0003"));
    EXPECT_FALSE(ini.hasSection("0004"));
}

TEST(ArchiveMarkingTest, AFileThatCannotBeWrittenIsReportedAndKept)
{
    Marks m("AH05=90\r\n");
    chmod((m.dir / "KEST.INI").c_str(), 0444);
    const MarkChange change = m.marking.chainTo(7, 5, m.prompter);
    EXPECT_FALSE(change.changed);
    EXPECT_FALSE(change.error.empty());
    EXPECT_EQ(m.value("AH07"), -1);
}

} // namespace
} // namespace kest
