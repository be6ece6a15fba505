#include "app/CommandLine.h"
#include "app/CommandOptions.h"
#include "charts/ReportChart.h"
#include "common/ExchangeLog.h"
#include "common/Prompter.h"
#include "grid/CsvWriter.h"
#include "grid/QueuePrinter.h"
#include "grid/XlsxWriter.h"
#include "reports/ReportPrintJob.h"
#include "reports/ReportRun.h"

#include <optional>
#include <ostream>

namespace kest {
namespace {

std::string writeReport(OutputKind kind,
                        const std::filesystem::path& out,
                        const BlankRecord& blank,
                        const TableModel& upgrid,
                        const TableModel& basegrid,
                        const TableModel& downgrid)
{
    switch (kind) {
    case OutputKind::Csv:
        return WriteCsv(out, basegrid);
    case OutputKind::Xlsx:
        return WriteXlsx(out, {&upgrid, &basegrid, &downgrid});
    case OutputKind::Pdf:
    case OutputKind::Chart:
        break;
    }
    return registeredPdfPrinter()(out, MakeReportPrintJob(blank, upgrid, basegrid, downgrid));
}

/// Loads the blank named on the command line into `blanks`; its position, or 0 after
/// telling why not.
int loadNamedBlank(CommandContext& ctx, const std::string& name, BlankState& blanks)
{
    blanks.DatabasePath = ctx.settings.DatabasePath;
    const int number = FindBlank(blanks, name);
    if (number == 0) {
        ctx.err << "Бланк \"" << name << "\" не найден в " << blanks.file().string() << ".\n";
        return 0;
    }
    if (number > kMaxListedBlanks) {
        ctx.err << kTooManyBlanksMessage << "\n";
        return 0;
    }
    blanks.BlankNumber = number;
    LoadBlank(blanks, number);
    return number;
}

/// Builds the report of the loaded blank for the period, writes it to `out` when
/// given and prints it on `queue` when given.
int buildAndWrite(CommandContext& ctx,
                  BlankState& blanks,
                  const ReportPeriod& period,
                  std::optional<OutputKind> kind,
                  const std::filesystem::path& out,
                  const std::optional<std::string>& queue)
{
    PeriodTable periods;
    periods[blanks.BlankNumber] = period;
    StreamPrompter prompter(ctx.err);
    StreamExchangeLog log(ctx.out);
    ReportRequest request{blanks.ablini, periods, blanks.BlankNumber, ctx.settings.DatabasePath, prompter};
    request.log = &log;
    ReportTables tables;
    const ReportResult result = MakeReport(request, tables);
    switch (result.outcome) {
    case ReportOutcome::Failed:
        if (!result.detail.empty())
            ctx.err << result.detail << "\n";
        return kExitFailure;
    case ReportOutcome::NoData:
        ctx.err << kNoDataMessage << "\n";
        return kExitNoData;
    case ReportOutcome::Built:
        break;
    }
    if (kind) {
        const std::string problem =
            kind == OutputKind::Chart
                ? registeredChartWriter()(out, MakeReportChart(tables.basegrid, tables.HeaderRows, blanks.ablini,
                                                               periods[blanks.BlankNumber]))
                : writeReport(*kind, out, blanks.ablini, tables.upgrid, tables.basegrid, tables.downgrid);
        if (!problem.empty()) {
            ctx.err << "Не удалось записать " << out.string() << ": " << problem << "\n";
            return kExitFailure;
        }
    }
    if (queue &&
        !printOnQueue(ctx, *queue, MakeReportPrintJob(blanks.ablini, tables.upgrid, tables.basegrid, tables.downgrid)))
        return kExitFailure;
    return kExitOk;
}

} // namespace

int CommandReport(CommandContext& ctx)
{
    const std::string blankName = ctx.option("--blank");
    const std::filesystem::path out = ctx.option("--out");
    const auto queue = printQueue(ctx);
    if (blankName.empty() || (out.empty() && !queue)) {
        ctx.err << "kest report needs --blank NAME, --from, --to and --out FILE or --print [QUEUE].\n";
        return kExitFailure;
    }
    const bool chart = !ctx.option("--chart").empty();
    if (queue && chart) {
        ctx.err << "--print prints the report's table; write the chart with --out.\n";
        return kExitFailure;
    }
    if (queue && !registeredQueuePrinter()) {
        ctx.err << "Printing is not available in this build (built without the windows, -DKEST_GUI=OFF).\n";
        return kExitFailure;
    }
    const auto kind =
        chart ? (isChartFile(out) ? std::optional(OutputKind::Chart) : std::nullopt) : outputKind(out);
    if (!kind && !out.empty()) {
        ctx.err << (chart ? "With --chart, --out must end in .png, .svg or .pdf.\n"
                          : "--out must end in .csv, .xlsx or .pdf.\n");
        return kExitFailure;
    }
    if (kind == OutputKind::Chart && !registeredChartWriter()) {
        ctx.err << "Charts are not available in this build (built without the windows, -DKEST_GUI=OFF).\n";
        return kExitFailure;
    }
    if (kind == OutputKind::Pdf && !registeredPdfPrinter()) {
        ctx.err << "PDF output is not available in this build (built without the windows, -DKEST_GUI=OFF); "
                   "write .csv or .xlsx instead.\n";
        return kExitFailure;
    }
    const auto period = periodFrom(ctx);
    if (!period)
        return kExitFailure;
    BlankState blanks;
    if (loadNamedBlank(ctx, blankName, blanks) == 0)
        return kExitFailure;
    if (!ValidatePeriod(blanks.ablini.TIP, *period)) {
        ctx.err << kInvalidPeriodMessage << "\n";
        return kExitFailure;
    }
    return buildAndWrite(ctx, blanks, *period, kind, out, queue);
}

} // namespace kest
