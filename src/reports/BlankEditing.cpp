#include "reports/BlankEditing.h"

#include "common/Hex.h"

namespace kest {

const char* const kGroupOverlapQuestion =
    "Новая группа перекрывает ранее созданную группу. При нажатии на кнопку \"OK\" старая группа удалится и "
    "создатся новая группа. При нажатии на копку \"No\" вы вернетесь в редактор бланков.";
const char* const kGroupMissingColumnMessage =
    "Объединять в группу можно только существующие колонки. Создайте недостающую колонку и попробуйте снова.";
const char* const kGroupNoFreeSlotMessage =
    "В бланке может быть не более восьми групп. Снимите одно из объединений и попробуйте снова.";
const char* const kIntervalControllerMessage =
    "В бланках для архивов интервалов могут быть только архива одного МЕРАН, будьте внимательны.";

namespace {

bool groupExists(const BlankRecord& b, int g)
{
    return b.GROUPB[g] != kNoGroupBound && b.GROUPE[g] != kNoGroupBound;
}

/// A slot is free when it has neither bounds nor a caption; a group whose caption was
/// cleared still holds its columns and keeps its slot.
bool slotFree(const BlankRecord& b, int g)
{
    return b.GROUPNAME[g].empty() && !groupExists(b, g);
}

} // namespace

int GroupOfColumn(const BlankRecord& blank, int column)
{
    for (int g = 1; g <= kBlankGroups; ++g) {
        if (groupExists(blank, g) && blank.GROUPB[g] <= column && column <= blank.GROUPE[g])
            return g;
    }
    return 0;
}

void RemoveGroup(BlankRecord& blank, int g)
{
    if (g < 1 || g > kBlankGroups)
        return;
    blank.GROUPB[g] = kNoGroupBound;
    blank.GROUPE[g] = kNoGroupBound;
    blank.GROUPNAME[g].clear();
}

void RemoveGroupsIn(BlankRecord& blank, int top, int bottom)
{
    for (int r = top; r <= bottom; ++r) {
        while (const int g = GroupOfColumn(blank, r))
            RemoveGroup(blank, g);
    }
}

GroupCheck CheckNewGroup(const BlankRecord& blank, int top, int bottom)
{
    if (bottom <= top)
        return GroupCheck::SingleColumn;
    for (int r = top; r <= bottom; ++r) {
        if (GroupOfColumn(blank, r))
            return GroupCheck::Overlaps;
    }
    for (int r = top; r <= bottom; ++r) {
        if (blank.NAME[r].empty())
            return GroupCheck::MissingColumn;
    }
    for (int g = 1; g <= kBlankGroups; ++g) {
        if (slotFree(blank, g))
            return GroupCheck::Ready;
    }
    return GroupCheck::NoFreeSlot;
}

int MakeGroup(BlankRecord& blank, int top, int bottom)
{
    int slot = 0;
    for (int g = 1; g <= kBlankGroups && !slot; ++g) {
        if (slotFree(blank, g))
            slot = g;
    }
    if (!slot)
        return 0;
    std::string caption;
    for (int n = 1;; ++n) {
        caption = "Новая группа" + std::to_string(n);
        bool used = false;
        for (int g = 1; g <= kBlankGroups; ++g)
            used = used || blank.GROUPNAME[g] == caption;
        if (!used)
            break;
    }
    blank.GROUPB[slot] = top;
    blank.GROUPE[slot] = bottom;
    blank.GROUPNAME[slot] = caption;
    return slot;
}

bool IntervalControllerConflict(const BlankRecord& blank, int column)
{
    // The controller the save keeps, found without the column just chosen: the first
    // column given a controller decides, and the one chosen now must agree with it.
    BlankRecord others = blank;
    if (column >= 1 && column <= kBlankColumns)
        others.MERAN[column] = kNoController;
    const int reference = IntervalController(others);
    if (reference == kNoController)
        return false;
    for (int k = 2; k <= column && k <= kBlankColumns; ++k) {
        if (blank.MERAN[k] != kNoController && blank.MERAN[k] != reference)
            return true;
    }
    return false;
}

std::string ControllerItemText(const std::string& name, long long code)
{
    return name + " (" + toHex(static_cast<std::uint64_t>(code), 4) + ")";
}

} // namespace kest
