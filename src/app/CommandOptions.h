#pragma once

#include "app/CommandLine.h"
#include "common/DateTime.h"
#include "grid/PrintJob.h"
#include "reports/ReportPeriod.h"

#include <filesystem>
#include <optional>
#include <string>

namespace kest {

/// What `--out` asks for, by its extension.
enum class OutputKind
{
    Csv,
    Xlsx,
    Pdf,
    Chart ///< the chart of the report as PNG, SVG or PDF
};

std::optional<OutputKind> outputKind(const std::filesystem::path& out);

/// A whole decimal number from low to high.
std::optional<int> parseNumber(const std::string& text, int low, int high);
/// A day given as YYYY-MM-DD.
std::optional<DateTime> parseDay(const std::string& text);

/// The queue of --print ("" the default queue); nothing when --print is not given.
std::optional<std::string> printQueue(const CommandContext& ctx);

/// Prints the job on the --print queue; false after telling on stderr why not.
bool printOnQueue(CommandContext& ctx, const std::string& queue, const PrintJob& job);

/// The period of --from, --to and the hour and minute options (0 when not given);
/// nothing after telling on stderr what is wrong.
std::optional<ReportPeriod> periodFrom(CommandContext& ctx);

} // namespace kest
