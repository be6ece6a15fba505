#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <vector>

namespace kest {

constexpr const char* kBlankFile = "BLANK.INI";
constexpr int kBlankColumns = 16;
constexpr int kBlankGroups = 8;
/// The "none" marks of the record's integer fields.
constexpr int kNoArchive = 255;
constexpr int kNoController = -1;
constexpr int kNoTotal = 255;
constexpr int kNoGroupBound = 255;
constexpr int kTypeNotChosen = 255;
/// The list of blanks shows at most this many; the blanks after them are not offered.
constexpr int kMaxListedBlanks = 149;
/// The box shown when the file holds more blanks than the list shows.
extern const char* const kTooManyBlanksMessage;

/// Blank types, the TIP key.
enum BlankType
{
    kHourlyBlank = 0,
    kDailyBlank = 1,
    kMonthlyBlank = 2,
    kIntervalBlank = 3,
};

/// Totals row kinds, the ITOG key.
enum TotalType
{
    kTotalSum = 0,
    kTotalAverage = 1,
    kTotalCumulative = 2,
    kTotalOperatingTime = 3,
};

/// The current blank (`ablini`): one report template as the editor, the report
/// window and the standard forms share it. Arrays are indexed from 1 as the columns
/// and groups are numbered; NAME[0] is the blank's name and COLSIZE[0] the width of
/// the date/time column.
struct BlankRecord
{
    int IntervalMinutes = 5; ///< not stored; set before an interval report is built
    int TIP = kTypeNotChosen;
    std::vector<std::string> UpTitle;
    std::vector<std::string> DownTitle;
    std::array<int, kBlankColumns + 1> ZAP{};
    std::string ITOGONAME = "#0";
    int STEP = 1;
    std::array<std::string, kBlankColumns + 1> NAME;
    std::array<int, kBlankColumns + 1> ARH{};
    std::array<int, kBlankColumns + 1> MERAN{};
    std::array<int, kBlankColumns + 1> ITOG{};
    std::array<int, kBlankGroups + 1> GROUPB{};
    std::array<int, kBlankGroups + 1> GROUPE{};
    std::array<std::string, kBlankGroups + 1> GROUPNAME;
    std::array<int, kBlankColumns + 1> COLSIZE{};

    BlankRecord();
};

/// The blank file and the current blank: `ablini` with the counters kept beside it.
struct BlankState
{
    std::filesystem::path DatabasePath; ///< folder of BLANK.INI
    BlankRecord ablini;
    int BlankCount = 0;
    int BlankNumber = 1; ///< 1-based position of the current blank in the file
    std::string SectionName;
    bool NewBlankPending = false;

    /// BLANK.INI in DatabasePath, whatever letter case it has on disk.
    std::filesystem::path file() const;
};

/// Key names: NAME with 1 is NAME01, UPTITLE with 123 is UPTITLE123.
std::string indexedKey(const std::string& stem, int index);

void ResetBlank(BlankRecord& ablini);
/// Sets BlankCount from the sections of the file; a missing file has none.
int CountBlanks(BlankState& state);
/// Resets the record and loads the n-th section (1-based); nothing more when the
/// file has no such section.
void LoadBlank(BlankState& state, int n);
/// The 1-based position of the blank of that name, found without regard to letter
/// case and to blanks around the name; 0 when the file has no such blank.
int FindBlank(const BlankState& state, const std::string& name);
/// True when the section of that name has a TIP key.
bool BlankNameInUse(const BlankState& state, const std::string& name);

/// Writes the record under NAME[0] in place of the section SectionName. `chosenType`
/// is the type the editor shows (the record keeps 255 until the choice is touched).
/// Returns "" or the text to show: a blank without a name is refused, and so is a
/// file that cannot be written.
[[nodiscard]] std::string SaveBlank(BlankState& state, int chosenType);
/// True when SaveBlank would replace a blank other than the current one: NAME[0]
/// is the name of another section of the file.
bool SaveReplacesAnotherBlank(const BlankState& state);
/// The question asked before such a save.
std::string ReplaceBlankQuestion(const std::string& name);
/// Writes the record as a new section at the end of the file; a name in use becomes
/// "Новый бланк1", "Новый бланк2", ...
[[nodiscard]] std::string SaveBlankAs(BlankState& state, int chosenType);
/// Erases the section SectionName and ends a pending new blank's save question;
/// the editor shows blank 1 afterwards.
[[nodiscard]] std::string DeleteBlank(BlankState& state);
/// Writes COLSIZEnn of the current blank after the user resized a report column.
[[nodiscard]] std::string SaveColumnWidth(const BlankState& state, int column, int width);

/// The controller an interval blank reports on: column 1's, or when that column has
/// none, the first of columns 2 to 10 that has one; kNoController when none has.
int IntervalController(const BlankRecord& ablini);

/// Interval blanks report on one controller: columns 2 to 10 whose controller differs
/// from IntervalController lose it.
void ApplyOneControllerRule(BlankRecord& ablini);

/// The first free name of the form "Новый бланк1", "Новый бланк2", ...
std::string NewBlankName(const BlankState& state);

} // namespace kest
