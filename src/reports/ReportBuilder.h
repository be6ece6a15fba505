#pragma once

#include "grid/TableModel.h"
#include "reports/BlankFile.h"
#include "reports/ReportPeriod.h"

#include <filesystem>
#include <string>

namespace kest {

class ArchiveDatabase;
class ExchangeLog;
class Prompter;

/// What one report build reads and writes: the current blank, its period entry,
/// the archive database and the report table already framed by PrepareFrame.
struct ReportBuild
{
    BlankRecord& ablini;
    PeriodTable& periods;
    int BlankNumber = 1;
    std::filesystem::path DatabasePath;
    Prompter& prompter;
    TableModel& table;
    int HeaderRows = 1;
    /// The decimal separator of the shown values: ',' until the first record of the
    /// run was read or stored, '.' after that.
    char decimalSeparator = ',';
    ExchangeLog* log = nullptr;
    /// An open archive database to use instead of opening DatabasePath.
    ArchiveDatabase* database = nullptr;
    /// Set when a table was missing or a query failed (message 43 was shown); the
    /// report is then not shown. The build keeps this to itself: the exchange status
    /// the registrar commands share is never touched by a report.
    bool ReportFailed = false;
};

/// Fills the data rows and the totals row of the report table for the blank and its
/// period: one row per step of the blank's archive kind, one archive query per value
/// column (one per row for daily blanks stepped by n days or by months), "..." where
/// a row has no value. Sets the period entry's HasData flags of the columns that got
/// a value.
void BuildReport(ReportBuild& build);

/// The shown text of a value: fixed point with `decimals` digits and the separator.
std::string FormatReportValue(double value, int decimals, char separator);

} // namespace kest
