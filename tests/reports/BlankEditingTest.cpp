#include "reports/BlankEditing.h"

#include <gtest/gtest.h>

namespace kest {
namespace {

BlankRecord threeColumns()
{
    BlankRecord b;
    b.TIP = kHourlyBlank;
    for (int k = 1; k <= 6; ++k)
        b.NAME[k] = "K" + std::to_string(k);
    return b;
}

TEST(BlankEditingTest, NewGroupsTakeFreeSlotsAndUnusedCaptions)
{
    BlankRecord b = threeColumns();
    EXPECT_EQ(CheckNewGroup(b, 2, 2), GroupCheck::SingleColumn);
    ASSERT_EQ(CheckNewGroup(b, 1, 2), GroupCheck::Ready);
    EXPECT_EQ(MakeGroup(b, 1, 2), 1);
    EXPECT_EQ(b.GROUPNAME[1], "Новая группа1");
    // A group whose caption was cleared keeps its slot and its columns.
    b.GROUPNAME[1].clear();
    EXPECT_EQ(GroupOfColumn(b, 2), 1);
    b.GROUPNAME[3] = "Новая группа1";
    b.GROUPB[3] = 5;
    b.GROUPE[3] = 6;
    EXPECT_EQ(CheckNewGroup(b, 3, 4), GroupCheck::Ready);
    EXPECT_EQ(MakeGroup(b, 3, 4), 2);
    EXPECT_EQ(b.GROUPNAME[2], "Новая группа2");
    EXPECT_EQ(CheckNewGroup(b, 4, 5), GroupCheck::Overlaps);
    RemoveGroupsIn(b, 4, 5);
    EXPECT_EQ(GroupOfColumn(b, 3), 0);
    EXPECT_EQ(GroupOfColumn(b, 6), 0);
    EXPECT_EQ(GroupOfColumn(b, 1), 1);
    EXPECT_EQ(CheckNewGroup(b, 6, 7), GroupCheck::MissingColumn);
}

TEST(BlankEditingTest, IntervalConflictComparesWithColumnOne)
{
    BlankRecord b = threeColumns();
    b.MERAN[1] = 0x0A1F;
    b.MERAN[2] = 0x0A1F;
    EXPECT_FALSE(IntervalControllerConflict(b, 2));
    b.MERAN[4] = 0x1A2F;
    EXPECT_FALSE(IntervalControllerConflict(b, 3));
    EXPECT_TRUE(IntervalControllerConflict(b, 4));
    EXPECT_EQ(ControllerItemText("Школа", 0x0A1F), "Школа (0A1F)");
}

// Without a controller in column 1 the first column given one decides, as at saving.
TEST(BlankEditingTest, IntervalConflictWithoutControllerInColumnOne)
{
    BlankRecord b = threeColumns();
    b.MERAN[3] = 0x0A1F;
    EXPECT_FALSE(IntervalControllerConflict(b, 3));
    b.MERAN[5] = 0x1A2F;
    EXPECT_TRUE(IntervalControllerConflict(b, 5));
    b.MERAN[5] = 0x0A1F;
    EXPECT_FALSE(IntervalControllerConflict(b, 5));
    // A later choice in an earlier column must agree with the one already made.
    b.MERAN[2] = 0x1A2F;
    EXPECT_TRUE(IntervalControllerConflict(b, 2));
}

} // namespace
} // namespace kest
