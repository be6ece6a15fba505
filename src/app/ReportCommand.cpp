#include "app/CommandLine.h"
#include "charts/ReportChart.h"
#include "common/CodePage.h"
#include "common/ExchangeLog.h"
#include "common/IniFile.h"
#include "common/Prompter.h"
#include "db/ArchiveTables.h"
#include "grid/CsvWriter.h"
#include "grid/XlsxWriter.h"
#include "reports/ReportBuilder.h"
#include "reports/ReportFrame.h"
#include "reports/ReportPrintJob.h"

#include <charconv>
#include <optional>
#include <ostream>

namespace kest {
namespace {

constexpr const char* kNoDataMessage = "Нет данных за указанный отчетный период.";
// The report window lists at most 149 blanks; the command keeps to the same blanks.
constexpr int kMaxListedBlanks = 149;
constexpr const char* kTooManyBlanks =
    "У вас создано более 150 бланков, программа не предусматривает работу с таким количеством бланков, "
    "поэтому "
    "\"лишние бланки\" не отобразятся, Удалите в редакторе бланков излишние бланки. С уважением разработчик "
    "программы.";

enum class OutputKind
{
    Csv,
    Xlsx,
    Pdf,
    Chart ///< the chart of the report as PNG, SVG or PDF
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

/// The 1-based position of the blank's section, matched without regard to case.
int findBlank(const BlankState& state, const std::string& name)
{
    const auto sections = IniFile::load(state.file()).sections();
    for (std::size_t i = 0; i < sections.size(); ++i) {
        if (foldCase(sections[i]) == foldCase(name))
            return static_cast<int>(i) + 1;
    }
    return 0;
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
    const int number = findBlank(blanks, name);
    if (number == 0) {
        ctx.err << "Бланк \"" << name << "\" не найден в " << blanks.file().string() << ".\n";
        return 0;
    }
    if (number > kMaxListedBlanks) {
        ctx.err << kTooManyBlanks << "\n";
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
    BlankRecord& blank = blanks.ablini;
    const int number = blanks.BlankNumber;
    std::string error;
    auto db = OpenArchiveDatabase(ctx.settings.DatabasePath, false, &error);
    // The rows step by the interval of the controller the blank reports on, which is
    // not column 1's when that column names none.
    if (db && blank.TIP == kIntervalBlank)
        blank.IntervalMinutes = SelectIntervalMinutes(*db, IntervalController(blank));

    PeriodTable periods;
    periods[number] = period;
    ExchangeState status;
    StreamPrompter prompter(ctx.err);
    StreamExchangeLog log(ctx.out);
    TableModel upgrid, basegrid, downgrid;
    UpperTitle(upgrid, blank, periods[number]);
    LowerTitle(downgrid, blank);
    ReportBuild build{blank, periods, number, ctx.settings.DatabasePath, status, prompter, basegrid};
    build.HeaderRows = PrepareFrame(basegrid, blank);
    build.log = &log;
    build.database = db.get();
    BuildReport(build);
    if (build.ReportFailed) {
        if (!error.empty())
            ctx.err << error << "\n";
        return kExitFailure;
    }
    if (!periods[number].anyData()) {
        ctx.err << kNoDataMessage << "\n";
        return kExitNoData;
    }
    const std::string problem = kind == OutputKind::Chart
                                    ? registeredChartWriter()(out, MakeReportChart(basegrid, build.HeaderRows,
                                                                                   blank, periods[number]))
                                    : writeReport(kind, out, blank, upgrid, basegrid, downgrid);
    if (!problem.empty()) {
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
    const bool chart = !ctx.option("--chart").empty();
    const auto kind =
        chart ? (isChartFile(out) ? std::optional(OutputKind::Chart) : std::nullopt) : outputKind(out);
    if (!kind) {
        ctx.err << (chart ? "With --chart, --out must end in .png, .svg or .pdf.\n"
                          : "--out must end in .csv, .xlsx or .pdf.\n");
        return kExitFailure;
    }
    if (*kind == OutputKind::Chart && !registeredChartWriter()) {
        ctx.err << "Charts are not available in this build (built without the windows, -DKEST_GUI=OFF).\n";
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
