#pragma once

#include "reports/BlankFile.h"

#include <string>

namespace kest {

/// The messages of the blank editor.
extern const char* const kGroupOverlapQuestion;
extern const char* const kGroupMissingColumnMessage;
extern const char* const kGroupNoFreeSlotMessage;
extern const char* const kIntervalControllerMessage;

/// The group (1..8) whose bounds hold column `column`, or 0.
int GroupOfColumn(const BlankRecord& blank, int column);

/// Empties group g: no bounds, no caption.
void RemoveGroup(BlankRecord& blank, int g);

/// Removes every group that shares a column with top..bottom.
void RemoveGroupsIn(BlankRecord& blank, int top, int bottom);

/// What grouping columns top..bottom would meet.
enum class GroupCheck
{
    Ready,
    SingleColumn,  ///< nothing to group
    Overlaps,      ///< a column belongs to a group: ask before removing it
    MissingColumn, ///< a column has no caption
    NoFreeSlot,    ///< all eight groups are in use
};
GroupCheck CheckNewGroup(const BlankRecord& blank, int top, int bottom);

/// Makes columns top..bottom a group in the first free slot, captioned "Новая группа1"
/// or the next number not in use; returns the group, or 0 when no slot is free.
int MakeGroup(BlankRecord& blank, int top, int bottom);

/// For interval blanks: true when one of columns 2..column has a controller other
/// than the one the save rule keeps (IntervalController), found without `column`'s
/// own choice.
bool IntervalControllerConflict(const BlankRecord& blank, int column);

/// The controller list's item: the name, " (", the code as four hexadecimal digits, ")".
std::string ControllerItemText(const std::string& name, long long code);

} // namespace kest
