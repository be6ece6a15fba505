#include "reports/ReportRun.h"

#include "db/ArchiveTables.h"
#include "reports/ReportBuilder.h"
#include "reports/ReportFrame.h"

namespace kest {

const char* const kNoDataMessage = "Нет данных за указанный отчетный период.";

ReportResult MakeReport(ReportRequest& request, ReportTables& tables)
{
    ReportResult result;
    BlankRecord& blank = request.ablini;
    auto db = OpenArchiveDatabase(request.DatabasePath, false, &result.detail);
    // The rows step by the interval of the controller the blank reports on, which is
    // not column 1's when that column names none.
    if (db && blank.TIP == kIntervalBlank)
        blank.IntervalMinutes = SelectIntervalMinutes(*db, IntervalController(blank));

    const ReportPeriod& period = request.periods[request.BlankNumber];
    UpperTitle(tables.upgrid, blank, period);
    LowerTitle(tables.downgrid, blank);
    ReportBuild build{blank,       request.periods,  request.BlankNumber, request.DatabasePath,
                      request.prompter, tables.basegrid};
    build.HeaderRows = PrepareFrame(tables.basegrid, blank);
    build.decimalSeparator = request.decimalSeparator;
    build.log = request.log;
    build.database = db.get();
    BuildReport(build);
    tables.HeaderRows = build.HeaderRows;
    if (build.ReportFailed) {
        result.outcome = ReportOutcome::Failed;
        return result;
    }
    result.detail.clear();
    result.outcome =
        request.periods[request.BlankNumber].anyData() ? ReportOutcome::Built : ReportOutcome::NoData;
    return result;
}

} // namespace kest
