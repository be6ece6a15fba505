#pragma once

#include "common/DateTime.h"
#include "grid/TableModel.h"
#include "reports/BlankFile.h"
#include "reports/ReportPeriod.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kest {

class ExchangeLog;

/// The rows of one report: their captions and the times their values are taken at.
/// Times are whole seconds since 1899-12-30 (what the tables store), except for
/// monthly reports, whose rows are months (year × 12 + month − 1).
struct ReportRows
{
    int kind = kHourlyBlank;
    /// Daily blanks stepped by n days or by months read each row's day on its own.
    bool stepped = false;
    std::vector<std::string> captions;
    HAlign captionAlign = HAlign::Right;
    bool colouredCaptions = true;
    /// The range of the one query per column, both ends included.
    DateTime queryStart = 0;
    DateTime queryEnd = 0;
    /// The slot of the row before the first (its value only starts the differences),
    /// then one per data row.
    std::vector<std::int64_t> slots;
    /// Stepped daily blanks: the day before the first row, then each row's day.
    std::vector<DateTime> steppedDays;

    int count() const { return static_cast<int>(captions.size()); }
    /// The slot a stored time belongs to.
    std::int64_t slotOf(DateTime sdate) const;
};

/// The rows of the blank's report for the period. An interval length outside 1..60
/// minutes counts as 5 (logged).
ReportRows MakeReportRows(const BlankRecord& blank, const ReportPeriod& period, ExchangeLog* log);

} // namespace kest
