#include "reports/ReportBuilder.h"

#include "common/Prompter.h"
#include "db/ArchiveTables.h"
#include "link/ExchangeStatus.h"
#include "registrar/ValueEncoding.h"
#include "reports/ReportFrame.h"
#include "reports/ReportRows.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace kest {
namespace {

/// The running figures of one value column.
struct ColumnTotals
{
    double prev = 0;
    double acc = 0;
    double sum = 0;
    int shown = 0;
};

class Builder
{
public:
    Builder(ReportBuild& build, ArchiveDatabase& db, const ReportRows& rows)
        : m_b(build), m_db(db), m_rows(rows), m_kind(static_cast<ArchiveKind>(rows.kind))
    {
    }

    void fillColumn(int k)
    {
        const BlankRecord& blank = m_b.ablini;
        if (blank.NAME[k].empty() || blank.ARH[k] == kNoArchive || blank.MERAN[k] == kNoController)
            return;
        ColumnTotals totals;
        // Archive numbers past FF or controllers past FFFF have no key of their own
        // and can never have been stored; the column is shown as empty.
        const bool keyFits =
            blank.ARH[k] >= 0 && blank.ARH[k] <= 0xFF && blank.MERAN[k] >= 0 && blank.MERAN[k] <= 0xFFFF;
        const std::int64_t key = ArchiveKey(blank.MERAN[k], m_kind, blank.ARH[k]);
        if (m_rows.stepped)
            fillSteppedColumn(k, key, keyFits, totals);
        else
            fillRangeColumn(k, key, keyFits, totals);
        writeTotal(k, totals);
    }

private:
    int dataRow(int i) const { return m_b.HeaderRows + i - 1; } // i from 1
    int typeOf(int k) const { return m_b.ablini.ITOG[k]; }
    int decimalsOf(int k) const { return std::clamp(m_b.ablini.ZAP[k], 0, 15); }

    GridCell& valueCell(int k, int i)
    {
        GridCell& cell = m_b.table.cell(k, dataRow(i));
        cell.hAlign = HAlign::Center;
        cell.readOnly = true;
        // Alternating colours, starting with silver under the white heading.
        cell.color = (i - 1) % 2 == 0 ? kSilver : kWhite;
        return cell;
    }

    void queryFailed(bool& previousFailed)
    {
        m_b.ReportFailed = true;
        if (!previousFailed)
            m_b.prompter.showError(exchangeMessage(kStatusDatabase));
        previousFailed = true;
    }

    /// A matched row of column k, data row i; `v` is the stored value.
    void showValue(int k, int i, double v, ColumnTotals& t)
    {
        GridCell& cell = valueCell(k, i);
        if (v == NoValue) {
            cell.text = "...";
            return;
        }
        if (typeOf(k) == kTotalOperatingTime) {
            t.acc = v;
            if (v - t.prev < 0)
                t.prev = 0;
            cell.text = FormatReportValue(v - t.prev, decimalsOf(k), m_b.decimalSeparator);
            t.prev = v;
        } else {
            cell.text = FormatReportValue(v, decimalsOf(k), m_b.decimalSeparator);
        }
        ++t.shown;
        m_b.periods[m_b.BlankNumber].HasData[static_cast<std::size_t>(k)] = 1;
        // The totals add what the cells show, rounded as shown.
        const double x = shownNumber(cell.text);
        // A cumulative total is the last shown value minus the first shown one: taking
        // the first stored value instead would subtract 12.4 from a shown 12 and
        // print "-0" for a column that did not move.
        if (typeOf(k) != kTotalOperatingTime && t.shown == 1)
            t.prev = x;
        t.sum += x;
        if (typeOf(k) == kTotalSum || typeOf(k) == kTotalAverage)
            t.acc += x;
        else if (typeOf(k) == kTotalCumulative)
            t.acc = x;
    }

    double shownNumber(std::string text) const
    {
        std::replace(text.begin(), text.end(), m_b.decimalSeparator, '.');
        double x = 0;
        std::from_chars(text.data(), text.data() + text.size(), x);
        return x;
    }

    void fillRangeColumn(int k, std::int64_t key, bool keyFits, ColumnTotals& t)
    {
        std::vector<ArchiveRow> found;
        if (keyFits) {
            const DbStatus status =
                SelectArchiveRange(m_db, m_kind, key, m_rows.queryStart, m_rows.queryEnd, found);
            if (!status.ok()) {
                queryFailed(m_previousFailed);
                return;
            }
        }
        m_previousFailed = false;
        std::size_t at = 0;
        for (int i = 1; i <= m_rows.count() + 1; ++i) {
            const std::int64_t slot = m_rows.slots[static_cast<std::size_t>(i - 1)];
            // A stored time between two row times (10:30 in an hourly archive) can
            // never match; it is passed over so that the rows after it still find
            // their values.
            while (at < found.size() && m_rows.slotOf(found[at].sdate) < slot)
                ++at;
            const bool match = at < found.size() && m_rows.slotOf(found[at].sdate) == slot;
            if (i == 1) {
                if (match) {
                    t.prev = found[at].svalue == NoValue ? 0 : found[at].svalue;
                    ++at;
                }
                continue;
            }
            if (!match) {
                valueCell(k, i - 1).text = "...";
                continue;
            }
            showValue(k, i - 1, found[at].svalue, t);
            ++at;
        }
    }

    void fillSteppedColumn(int k, std::int64_t key, bool keyFits, ColumnTotals& t)
    {
        bool previousFailed = false;
        for (int i = 1; i <= m_rows.count() + 1; ++i) {
            const DateTime day = m_rows.steppedDays[static_cast<std::size_t>(i - 1)];
            std::optional<double> value;
            if (keyFits && !SelectArchiveValue(m_db, ArchiveKind::Daily, key, day, value).ok()) {
                queryFailed(previousFailed);
                continue;
            }
            previousFailed = false;
            if (i == 1) {
                t.prev = value && *value != NoValue ? *value : 0;
                continue;
            }
            if (value)
                showValue(k, i - 1, *value, t);
            else
                valueCell(k, i - 1).text = "...";
        }
    }

    void writeTotal(int k, const ColumnTotals& t)
    {
        GridCell& cell = m_b.table.cell(k, m_b.table.rowCount() - 1);
        cell.hAlign = HAlign::Center;
        cell.color = kRed;
        cell.readOnly = true;
        if (t.shown == 0)
            return;
        double total = t.sum;
        if (typeOf(k) == kTotalAverage)
            total = t.sum / t.shown;
        else if (typeOf(k) == kTotalCumulative)
            total = t.acc - t.prev;
        cell.text = FormatReportValue(total, decimalsOf(k), m_b.decimalSeparator);
    }

    ReportBuild& m_b;
    ArchiveDatabase& m_db;
    const ReportRows& m_rows;
    ArchiveKind m_kind;
    bool m_previousFailed = false;
};

void layRows(ReportBuild& b, const ReportRows& rows)
{
    TableModel& table = b.table;
    table.setRowCount(b.HeaderRows + rows.count() + 1);
    DrawHeading(table, b.ablini, b.HeaderRows);
    for (int j = 0; j < rows.count(); ++j) {
        GridCell& cell = table.cell(0, b.HeaderRows + j);
        cell.text = rows.captions[static_cast<std::size_t>(j)];
        cell.hAlign = rows.captionAlign;
        cell.readOnly = true;
        if (rows.colouredCaptions)
            cell.color = j % 2 == 0 ? kSilver : kWhite;
    }
    TotalsCaption(table, b.ablini, b.periods[b.BlankNumber], rows.count());
}

bool tablesPresent(ArchiveDatabase* db)
{
    return db && RequireTables(*db, {"arhivd", "arhivh", "arhivm"}).ok();
}

/// A value exactly halfway between two neighbours at `decimals` digits (12.25 at one
/// digit). Such a value times 2^(decimals + 1) is an odd whole number, which the
/// power-of-two scaling tests exactly.
bool exactHalf(double value, int decimals)
{
    if (!std::isfinite(value))
        return false;
    const double scaled = std::ldexp(value, decimals + 1);
    return std::floor(scaled) == scaled && std::fabs(std::fmod(scaled, 2.0)) == 1.0;
}

} // namespace

std::string FormatReportValue(double value, int decimals, char separator)
{
    // printf takes an exact half to the even neighbour (12.25 to 12.2, 12.75 to 12.8);
    // a report rounds halves away from zero. One step past the half does that without
    // touching any shown digit.
    if (exactHalf(value, decimals))
        value = std::nextafter(value, value > 0 ? HUGE_VAL : -HUGE_VAL);
    char buf[64];
    int n = std::snprintf(buf, sizeof buf, "%*.*f", 8, decimals, value);
    std::string text;
    if (n >= static_cast<int>(sizeof buf)) {
        text.resize(static_cast<std::size_t>(n) + 1);
        std::snprintf(text.data(), text.size(), "%*.*f", 8, decimals, value);
        text.resize(static_cast<std::size_t>(n));
    } else {
        text.assign(buf, static_cast<std::size_t>(std::max(n, 0)));
    }
    text.erase(0, text.find_first_not_of(' '));
    // A value that rounds to zero is shown as zero, never as "-0" or "-0.00".
    if (!text.empty() && text.front() == '-' && text.find_first_not_of("-0.") == std::string::npos)
        text.erase(0, 1);
    if (separator != '.')
        std::replace(text.begin(), text.end(), '.', separator);
    return text;
}

void BuildReport(ReportBuild& b)
{
    b.ReportFailed = false;
    std::unique_ptr<ArchiveDatabase> own;
    ArchiveDatabase* db = b.database;
    if (!db) {
        std::string error;
        own = OpenArchiveDatabase(b.DatabasePath, false, &error);
        db = own.get();
    }
    // Without the archive tables nothing is built; the report is marked failed so
    // that flags left by an earlier build never show this table as current.
    if (!tablesPresent(db)) {
        b.prompter.showError(exchangeMessage(kStatusDatabase));
        b.ReportFailed = true;
        return;
    }
    b.periods.clearHasData();
    const ReportRows rows = MakeReportRows(b.ablini, b.periods[b.BlankNumber], b.log);
    layRows(b, rows);
    Builder builder(b, *db, rows);
    for (int k = 1; k < b.table.colCount(); ++k)
        builder.fillColumn(k);
}

} // namespace kest
