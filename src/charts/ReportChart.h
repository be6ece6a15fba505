#pragma once

#include "common/DateTime.h"
#include "grid/TableModel.h"
#include "reports/BlankFile.h"
#include "reports/ReportPeriod.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kest {

/// One row of a value column: the row's own time (the hour, day, month or interval
/// its caption names) and the number the cell shows. A cell showing "..." (or
/// nothing) has no value: the line breaks there rather than falling to zero.
struct ChartPoint
{
    DateTime time = 0;
    std::optional<double> value;
    std::string text; ///< the cell's text, for the tooltip
};

/// The line of one value column of the report, its caption as the legend.
struct ChartSeries
{
    int column = 0;
    std::string caption;
    std::vector<ChartPoint> points;
};

/// What a chart of a built report shows.
struct ReportChart
{
    std::string title;    ///< the blank's name
    std::string subtitle; ///< the report's period line
    int kind = kHourlyBlank;
    std::vector<ChartSeries> series;

    bool operator==(const ReportChart&) const = default;
};

/// The number a report cell shows ("12,50" or "12.50"); nothing for "...", an empty
/// cell or any other text.
std::optional<double> ShownValue(const std::string& text);

/// The value columns of a built report table as series over the row times: data rows
/// are those between the `headerRows` heading rows and the totals row. A column
/// without a caption, or one whose cells the build left empty, has no series.
ReportChart MakeReportChart(const TableModel& table,
                            int headerRows,
                            const BlankRecord& blank,
                            const ReportPeriod& period);

/// The point with a value nearest to `t`, or nullptr when the series has none.
const ChartPoint* NearestPoint(const ChartSeries& series, DateTime t);

/// The time of a row as the chart names it: "dd.MM.yyyy HH:mm" (hourly, interval),
/// "dd.MM.yyyy" (daily), "MM.yyyy" (monthly).
std::string ChartTimeText(int kind, DateTime t);

/// The tooltip of a point: its time, then the caption and the value as the report
/// shows it.
std::string ChartTooltipText(const ReportChart& chart, const ChartSeries& series, const ChartPoint& point);

/// A labelled mark on the time axis.
struct ChartTick
{
    DateTime time = 0;
    std::string text;

    bool operator==(const ChartTick&) const = default;
};

/// At most `maxTicks` marks from `first` to `last` at round times: whole minutes,
/// hours or days (weeks from Mondays), or firsts of months, whichever fits; labelled
/// "dd.MM HH:mm" below a day, "dd.MM.yyyy" for days and "MM.yyyy" for months.
/// Daily reports never mark hours, monthly ones only months.
std::vector<ChartTick> ChartTimeTicks(int kind, DateTime first, DateTime last, int maxTicks = 8);

/// Draws a chart into a PNG, SVG or PDF file chosen by its extension; "" on success,
/// else the reason. Drawing needs the build with windows, which registers its writer
/// at start-up; without one there is none.
using ChartWriter = std::string (*)(const std::filesystem::path& path, const ReportChart& chart);

void registerChartWriter(ChartWriter writer);
ChartWriter registeredChartWriter();

/// True for the extensions a chart can be saved as: .png, .svg and .pdf.
bool isChartFile(const std::filesystem::path& path);

} // namespace kest
