#include "settings/ArchiveMarking.h"

#include "common/IniFile.h"
#include "common/Prompter.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace kest {
namespace {

constexpr int kDoubleValue = 90;

/// The value that makes `number` the member at `position` of `head`: "1", the
/// position digit and the head's two digits, 1305 for position 3 of head 05.
int memberValue(int position, int head)
{
    return 1000 + position * 100 + head;
}

int chainLimit(MarkKind kind)
{
    return kind == MarkKind::Daily ? 1 : kChainPositions;
}

bool isArchiveKey(std::string_view key)
{
    if (key.size() < 2 || std::toupper(static_cast<unsigned char>(key[0])) != 'A')
        return false;
    const char second = static_cast<char>(std::toupper(static_cast<unsigned char>(key[1])));
    return second == 'H' || second == 'D' || second == 'M' || second == 'I';
}

} // namespace

MarkColour markColour(MarkKind kind, const MarkValue& mark)
{
    if (mark.isDouble())
        return MarkColour::Red;
    if (kind == MarkKind::Monthly || !mark.isLinked())
        return MarkColour::White;
    return mark.isExtended() ? MarkColour::Aqua : MarkColour::Green;
}

int markGridRows(MarkKind kind)
{
    switch (kind) {
    case MarkKind::Hourly:
        return 4;
    case MarkKind::Daily:
    case MarkKind::Monthly:
        return 8;
    case MarkKind::Interval:
        break;
    }
    return 2;
}

int markGridCells(MarkKind kind)
{
    // The settings window offers interval archives 00..12 only.
    return kind == MarkKind::Interval ? 13 : markScanCount(kind);
}

bool isChainMember(MarkKind kind, const MarkValue& mark)
{
    if (kind == MarkKind::Monthly || !mark.isLinked())
        return false;
    return kind == MarkKind::Daily || !mark.isExtended();
}

std::string twoDigits(int number)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", number);
    return buf;
}

ArchiveMarking::ArchiveMarking(std::filesystem::path file, std::string section, MarkKind kind)
    : m_file(std::move(file)), m_section(std::move(section)), m_kind(kind)
{
}

IniFile ArchiveMarking::load() const
{
    return IniFile::load(m_file);
}

MarkChange ArchiveMarking::save(const IniFile& ini) const
{
    MarkChange change;
    change.error = ini.save();
    change.changed = change.error.empty();
    return change;
}

MarkValue ArchiveMarking::mark(int number) const
{
    return readMark(load(), m_section, m_kind, number);
}

std::vector<MarkColour> ArchiveMarking::colours() const
{
    const IniFile ini = load();
    std::vector<MarkColour> result;
    for (int k = 0; k < markGridCells(m_kind); ++k)
        result.push_back(markColour(m_kind, readMark(ini, m_section, m_kind, k)));
    return result;
}

std::vector<int> ArchiveMarking::memberList(const IniFile& ini, int head) const
{
    const ChainMembers members = DeriveChainMembers(ini, m_section, m_kind, head);
    std::vector<int> list;
    for (int p = 1; p <= kChainPositions; ++p) {
        if (members.byPosition[static_cast<std::size_t>(p)] != kNoMark)
            list.push_back(members.byPosition[static_cast<std::size_t>(p)]);
    }
    // A hand-edited file may hold a member without a valid position, or two on one
    // position; they are members all the same.
    for (int m = 0; m < markScanCount(m_kind); ++m) {
        if (members.isMember[static_cast<std::size_t>(m)] &&
            std::find(list.begin(), list.end(), m) == list.end())
            list.push_back(m);
    }
    return list;
}

void ArchiveMarking::removeFromChain(IniFile& ini, int number) const
{
    const MarkValue own = readMark(ini, m_section, m_kind, number);
    const int head = own.head();
    if (!isChainMember(m_kind, own) || head < 0)
        return;
    const ChainMembers members = DeriveChainMembers(ini, m_section, m_kind, head);
    int position = 0;
    for (int p = 1; p <= kChainPositions; ++p) {
        const int member = members.byPosition[static_cast<std::size_t>(p)];
        if (member == kNoMark || member == number)
            continue;
        ++position;
        ini.writeInteger(m_section, markKey(m_kind, member), memberValue(position, head));
    }
}

MarkChange ArchiveMarking::setDoublePrecision(int number, Prompter& prompter) const
{
    IniFile ini = load();
    const MarkValue own = readMark(ini, m_section, m_kind, number);
    if (isChainMember(m_kind, own)) {
        if (!prompter.ask(leaveChainQuestion(number, own.head()), false))
            return {};
        removeFromChain(ini, number);
    }
    ini.writeInteger(m_section, markKey(m_kind, number), kDoubleValue);
    return save(ini);
}

MarkChange ArchiveMarking::clearMark(int number) const
{
    IniFile ini = load();
    const MarkValue own = readMark(ini, m_section, m_kind, number);
    switch (markColour(m_kind, own)) {
    case MarkColour::White:
        return {};
    case MarkColour::Green:
        removeFromChain(ini, number);
        break;
    case MarkColour::Red:
    case MarkColour::Aqua:
        break;
    }
    ini.deleteKey(m_section, markKey(m_kind, number));
    return save(ini);
}

std::vector<int> ArchiveMarking::headChoices(int number) const
{
    const IniFile ini = load();
    std::vector<int> heads;
    for (int k = 0; k < markScanCount(m_kind); ++k) {
        if (k != number && readMark(ini, m_section, m_kind, k).value < 100)
            heads.push_back(k);
    }
    return heads;
}

int ArchiveMarking::currentHead(int number) const
{
    const MarkValue own = mark(number);
    return isChainMember(m_kind, own) ? own.head() : -1;
}

HeadMembers ArchiveMarking::members(int head) const
{
    const ChainMembers members = DeriveChainMembers(load(), m_section, m_kind, head);
    HeadMembers shown;
    for (int p = 1; p <= kChainPositions; ++p) {
        if (members.byPosition[static_cast<std::size_t>(p)] != kNoMark)
            shown.text += " " + twoDigits(members.byPosition[static_cast<std::size_t>(p)]);
    }
    // Three characters per member: a daily head takes one, the others seven.
    shown.acceptEnabled = shown.text.size() < static_cast<std::size_t>(3 * chainLimit(m_kind));
    if (shown.text.empty())
        shown.text = "сцепленных архивов нет";
    return shown;
}

MarkChange ArchiveMarking::chainTo(int number, int head, Prompter& prompter) const
{
    if (head < 0 || head == number || head >= markScanCount(m_kind))
        return {};
    IniFile ini = load();
    const MarkValue own = readMark(ini, m_section, m_kind, number);
    if (own.value < 100) {
        const std::vector<int> members = memberList(ini, number);
        if (!members.empty()) {
            if (!prompter.ask(dropMembersQuestion(number, members), false))
                return {};
            for (int m : members)
                ini.deleteKey(m_section, markKey(m_kind, m));
        }
    } else if (isChainMember(m_kind, own)) {
        removeFromChain(ini, number);
    }
    // The archive's old key is not counted even when it names this head already, so
    // choosing the same head again moves it to the end without leaving a free
    // position: the reading ends a chain at its first free position.
    const std::vector<int> members = memberList(ini, head);
    const auto others = std::count_if(members.begin(), members.end(), [&](int m) { return m != number; });
    const int position = 1 + static_cast<int>(others);
    if (position > chainLimit(m_kind))
        return {};
    ini.writeInteger(m_section, markKey(m_kind, number), memberValue(position, head));
    return save(ini);
}

std::string ArchiveMarking::leaveChainQuestion(int number, int head)
{
    const std::string hh = twoDigits(head);
    return "Архив №" + twoDigits(number) + " является сцепленным с архивом №" + hh +
           ". При нажатии на кнопку \"OK\" он удалится из сцепки архива №" + hh +
           ".  При нажатии на кнопку \"NO\" вы вернетесь в настройки архивов.";
}

std::string ArchiveMarking::dropMembersQuestion(int number, const std::vector<int>& members)
{
    std::string list;
    for (int m : members)
        list += twoDigits(m) + " ";
    const char* with = list.size() >= 4 ? " уже сцеплен с архивами №" : " уже сцеплен с архивом №";
    return "Архив №" + twoDigits(number) + with + list +
           ". При нажатии на кнопку \"OK\" все сцепленные с ним архивы удалятся.  При нажатии на кнопку "
           "\"NO\" вы вернетесь в настройки архивов.";
}

MarkChange eraseSectionWithoutMarks(const std::filesystem::path& file, std::string_view section)
{
    IniFile ini = IniFile::load(file);
    if (!ini.hasSection(section))
        return {};
    for (const std::string& key : ini.keys(section)) {
        if (isArchiveKey(key))
            return {};
    }
    ini.eraseSection(section);
    MarkChange change;
    change.error = ini.save();
    change.changed = change.error.empty();
    return change;
}

} // namespace kest
