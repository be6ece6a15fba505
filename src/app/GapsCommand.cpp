#include "app/CommandLine.h"
#include "common/CodePage.h"
#include "grid/CsvWriter.h"
#include "link/ExchangeStatus.h"
#include "reports/Completeness.h"
#include "reports/ReportPeriod.h"

#include <charconv>
#include <optional>
#include <ostream>

namespace kest {
namespace {

std::optional<DateTime> parseDay(const std::string& text)
{
    int y = 0, m = 0, d = 0;
    const auto number = [&text](std::size_t at, std::size_t len, int& v) {
        const char* first = text.data() + at;
        const auto [end, ec] = std::from_chars(first, first + len, v);
        return ec == std::errc() && end == first + len;
    };
    if (text.size() != 10 || text[4] != '-' || text[7] != '-' || !number(0, 4, y) || !number(5, 2, m) ||
        !number(8, 2, d))
        return std::nullopt;
    return encodeDateTime(y, m, d);
}

/// One to four hexadecimal digits, as the blanks and forms name controllers.
std::optional<std::int64_t> parseController(const std::string& text)
{
    if (text.empty() || text.size() > 4)
        return std::nullopt;
    std::int64_t v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v, 16);
    if (ec != std::errc() || end != text.data() + text.size() || v < 0)
        return std::nullopt;
    return v;
}

std::optional<ArchiveKind> parseKind(const std::string& text)
{
    const std::string word = foldCase(text);
    if (word == "hourly")
        return ArchiveKind::Hourly;
    if (word == "daily")
        return ArchiveKind::Daily;
    if (word == "monthly")
        return ArchiveKind::Monthly;
    if (word == "interval")
        return ArchiveKind::Interval;
    return std::nullopt;
}

/// The request from the options, or nothing after saying what is wrong.
std::optional<CompletenessRequest> requestFrom(CommandContext& ctx)
{
    CompletenessRequest request;
    const auto from = parseDay(ctx.option("--from"));
    const auto to = parseDay(ctx.option("--to"));
    if (!from || !to) {
        ctx.err << "kest gaps needs --from and --to as YYYY-MM-DD.\n";
        return std::nullopt;
    }
    if (*from > *to) {
        ctx.err << kInvalidPeriodMessage << "\n";
        return std::nullopt;
    }
    request.firstDay = *from;
    request.lastDay = *to;
    if (const std::string text = ctx.option("--controller"); !text.empty()) {
        request.controller = parseController(text);
        if (!request.controller) {
            ctx.err << "--controller takes the controller's code as up to four hexadecimal digits.\n";
            return std::nullopt;
        }
    }
    if (const std::string text = ctx.option("--kind"); !text.empty()) {
        request.kind = parseKind(text);
        if (!request.kind) {
            ctx.err << "--kind takes hourly, daily, monthly or interval.\n";
            return std::nullopt;
        }
    }
    return request;
}

} // namespace

int CommandGaps(CommandContext& ctx)
{
    const auto request = requestFrom(ctx);
    if (!request)
        return kExitFailure;
    const std::filesystem::path out = ctx.option("--out");
    if (!out.empty() && foldCase(out.extension().string()) != ".csv") {
        ctx.err << "--out must end in .csv.\n";
        return kExitFailure;
    }
    std::string error;
    auto db = OpenArchiveDatabase(ctx.settings.DatabasePath, false, &error);
    std::vector<ArchiveCompleteness> archives;
    if (db) {
        if (const DbStatus s = CheckCompleteness(*db, *request, archives); !s.ok())
            error = s.message;
    }
    if (!error.empty() || !db) {
        ctx.err << exchangeMessage(kStatusDatabase) << "\n" << error << "\n";
        return kExitFailure;
    }
    const TableModel table = CompletenessTable(archives);
    if (out.empty()) {
        ctx.out << ToCsv(table);
        return kExitOk;
    }
    if (const std::string problem = WriteCsv(out, table); !problem.empty()) {
        ctx.err << "Не удалось записать " << out.string() << ": " << problem << "\n";
        return kExitFailure;
    }
    return kExitOk;
}

} // namespace kest
