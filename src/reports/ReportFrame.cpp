#include "reports/ReportFrame.h"

#include "common/CodePage.h"
#include "reports/ReportWords.h"

#include <algorithm>
#include <cstdio>

namespace kest {
namespace {

constexpr int kTitledGroups = 5;
constexpr int kMaxTitleWidth = 700;

void setHeadingCell(TableModel& table, int col, int row, const std::string& text)
{
    GridCell& cell = table.cell(col, row);
    cell.text = text;
    cell.hAlign = HAlign::Center;
    cell.vAlign = VAlign::Center;
    cell.color = kWhite;
    cell.readOnly = true;
}

bool hasGroupCaption(const BlankRecord& blank)
{
    for (int g = 1; g <= kBlankGroups; ++g) {
        if (!blank.GROUPNAME[g].empty())
            return true;
    }
    return false;
}

int longestLine(const std::vector<std::string>& lines)
{
    std::size_t longest = 0;
    for (const auto& line : lines)
        longest = std::max(longest, utf8Length(line));
    return static_cast<int>(longest);
}

std::string twoDigits(int n)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", n);
    return buf;
}

std::string hourlyMoment(DateTime t)
{
    const std::string time = formatTime(t);
    return time == "0:00:00" ? "0 часов " + formatDate(t) : time + " " + formatDate(t);
}

std::string monthAndYear(DateTime t, bool genitive)
{
    const auto p = decodeDateTime(t);
    return (genitive ? MonthNameGenitive(p.month) : MonthName(p.month)) + " " + std::to_string(p.year);
}

} // namespace

int ReportColumnCount(const BlankRecord& blank)
{
    int count = 1;
    while (count <= kBlankColumns && !blank.NAME[count].empty())
        ++count;
    return count;
}

int PrepareFrame(TableModel& table, const BlankRecord& blank)
{
    table.clear();
    const int cols = ReportColumnCount(blank);
    table.setColCount(cols);
    for (int j = 0; j < cols; ++j)
        table.setColWidth(j, blank.COLSIZE[j]);
    const int headerRows = hasGroupCaption(blank) ? 2 : 1;
    table.setRowCount(headerRows);
    if (headerRows == 2)
        table.mergeColumn(0, 0);
    setHeadingCell(table, 0, 0, blank.TIP == kHourlyBlank ? "Время" : "Дата");
    return headerRows;
}

void DrawHeading(TableModel& table, const BlankRecord& blank, int headerRows)
{
    table.setFixedRows(headerRows);
    const int lastCol = table.colCount() - 1;
    for (int g = 1; g <= kTitledGroups && headerRows == 2; ++g) {
        if (blank.GROUPNAME[g].empty())
            continue;
        // Bounds come from the file unchecked; a group reaching past the table is cut
        // to the columns shown, one lying wholly outside gets no title.
        const int first = std::max(blank.GROUPB[g], 1);
        const int last = std::min(blank.GROUPE[g], lastCol);
        if (first > last)
            continue;
        for (int c = first; c <= last; ++c) {
            table.cell(c, 0).text.clear();
            table.cell(c, 0).color = kYellow;
            table.cell(c, 0).readOnly = true;
        }
        table.mergeRow(0, first, last);
        GridCell& title = table.cell(first, 0);
        title.text = blank.GROUPNAME[g];
        title.hAlign = HAlign::Center;
        title.vAlign = VAlign::Center;
    }
    if (headerRows == 2)
        table.mergeColumn(0, 0);
    for (int k = 1; k <= lastCol; ++k) {
        if (headerRows == 2 && table.cell(k, 0).color == kYellow) {
            setHeadingCell(table, k, 1, blank.NAME[k]);
        } else {
            if (headerRows == 2)
                table.mergeColumn(k, 0);
            setHeadingCell(table, k, 0, blank.NAME[k]);
        }
    }
}

std::string ReportColumnCaption(const TableModel& table, int col, int headerRows)
{
    const int row = headerRows - 1;
    if (!table.valid(col, row))
        return "";
    if (const CellSpan* span = table.spanAt(col, row))
        return table.cell(span->col, span->row).text;
    return table.cell(col, row).text;
}

std::string TotalsCaptionText(const BlankRecord& blank, const ReportPeriod& period, int dataRows)
{
    if (blank.ITOGONAME == "#0")
        return "Итого:";
    if (blank.ITOGONAME != "#1")
        return blank.ITOGONAME;
    long long n = dataRows;
    if (blank.TIP == kDailyBlank && blank.STEP != 1)
        n = static_cast<long long>(dateOf(period.endDate) - dateOf(period.startDate)) + 1;
    const int type = blank.TIP >= 0 && blank.TIP <= 3 ? blank.TIP : 0;
    return "За " + std::to_string(n) + " " + UnitWord(static_cast<ReportUnit>(type), n) + ":";
}

void TotalsCaption(TableModel& table, const BlankRecord& blank, const ReportPeriod& period, int dataRows)
{
    if (table.rowCount() == 0)
        return;
    GridCell& cell = table.cell(0, table.rowCount() - 1);
    cell.text = TotalsCaptionText(blank, period, dataRows);
    cell.hAlign = HAlign::Right;
    cell.vAlign = VAlign::Center;
    cell.color = kRed;
    cell.readOnly = true;
}

std::string PeriodLine(int blankType, const ReportPeriod& p)
{
    const DateTime d1 = dateOf(p.startDate);
    const DateTime d2 = dateOf(p.endDate);
    switch (blankType) {
    case kDailyBlank:
        if (d1 == d2)
            return "за " + formatDate(d1) + " года";
        return "за период с " + formatDate(d1) + " года по " + formatDate(d2) + " года";
    case kMonthlyBlank:
        if (d1 == d2)
            return "за " + monthAndYear(d1, false) + " года";
        return "за период с " + monthAndYear(d1, true) + " года по " + monthAndYear(d2, false) + " года";
    case kIntervalBlank:
        return "за период с " + twoDigits(p.startHour) + ":" + twoDigits(p.startMinute) + "  " +
               formatDate(d1) + " г. по " + twoDigits(p.endHour) + ":" + twoDigits(p.endMinute) + "  " +
               formatDate(d2) + " г.";
    default:
        break;
    }
    const DateTime s = d1 + p.startHour * kOneHour;
    const DateTime e = d2 + p.endHour * kOneHour;
    if (roundToSecond(s) == roundToSecond(e))
        return "за " + hourlyMoment(s) + " года";
    return "за период с " + hourlyMoment(s) + " года по " + hourlyMoment(e) + " года";
}

void UpperTitle(TableModel& upgrid, const BlankRecord& blank, const ReportPeriod& period)
{
    std::vector<std::string> lines = blank.UpTitle;
    lines.push_back(PeriodLine(blank.TIP, period));
    upgrid.clear();
    upgrid.setRowCount(static_cast<int>(lines.size()));
    upgrid.setColWidth(0, std::min(9 * longestLine(lines), kMaxTitleWidth));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        GridCell& cell = upgrid.cell(0, static_cast<int>(i));
        cell.text = lines[i];
        cell.readOnly = true;
        const bool periodLine = i + 1 == lines.size();
        cell.hAlign = periodLine ? HAlign::Center : HAlign::Left;
        cell.font =
            periodLine ? CellFont{"Times New Roman", 13, true, true} : CellFont{"Times New Roman", 12};
    }
}

void LowerTitle(TableModel& downgrid, const BlankRecord& blank)
{
    downgrid.clear();
    downgrid.setRowCount(static_cast<int>(blank.DownTitle.size()));
    downgrid.setColWidth(0, std::min(10 * longestLine(blank.DownTitle), kMaxTitleWidth));
    for (std::size_t i = 0; i < blank.DownTitle.size(); ++i) {
        GridCell& cell = downgrid.cell(0, static_cast<int>(i));
        cell.text = blank.DownTitle[i];
        cell.readOnly = true;
    }
}

} // namespace kest
