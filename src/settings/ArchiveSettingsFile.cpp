#include "settings/ArchiveSettingsFile.h"

#include "common/IniFile.h"

#include <cstdio>

namespace kest {
namespace {

/// The archive numbers the load walks. The interval walk stops at 12, as the
/// settings window offers no archive 13, while chain scans still look at 13.
int loadWalkCount(MarkKind kind)
{
    return kind == MarkKind::Interval ? 13 : markScanCount(kind);
}

bool scanSkipsExtended(MarkKind kind)
{
    return kind == MarkKind::Hourly || kind == MarkKind::Interval;
}

std::uint8_t& flagOf(ArchiveSettings& s, MarkKind kind, int number)
{
    const auto i = static_cast<std::size_t>(number);
    switch (kind) {
    case MarkKind::Hourly:
        return s.HourlyFlags[i];
    case MarkKind::Daily:
        return s.DailyFlags[i];
    case MarkKind::Monthly:
        return s.MonthlyFlags[i];
    case MarkKind::Interval:
        break;
    }
    return s.IntervalFlags[i];
}

void loadChainMember(MarkKind kind, int member, const MarkValue& mark, ArchiveSettings& s)
{
    const int head = mark.head();
    if (head < 0 || head >= markScanCount(kind))
        return;
    const auto h = static_cast<std::size_t>(head);
    const auto m = static_cast<std::uint8_t>(member);
    const int position = mark.position() - '0';
    if (position < 1 || position > kChainPositions)
        return;
    if (kind == MarkKind::Daily) {
        s.DailyChains[h] = m;
        return;
    }
    auto& chains = kind == MarkKind::Hourly ? s.HourlyChains[h] : s.IntervalChains[h];
    chains[static_cast<std::size_t>(position)] = m;
}

void loadExtended(MarkKind kind, const MarkValue& mark, ArchiveSettings& s)
{
    const int own = mark.head();
    if (kind != MarkKind::Hourly || own < 0 || own >= kHourlyArchives)
        return;
    s.HourlyExtended[static_cast<std::size_t>(own)] = 1;
    s.HourlyFlags[static_cast<std::size_t>(own)] = kDoublePrecision;
}

} // namespace

const char* markPrefix(MarkKind kind)
{
    switch (kind) {
    case MarkKind::Hourly:
        return "AH";
    case MarkKind::Daily:
        return "AD";
    case MarkKind::Monthly:
        return "AM";
    case MarkKind::Interval:
        break;
    }
    return "AI";
}

std::string markKey(MarkKind kind, int number)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%s%02d", markPrefix(kind), number);
    return buf;
}

int markScanCount(MarkKind kind)
{
    switch (kind) {
    case MarkKind::Hourly:
        return kHourlyArchives;
    case MarkKind::Daily:
        return kDailyArchives;
    case MarkKind::Monthly:
        return kMonthlyArchives;
    case MarkKind::Interval:
        break;
    }
    return kIntervalArchives;
}

char MarkValue::position() const
{
    const std::string text = std::to_string(value);
    return text.size() > 1 ? text[1] : '\0';
}

int MarkValue::head() const
{
    const std::string text = std::to_string(value);
    if (text.size() < 4 || text[2] < '0' || text[2] > '9' || text[3] < '0' || text[3] > '9')
        return -1;
    return (text[2] - '0') * 10 + (text[3] - '0');
}

MarkValue readMark(const IniFile& ini, std::string_view section, MarkKind kind, int number)
{
    return MarkValue{ini.readInteger(section, markKey(kind, number), -1)};
}

ChainMembers DeriveChainMembers(const IniFile& ini, std::string_view section, MarkKind kind, int head)
{
    ChainMembers members;
    members.byPosition.fill(kNoMark);
    if (kind == MarkKind::Monthly)
        return members;
    for (int m = 0; m < markScanCount(kind); ++m) {
        const MarkValue mark = readMark(ini, section, kind, m);
        if (!mark.isLinked() || mark.head() != head)
            continue;
        if (scanSkipsExtended(kind) && mark.isExtended())
            continue;
        members.isMember[static_cast<std::size_t>(m)] = true;
        const int position = mark.position() - '0';
        if (position >= 1 && position <= kChainPositions)
            members.byPosition[static_cast<std::size_t>(position)] = static_cast<std::uint8_t>(m);
    }
    return members;
}

void LoadArchiveSettings(const IniFile& ini,
                         std::string_view section,
                         MarkKind kind,
                         ArchiveSettings& settings)
{
    if (!ini.hasSection(section))
        return;
    for (int k = 0; k < loadWalkCount(kind); ++k) {
        const MarkValue mark = readMark(ini, section, kind, k);
        if (mark.isDouble()) {
            flagOf(settings, kind, k) = kDoublePrecision;
            if (kind == MarkKind::Monthly)
                continue;
            const ChainMembers members = DeriveChainMembers(ini, section, kind, k);
            for (int m = 0; m < markScanCount(kind); ++m) {
                if (members.isMember[static_cast<std::size_t>(m)])
                    flagOf(settings, kind, m) = kDoublePrecision;
            }
        } else if (mark.isLinked() && kind != MarkKind::Monthly) {
            if (mark.position() == '8')
                loadExtended(kind, mark, settings);
            else
                loadChainMember(kind, k, mark, settings);
        }
    }
}

std::filesystem::path archiveSettingsPath(const std::filesystem::path& databasePath)
{
    return findFileNoCase(databasePath, kArchiveSettingsFile);
}

} // namespace kest
