#include "app/CommandOptions.h"

#include "common/CodePage.h"
#include "grid/QueuePrinter.h"

#include <charconv>
#include <ostream>

namespace kest {

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

std::optional<std::string> printQueue(const CommandContext& ctx)
{
    const auto it = ctx.options.find("--print");
    if (it == ctx.options.end())
        return std::nullopt;
    return it->second;
}

bool printOnQueue(CommandContext& ctx, const std::string& queue, const PrintJob& job)
{
    const std::string problem = registeredQueuePrinter()(queue, job);
    if (problem.empty())
        return true;
    ctx.err << "Не удалось напечатать" << (queue.empty() ? std::string() : " на " + queue) << ": " << problem
            << "\n";
    return false;
}

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

} // namespace kest
