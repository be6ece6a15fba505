#include "reports/BlankFile.h"

#include "common/CodePage.h"
#include "common/IniFile.h"

#include <algorithm>

namespace kest {

const char* const kTooManyBlanksMessage =
    "У вас создано более 150 бланков, программа не предусматривает работу с таким количеством бланков, "
    "поэтому \"лишние бланки\" не отобразятся, Удалите в редакторе бланков излишние бланки. С уважением "
    "разработчик программы.";

namespace {

constexpr int kDefaultWidth = 85;
constexpr int kDefaultDecimals = 1;
const std::string kNewBlankStem = "Новый бланк";

std::string trimRight(std::string text)
{
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.pop_back();
    return text;
}

std::string groupKey(const char* stem, int g)
{
    return stem + std::to_string(g);
}
std::string groupNameKey(int g)
{
    return "GROUP" + std::to_string(g) + "NAME";
}

/// An integer key whose −1 means the same as a missing key.
std::optional<int> optionalInteger(const IniFile& ini, const std::string& section, const std::string& key)
{
    if (!ini.value(section, key))
        return std::nullopt;
    const int v = ini.readInteger(section, key, -1);
    if (v == -1)
        return std::nullopt;
    return v;
}

/// A title ends at its first missing index. An empty line is a line of the title:
/// the save writes every line, so a blank line between two others must not end it.
std::vector<std::string> readTitle(const IniFile& ini, const std::string& section, const std::string& stem)
{
    std::vector<std::string> lines;
    for (int i = 0;; ++i) {
        const auto line = ini.value(section, indexedKey(stem, i));
        if (!line)
            break;
        lines.push_back(*line);
    }
    return lines;
}

void readColumns(const IniFile& ini, const std::string& section, BlankRecord& b)
{
    for (int k = 0; k <= kBlankColumns; ++k)
        b.COLSIZE[k] = ini.readInteger(section, indexedKey("COLSIZE", k), kDefaultWidth);
    for (int j = 1; j <= kBlankColumns; ++j) {
        if (const auto v = optionalInteger(ini, section, indexedKey("MERAN", j)))
            b.MERAN[j] = *v;
        const int zap = ini.readInteger(section, indexedKey("ZAP", j), kDefaultDecimals);
        b.ZAP[j] = zap < 0 || zap > 4 ? kDefaultDecimals : zap;
        b.NAME[j] = ini.readString(section, indexedKey("NAME", j), "");
        if (const auto v = optionalInteger(ini, section, indexedKey("ARH", j)))
            b.ARH[j] = *v;
        if (const auto v = optionalInteger(ini, section, indexedKey("ITOG", j)))
            b.ITOG[j] = std::clamp(*v, -1, 3);
    }
}

void readGroups(const IniFile& ini, const std::string& section, BlankRecord& b)
{
    for (int g = 1; g <= kBlankGroups; ++g) {
        const int first = ini.readInteger(section, groupKey("GROUPB", g), -1);
        const int last = ini.readInteger(section, groupKey("GROUPE", g), -1);
        if (first == -1 || last == -1)
            continue;
        b.GROUPB[g] = first;
        b.GROUPE[g] = last;
        b.GROUPNAME[g] = ini.readString(section, groupNameKey(g), "");
    }
}

void writeTitle(IniFile& ini,
                const std::string& section,
                const std::string& stem,
                const std::vector<std::string>& lines)
{
    for (std::size_t i = 0; i < lines.size(); ++i)
        ini.writeString(section, indexedKey(stem, static_cast<int>(i)), lines[i]);
}

void writeRecord(IniFile& ini, const std::string& section, const BlankRecord& b, int type)
{
    ini.writeInteger(section, "TIP", type);
    if (b.TIP == kDailyBlank)
        ini.writeInteger(section, "STEP", b.STEP);
    ini.writeString(section, "ITOGONAME", b.ITOGONAME);
    writeTitle(ini, section, "UPTITLE", b.UpTitle);
    writeTitle(ini, section, "DOWNTITLE", b.DownTitle);
    // The date/time column has no name; its width is kept once the user changed it.
    if (b.COLSIZE[0] != kDefaultWidth)
        ini.writeInteger(section, indexedKey("COLSIZE", 0), b.COLSIZE[0]);
    for (int j = 1; j <= kBlankColumns; ++j) {
        if (b.NAME[j].empty())
            continue;
        ini.writeString(section, indexedKey("NAME", j), b.NAME[j]);
        if (b.ARH[j] != kNoArchive)
            ini.writeInteger(section, indexedKey("ARH", j), b.ARH[j]);
        if (b.ITOG[j] != kNoTotal)
            ini.writeInteger(section, indexedKey("ITOG", j), b.ITOG[j]);
        if (b.MERAN[j] != kNoController)
            ini.writeInteger(section, indexedKey("MERAN", j), b.MERAN[j]);
        ini.writeInteger(section, indexedKey("ZAP", j), b.ZAP[j]);
        ini.writeInteger(section, indexedKey("COLSIZE", j), b.COLSIZE[j]);
    }
    for (int g = 1; g <= kBlankGroups; ++g) {
        if (b.GROUPB[g] != kNoGroupBound)
            ini.writeInteger(section, groupKey("GROUPB", g), b.GROUPB[g]);
        if (b.GROUPE[g] != kNoGroupBound)
            ini.writeInteger(section, groupKey("GROUPE", g), b.GROUPE[g]);
        if (!b.GROUPNAME[g].empty())
            ini.writeString(section, groupNameKey(g), b.GROUPNAME[g]);
    }
}

/// The 1-based position of the section, matched without regard to letter case and
/// without the blanks around the name; 0 when the file has none of that name.
int blankPosition(const IniFile& ini, const std::string& name)
{
    // The file keeps section names without their leading blanks.
    const auto first = name.find_first_not_of(" \t");
    const std::string wanted = foldCase(first == std::string::npos ? "" : trimRight(name.substr(first)));
    const auto names = ini.sections();
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (foldCase(names[i]) == wanted)
            return static_cast<int>(i) + 1;
    }
    return 0;
}

/// A name the file can hold as a section: not empty, no line break, no closing bracket.
std::string checkName(const std::string& name)
{
    if (name.empty())
        return "Бланк без имени сохранить нельзя. Введите имя бланка.";
    if (name.find_first_of("\r\n]") != std::string::npos)
        return "Имя бланка не может содержать перевод строки или символ \"]\".";
    return {};
}

int positionOf(const IniFile& ini, const std::string& section)
{
    const int n = blankPosition(ini, section);
    return n == 0 ? 1 : n;
}

int validType(int chosenType)
{
    return chosenType >= 0 && chosenType <= 3 ? chosenType : kHourlyBlank;
}

/// Writes the record as `section` (already erased where needed), then shows the
/// saved blank again, as the editor does after every save.
std::string writeAndReload(BlankState& state, IniFile& ini, int chosenType)
{
    const int type = validType(chosenType);
    if (type == kIntervalBlank)
        ApplyOneControllerRule(state.ablini);
    writeRecord(ini, state.ablini.NAME[0], state.ablini, type);
    if (auto error = ini.save(); !error.empty())
        return "Не удалось записать " + ini.path().string() + ": " + error;
    state.NewBlankPending = false;
    CountBlanks(state);
    // The saved section is now the last one; show it rather than whatever blank
    // moved up into its old position.
    state.BlankNumber = positionOf(ini, state.ablini.NAME[0]);
    LoadBlank(state, state.BlankNumber);
    return {};
}

} // namespace

BlankRecord::BlankRecord()
{
    ResetBlank(*this);
}

std::filesystem::path BlankState::file() const
{
    return findFileNoCase(DatabasePath, kBlankFile);
}

std::string indexedKey(const std::string& stem, int index)
{
    return stem + (index < 10 ? "0" : "") + std::to_string(index);
}

void ResetBlank(BlankRecord& b)
{
    b.UpTitle.clear();
    b.DownTitle.clear();
    b.COLSIZE.fill(kDefaultWidth);
    b.ZAP.fill(kDefaultDecimals);
    b.ARH.fill(kNoArchive);
    b.MERAN.fill(kNoController);
    b.ITOG.fill(kNoTotal);
    for (auto& name : b.NAME)
        name.clear();
    b.GROUPB.fill(kNoGroupBound);
    b.GROUPE.fill(kNoGroupBound);
    for (auto& name : b.GROUPNAME)
        name.clear();
    b.ITOGONAME = "#0";
    b.STEP = 1;
    b.TIP = kTypeNotChosen;
}

int CountBlanks(BlankState& state)
{
    state.BlankCount = static_cast<int>(IniFile::load(state.file()).sections().size());
    return state.BlankCount;
}

void LoadBlank(BlankState& state, int n)
{
    BlankRecord& b = state.ablini;
    ResetBlank(b);
    const IniFile ini = IniFile::load(state.file());
    const auto sections = ini.sections();
    state.BlankCount = static_cast<int>(sections.size());
    if (n < 1 || n > state.BlankCount)
        return;
    const std::string& section = sections[static_cast<std::size_t>(n - 1)];
    state.SectionName = section;
    b.NAME[0] = section;
    b.TIP = ini.readInteger(section, "TIP", 0);
    if (b.TIP < 0 || b.TIP > 3)
        b.TIP = kHourlyBlank;
    b.ITOGONAME = ini.readString(section, "ITOGONAME", "#0");
    if (b.ITOGONAME.rfind("#0", 0) == 0 || b.ITOGONAME.rfind("#1", 0) == 0)
        b.ITOGONAME.resize(2);
    b.STEP = ini.readInteger(section, "STEP", 1);
    b.UpTitle = readTitle(ini, section, "UPTITLE");
    b.DownTitle = readTitle(ini, section, "DOWNTITLE");
    readColumns(ini, section, b);
    readGroups(ini, section, b);
}

int FindBlank(const BlankState& state, const std::string& name)
{
    return blankPosition(IniFile::load(state.file()), name);
}

bool BlankNameInUse(const BlankState& state, const std::string& name)
{
    return IniFile::load(state.file()).value(name, "TIP").has_value();
}

std::string NewBlankName(const BlankState& state)
{
    const IniFile ini = IniFile::load(state.file());
    for (int i = 1;; ++i) {
        std::string name = kNewBlankStem + std::to_string(i);
        if (!ini.value(name, "TIP"))
            return name;
    }
}

std::string SaveBlank(BlankState& state, int chosenType)
{
    BlankRecord& b = state.ablini;
    b.NAME[0] = trimRight(b.NAME[0]);
    if (auto problem = checkName(b.NAME[0]); !problem.empty())
        return problem;
    IniFile ini = IniFile::load(state.file());
    ini.eraseSection(state.SectionName);
    // Saving under the name of another blank replaces it whole: writing into its
    // section would mix its remaining columns into this blank.
    ini.eraseSection(b.NAME[0]);
    return writeAndReload(state, ini, chosenType);
}

std::string SaveBlankAs(BlankState& state, int chosenType)
{
    BlankRecord& b = state.ablini;
    b.NAME[0] = trimRight(b.NAME[0]);
    if (auto problem = checkName(b.NAME[0]); !problem.empty())
        return problem;
    state.BlankNumber = state.BlankCount + 1;
    if (BlankNameInUse(state, b.NAME[0]))
        b.NAME[0] = NewBlankName(state);
    state.SectionName = b.NAME[0];
    IniFile ini = IniFile::load(state.file());
    // A leftover section of that name without TIP is no blank; the new one goes to the end.
    ini.eraseSection(b.NAME[0]);
    return writeAndReload(state, ini, chosenType);
}

std::string DeleteBlank(BlankState& state)
{
    IniFile ini = IniFile::load(state.file());
    ini.eraseSection(state.SectionName);
    if (auto error = ini.save(); !error.empty())
        return "Не удалось записать " + ini.path().string() + ": " + error;
    // A new blank that was never saved is gone with it: its save question would
    // otherwise save blank 1 at the end of the file.
    state.NewBlankPending = false;
    state.BlankCount = static_cast<int>(ini.sections().size());
    state.BlankNumber = 1;
    return {};
}

bool SaveReplacesAnotherBlank(const BlankState& state)
{
    const IniFile ini = IniFile::load(state.file());
    const int target = blankPosition(ini, state.ablini.NAME[0]);
    return target != 0 && target != blankPosition(ini, state.SectionName);
}

std::string ReplaceBlankQuestion(const std::string& name)
{
    return "Бланк \"" + trimRight(name) +
           "\" уже есть. При ответе \"Ok\" он заменится этим бланком. При ответе \"No\" бланк не "
           "сохранится.";
}

std::string SaveColumnWidth(const BlankState& state, int column, int width)
{
    IniFile ini = IniFile::load(state.file());
    ini.writeInteger(state.ablini.NAME[0], indexedKey("COLSIZE", column), width);
    if (auto error = ini.save(); !error.empty())
        return "Не удалось записать " + ini.path().string() + ": " + error;
    return {};
}

int IntervalController(const BlankRecord& b)
{
    int reference = b.MERAN[1];
    for (int j = 2; j <= 10 && reference == kNoController; ++j)
        reference = b.MERAN[j];
    return reference;
}

void ApplyOneControllerRule(BlankRecord& b)
{
    const int reference = IntervalController(b);
    for (int j = 2; j <= 10; ++j) {
        if (b.MERAN[j] != kNoController && b.MERAN[j] != reference)
            b.MERAN[j] = kNoController;
    }
}

} // namespace kest
