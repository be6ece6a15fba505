#include "app/CommandLine.h"
#include "common/CodePage.h"
#include "common/ExchangeLog.h"
#include "common/Prompter.h"
#include "grid/CsvWriter.h"
#include "grid/XlsxWriter.h"
#include "reports/ReportPrintJob.h"
#include "reports/ReportRun.h"

#include <charconv>
#include <optional>
#include <ostream>

namespace kest {
namespace {

enum class OutputKind
{
    Csv,
    Xlsx,
    Pdf
};

std::optional<int> parseNumber(const std::string& text, int low, int high)
{
    int v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || v < low || v > high)
        return std::nullopt;
    return v;
}

std::optional<DateTime> parseDay(const std::string& text)
{
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return std::nullopt;
    const auto y = parseNumber(text.substr(0, 4), 1, 9999);
    const auto m = parseNumber(text.substr(5, 2), 1, 12);
    const auto d = parseNumber(text.substr(8, 2), 1, 31);
    if (!y || !m || !d)
        return std::nullopt;
    return encodeDateTime(*y, *m, *d);
}

std::optional<OutputKind> outputKind(const std::filesystem::path& out)
{
    const std::string ext = foldCase(out.extension().string());
    if (ext == ".csv")
        return OutputKind::Csv;
    if (ext == ".xlsx")
        return OutputKind::Xlsx;
    if (ext == ".pdf")
        return OutputKind::Pdf;
    return std::nullopt;
}

/// The period from the options; hours and minutes default to 0.
std::optional<ReportPeriod> periodFrom(CommandContext& ctx)
{
    const auto from = parseDay(ctx.option("--from"));
    const auto to = parseDay(ctx.option("--to"));
    if (!from || !to) {
        ctx.err << "--from and --to take a date as YYYY-MM-DD.\n";
        return std::nullopt;
    }
    ReportPeriod p;
    p.startDate = *from;
    p.endDate = *to;
    struct Field
    {
        const char* option;
        int high;
        std::uint8_t& target;
    } fields[] = {{"--from-hour", 23, p.startHour},
                  {"--to-hour", 23, p.endHour},
                  {"--from-minute", 59, p.startMinute},
                  {"--to-minute", 59, p.endMinute}};
    for (auto& f : fields) {
        const std::string text = ctx.option(f.option);
        const auto v = text.empty() ? std::optional<int>(0) : parseNumber(text, 0, f.high);
        if (!v) {
            ctx.err << f.option << " takes a whole number from 0 to " << f.high << ".\n";
            return std::nullopt;
        }
        f.target = static_cast<std::uint8_t>(*v);
    }
    return p;
}

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

/// Builds the report of the loaded blank for the period and writes it to `out`.
int buildAndWrite(CommandContext& ctx,
                  BlankState& blanks,
                  const ReportPeriod& period,
                  OutputKind kind,
                  const std::filesystem::path& out)
{
    PeriodTable periods;
    periods[blanks.BlankNumber] = period;
    ExchangeState status;
    StreamPrompter prompter(ctx.err);
    StreamExchangeLog log(ctx.out);
    ReportRequest request{blanks.ablini, periods, blanks.BlankNumber, ctx.settings.DatabasePath,
                          status,        prompter};
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
    if (auto problem = writeReport(kind, out, blanks.ablini, tables.upgrid, tables.basegrid, tables.downgrid);
        !problem.empty()) {
        ctx.err << "Не удалось записать " << out.string() << ": " << problem << "\n";
        return kExitFailure;
    }
    return kExitOk;
}

} // namespace

int CommandReport(CommandContext& ctx)
{
    const std::string blankName = ctx.option("--blank");
    const std::filesystem::path out = ctx.option("--out");
    if (blankName.empty() || out.empty()) {
        ctx.err << "kest report needs --blank NAME, --from, --to and --out FILE.\n";
        return kExitFailure;
    }
    const auto kind = outputKind(out);
    if (!kind) {
        ctx.err << "--out must end in .csv, .xlsx or .pdf.\n";
        return kExitFailure;
    }
    if (*kind == OutputKind::Pdf && !registeredPdfPrinter()) {
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
    return buildAndWrite(ctx, blanks, *period, *kind, out);
}

} // namespace kest
