#pragma once

#include "grid/TableModel.h"
#include "reports/BlankFile.h"
#include "reports/ReportPeriod.h"

#include <filesystem>
#include <string>

namespace kest {

class ExchangeLog;
class Prompter;

/// The box shown when a report found no value in its period.
extern const char* const kNoDataMessage;

/// How a report build ended.
enum class ReportOutcome
{
    Built,  ///< the tables hold the report
    NoData, ///< built, but no column got a value in the period
    Failed, ///< a table was missing or a query failed; the tables are not to be shown
};

/// The three tables of a report: the upper title, the report table and the lower title.
struct ReportTables
{
    TableModel upgrid;
    TableModel basegrid;
    TableModel downgrid;
    int HeaderRows = 1;
};

/// What one report needs: the current blank, the period table with the blank's entry,
/// the database folder and where messages go. The command line, the report window and
/// the standard forms fill it from their own state.
struct ReportRequest
{
    BlankRecord& ablini;
    PeriodTable& periods;
    int BlankNumber = 1;
    std::filesystem::path DatabasePath;
    Prompter& prompter;
    ExchangeLog* log = nullptr;
    /// ',' until the first record of the run was read or stored, '.' after that.
    char decimalSeparator = ',';
};

struct ReportResult
{
    ReportOutcome outcome = ReportOutcome::Failed;
    /// The database engine's reason when the database could not be opened; the
    /// message box of the failure has been shown through the prompter already.
    std::string detail;
};

/// Builds the report of the current blank for its period entry: sets IntervalMinutes
/// of an interval blank from its controller, makes the titles and the frame and runs
/// the builder into `tables`. The outcome says whether the tables may be shown.
ReportResult MakeReport(ReportRequest& request, ReportTables& tables);

} // namespace kest
