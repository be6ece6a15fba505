#include "reports/Completeness.h"

#include "common/Hex.h"
#include "db/ArchiveScan.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <tuple>

namespace kest {
namespace {

constexpr std::int64_t kDay = 86400;

std::int64_t seconds(DateTime t)
{
    return std::llround(t * 86400.0);
}

std::int64_t monthIndex(DateTime t)
{
    const auto p = decodeDateTime(t);
    return p.year * 12LL + p.month - 1;
}

DateTime monthStart(std::int64_t index)
{
    const auto year = static_cast<int>(index / 12);
    const auto month = static_cast<int>(index % 12) + 1;
    return encodeDateTime(year, month, 1).value_or(0.0);
}

/// The interval the storing pass steps by: a damaged length counts as 5 minutes there.
int intervalMinutes(ArchiveDatabase& db, std::int64_t controller)
{
    const int m = SelectIntervalMinutes(db, controller);
    return m >= 1 && m <= 60 ? m : 5;
}

std::string twoDigits(int n)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", n);
    return buf;
}

void walkRows(const SlotGrid& grid, const std::vector<std::int64_t>& times, ArchiveCompleteness& a)
{
    a.expected = grid.count();
    std::int64_t next = 0; // the first slot not yet accounted for
    for (const std::int64_t t : times) {
        const auto index = t == kUnreadableTime ? std::nullopt : grid.indexOf(t);
        if (!index) {
            ++a.offGrid;
            continue;
        }
        if (*index < next)
            continue;
        if (*index > next)
            a.missing.push_back({grid.time(next), grid.time(*index - 1)});
        ++a.present;
        next = *index + 1;
    }
    if (next < grid.count())
        a.missing.push_back({grid.time(next), grid.time(grid.count() - 1)});
}

} // namespace

SlotGrid::SlotGrid(ArchiveKind kind, DateTime firstDay, DateTime lastDay, int intervalMinutes) : m_kind(kind)
{
    const DateTime d1 = dateOf(firstDay);
    const DateTime d2 = dateOf(lastDay);
    const std::int64_t days = std::max<std::int64_t>(0, std::llround(d2 - d1) + 1);
    m_start = seconds(d1);
    switch (kind) {
    case ArchiveKind::Hourly:
        m_step = 3600;
        m_count = days * 24;
        break;
    case ArchiveKind::Daily:
        m_step = kDay;
        m_count = days;
        break;
    case ArchiveKind::Interval:
        m_step = std::max(intervalMinutes, 1) * 60LL;
        m_count = (days * kDay + m_step - 1) / m_step;
        break;
    case ArchiveKind::Monthly:
        m_start = monthIndex(d1);
        m_count = days > 0 ? monthIndex(d2) - m_start + 1 : 0;
        break;
    }
}

DateTime SlotGrid::time(std::int64_t index) const
{
    if (m_kind == ArchiveKind::Monthly)
        return monthStart(m_start + index);
    return static_cast<double>(m_start + index * m_step) / 86400.0;
}

std::optional<std::int64_t> SlotGrid::indexOf(std::int64_t t) const
{
    std::int64_t index = 0;
    if (m_kind == ArchiveKind::Monthly) {
        const DateTime when = static_cast<double>(t) / 86400.0;
        const auto p = decodeDateTime(when);
        if (p.day != 1 || p.hour != 0 || p.minute != 0 || p.second != 0)
            return std::nullopt;
        index = monthIndex(when) - m_start;
    } else {
        if (t < m_start || (t - m_start) % m_step != 0)
            return std::nullopt;
        index = (t - m_start) / m_step;
    }
    if (index < 0 || index >= m_count)
        return std::nullopt;
    return index;
}

DateTime SlotGrid::rangeStart() const
{
    return m_kind == ArchiveKind::Monthly ? monthStart(m_start) : static_cast<double>(m_start) / 86400.0;
}

DateTime SlotGrid::rangeEnd() const
{
    if (m_kind == ArchiveKind::Monthly)
        return monthStart(m_start + m_count);
    // Whole days: the last day's 24:00, also when the last interval slot ends earlier.
    const std::int64_t span = m_count * m_step;
    return static_cast<double>(m_start + (span + kDay - 1) / kDay * kDay) / 86400.0;
}

DbStatus
CheckCompleteness(ArchiveDatabase& db, const CompletenessRequest& request, std::vector<ArchiveCompleteness>& out)
{
    out.clear();
    std::vector<ArchiveKind> kinds = {ArchiveKind::Hourly, ArchiveKind::Daily, ArchiveKind::Monthly,
                                      ArchiveKind::Interval};
    if (request.kind)
        kinds = {*request.kind};
    std::vector<std::string> tables = {"merane"};
    for (const ArchiveKind kind : kinds)
        tables.emplace_back(archiveTable(kind));
    if (DbStatus s = RequireTables(db, tables); !s.ok())
        return s;

    std::int64_t low = 0;
    std::int64_t high = std::numeric_limits<std::int64_t>::max();
    if (request.controller) {
        low = *request.controller * 4096;
        high = low + 4095;
    }
    std::map<std::int64_t, int> minutesOf;
    std::vector<std::int64_t> keys;
    std::vector<std::int64_t> times;
    for (const ArchiveKind kind : kinds) {
        if (DbStatus s = SelectArchiveKeys(db, kind, low, high, keys); !s.ok())
            return s;
        for (const std::int64_t key : keys) {
            ArchiveCompleteness a;
            a.controller = key / 4096;
            a.kind = kind;
            a.number = static_cast<int>(key % 256);
            int minutes = 5;
            if (kind == ArchiveKind::Interval) {
                auto [it, fresh] = minutesOf.try_emplace(a.controller, 0);
                if (fresh)
                    it->second = intervalMinutes(db, a.controller);
                minutes = it->second;
            }
            const SlotGrid grid(kind, request.firstDay, request.lastDay, minutes);
            if (DbStatus s = SelectArchiveSeconds(db, kind, key, grid.rangeStart(), grid.rangeEnd(), times);
                !s.ok())
                return s;
            walkRows(grid, times, a);
            out.push_back(std::move(a));
        }
    }
    std::stable_sort(out.begin(), out.end(), [](const ArchiveCompleteness& x, const ArchiveCompleteness& y) {
        return std::tuple(x.controller, static_cast<int>(x.kind), x.number) <
               std::tuple(y.controller, static_cast<int>(y.kind), y.number);
    });
    return DbStatus::success();
}

std::string ArchiveKindWord(ArchiveKind kind)
{
    switch (kind) {
    case ArchiveKind::Hourly:
        return "часовой";
    case ArchiveKind::Daily:
        return "суточный";
    case ArchiveKind::Monthly:
        return "месячный";
    case ArchiveKind::Interval:
        return "интервальный";
    }
    return "";
}

std::string SlotText(ArchiveKind kind, DateTime t)
{
    const auto p = decodeDateTime(t);
    const std::string month = twoDigits(p.month) + "." + std::to_string(p.year);
    if (kind == ArchiveKind::Monthly)
        return month;
    const std::string date = twoDigits(p.day) + "." + month;
    if (kind == ArchiveKind::Daily)
        return date;
    return date + " " + twoDigits(p.hour) + ":" + twoDigits(p.minute);
}

std::string MissingSpansText(const ArchiveCompleteness& archive)
{
    std::string text;
    for (const MissingSpan& span : archive.missing) {
        if (!text.empty())
            text += ", ";
        text += SlotText(archive.kind, span.first);
        if (span.last != span.first)
            text += " - " + SlotText(archive.kind, span.last);
    }
    return text;
}

std::string ControllerLabel(const ControllerRow& row)
{
    std::string name = row.sname;
    const auto first = name.find_first_not_of(' ');
    name = first == std::string::npos ? "" : name.substr(first, name.find_last_not_of(' ') - first + 1);
    const std::string code = toHex(static_cast<std::uint64_t>(row.scode), 4);
    return name.empty() ? code : code + " " + name;
}

std::string CompletenessSummary(const std::vector<ArchiveCompleteness>& archives)
{
    if (archives.empty())
        return "Архивов с записями нет.";
    std::size_t holed = 0, offGrid = 0;
    for (const ArchiveCompleteness& a : archives) {
        holed += !a.missing.empty();
        offGrid += a.offGrid > 0;
    }
    std::string text =
        "Архивов: " + std::to_string(archives.size()) + ", с пропусками: " + std::to_string(holed);
    if (offGrid > 0)
        text += ", с записями вне сетки: " + std::to_string(offGrid);
    return text + ".";
}

TableModel CompletenessTable(const std::vector<ArchiveCompleteness>& archives)
{
    static const char* const kHeadings[] = {"Контроллер", "Архив",     "Номер",   "Ожидается",
                                            "Есть",       "Вне сетки", "Пропуски"};
    static const int kWidths[] = {96, 100, 64, 90, 64, 84, 380};
    constexpr int kCols = 7;
    TableModel table(kCols, 1 + static_cast<int>(archives.size()));
    table.setFixedRows(1);
    for (int c = 0; c < kCols; ++c) {
        table.setColWidth(c, kWidths[c]);
        GridCell& cell = table.cell(c, 0);
        cell.text = kHeadings[c];
        cell.hAlign = HAlign::Center;
        cell.vAlign = VAlign::Center;
        cell.font.bold = true;
        cell.readOnly = true;
    }
    for (std::size_t i = 0; i < archives.size(); ++i) {
        const ArchiveCompleteness& a = archives[i];
        const int row = static_cast<int>(i) + 1;
        const std::string texts[kCols] = {toHex(static_cast<std::uint64_t>(a.controller), 4),
                                          ArchiveKindWord(a.kind),
                                          toHex(static_cast<std::uint64_t>(a.number), 2),
                                          std::to_string(a.expected),
                                          std::to_string(a.present),
                                          std::to_string(a.offGrid),
                                          MissingSpansText(a)};
        for (int c = 0; c < kCols; ++c) {
            GridCell& cell = table.cell(c, row);
            cell.text = texts[c];
            cell.hAlign = c == kCols - 1 ? HAlign::Left : HAlign::Center;
            // A row with holes stands out the way totals do in reports.
            cell.color = !a.missing.empty() && c == kCols - 1 ? 0xFFE0E0 : kWhite;
            cell.readOnly = true;
        }
    }
    return table;
}

std::string CompletenessPeriodLine(const CompletenessRequest& request, const std::string& controllerLabel)
{
    const std::string first = SlotText(ArchiveKind::Daily, request.firstDay);
    const std::string last = SlotText(ArchiveKind::Daily, request.lastDay);
    std::string line = first == last ? "за " + first : "за период с " + first + " по " + last;
    line += controllerLabel.empty() ? ", все контроллеры" : ", контроллер " + controllerLabel;
    if (request.kind) {
        static const char* const kPlural[] = {"часовые", "суточные", "месячные", "интервальные"};
        line += std::string(", ") + kPlural[static_cast<int>(*request.kind)] + " архивы";
    }
    return line;
}

PrintJob CompletenessPrintJob(const TableModel& table, const std::string& periodLine)
{
    PrintJob job;
    job.title = "Полнота архива";
    PrintedTable printed;
    printed.table = &table;
    printed.pageHeader = {"Полнота архива", periodLine, ""};
    printed.numberPages = true;
    printed.topMargin = 1.0 / 30;
    job.tables.push_back(printed);
    return job;
}

} // namespace kest
