#pragma once

#include "settings/ArchiveSettingsFile.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kest {

class IniFile;
class Prompter;

/// How a cell of the archive grid shows its archive's mark.
enum class MarkColour
{
    White, ///< ordinary archive
    Red,   ///< double precision
    Aqua,  ///< extended archive (18kk)
    Green  ///< chained to a head
};

MarkColour markColour(MarkKind kind, const MarkValue& mark);

/// Rows of the archive grid (eight cells each): 4 hourly, 8 daily and monthly, 2 interval.
int markGridRows(MarkKind kind);
/// Numbered cells of the archive grid: 32, 64, 64, and 13 for interval archives,
/// whose last three cells stay empty.
int markGridCells(MarkKind kind);

/// Whether the value makes the archive a member of some head. Hourly and interval
/// archives with an extended value (18kk) are not; the daily rules do not look at
/// the position digit.
bool isChainMember(MarkKind kind, const MarkValue& mark);

/// "05": archive numbers as the file and the questions write them.
std::string twoDigits(int number);

/// The result of one change to KEST.INI.
struct MarkChange
{
    bool changed = false;
    std::string error; ///< why the file could not be written; empty on success
};

/// The members of a head as the head choice window shows them.
struct HeadMembers
{
    std::string text;          ///< " 05 09", or "сцепленных архивов нет"
    bool acceptEnabled = true; ///< room for one more member
};

constexpr const char* kExtendedNotChained = "Расширенный архив не может быть сцепленным, будьте внимательны.";

/// The marks of one kind in one controller's section of KEST.INI, as the archive
/// settings and head choice windows change them. Every operation reads the file
/// afresh and writes a change at once; there is no separate save.
class ArchiveMarking
{
public:
    ArchiveMarking(std::filesystem::path file, std::string section, MarkKind kind);

    MarkKind kind() const { return m_kind; }
    const std::string& section() const { return m_section; }

    MarkValue mark(int number) const;
    /// The colour of every numbered cell of the grid.
    std::vector<MarkColour> colours() const;

    /// "Установить" with "двойная точность". A chain member leaves its chain first,
    /// and only when the user agrees to the question; "No" changes nothing.
    MarkChange setDoublePrecision(int number, Prompter& prompter) const;
    /// "Снять": a double-precision or extended mark is deleted, a chain member leaves
    /// its chain and loses its key; an ordinary archive stays as it is.
    MarkChange clearMark(int number) const;

    /// The heads `number` may be chained to: every archive of the kind that is
    /// ordinary or marked for double precision (value below 100), except itself.
    std::vector<int> headChoices(int number) const;
    /// The head `number` is chained to, -1 when none.
    int currentHead(int number) const;
    /// The members of `head` in position order, and whether it takes one more.
    HeadMembers members(int head) const;
    /// "Принять": chains `number` to `head` at the end of its chain. When `number`
    /// heads a chain itself, its members lose their keys, after the user agrees;
    /// "No" changes nothing. A member of another chain leaves that chain first.
    MarkChange chainTo(int number, int head, Prompter& prompter) const;

    /// The chaining question for a member about to get double precision.
    static std::string leaveChainQuestion(int number, int head);
    /// The question before a head with these members is chained to another head.
    static std::string dropMembersQuestion(int number, const std::vector<int>& members);

private:
    IniFile load() const;
    /// Every member of `head`, by position; members without a valid position last.
    std::vector<int> memberList(const IniFile& ini, int head) const;
    /// Takes `number` out of its head's chain and closes the gap by renumbering the
    /// others 1, 2, ...; its own key is left to the caller.
    void removeFromChain(IniFile& ini, int number) const;
    MarkChange save(const IniFile& ini) const;

    std::filesystem::path m_file;
    std::string m_section;
    MarkKind m_kind;
};

/// Erases the controller's section when it holds no archive key (AH, AD, AM, AI)
/// any more, so the list no longer shows the controller as one with settings.
MarkChange eraseSectionWithoutMarks(const std::filesystem::path& file, std::string_view section);

} // namespace kest
