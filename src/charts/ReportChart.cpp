#include "charts/ReportChart.h"

#include "common/CodePage.h"
#include "reports/ReportFrame.h"
#include "reports/ReportRows.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace kest {
namespace {

ChartWriter g_writer = nullptr;

/// The time each data row stands for, in the order of the rows.
std::vector<DateTime> rowTimes(const ReportRows& rows)
{
    std::vector<DateTime> times;
    const int n = rows.count();
    times.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const auto at = static_cast<std::size_t>(i);
        if (rows.stepped) {
            times.push_back(rows.steppedDays[at + 1]);
        } else if (rows.kind == kMonthlyBlank) {
            const std::int64_t month = rows.slots[at + 1];
            times.push_back(encodeDateTime(static_cast<int>(month / 12), static_cast<int>(month % 12) + 1, 1)
                                .value_or(0.0));
        } else if (rows.kind == kIntervalBlank) {
            // An interval's value is stamped at its end; the row stands for its start.
            times.push_back(static_cast<double>(rows.slots[at]) / 86400.0);
        } else {
            times.push_back(static_cast<double>(rows.slots[at + 1]) / 86400.0);
        }
    }
    return times;
}

} // namespace

std::optional<double> ShownValue(const std::string& text)
{
    std::string number = text;
    std::replace(number.begin(), number.end(), ',', '.');
    const auto first = number.find_first_not_of(' ');
    const auto last = number.find_last_not_of(' ');
    if (first == std::string::npos)
        return std::nullopt;
    const char* begin = number.data() + first;
    const char* end = number.data() + last + 1;
    double value = 0;
    const auto [stop, ec] = std::from_chars(begin, end, value);
    if (ec != std::errc() || stop != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

ReportChart
MakeReportChart(const TableModel& table, int headerRows, const BlankRecord& blank, const ReportPeriod& period)
{
    ReportChart chart;
    chart.title = blank.NAME[0];
    chart.subtitle = PeriodLine(blank.TIP, period);
    const ReportRows rows = MakeReportRows(blank, period, nullptr);
    chart.kind = rows.kind;
    const std::vector<DateTime> times = rowTimes(rows);
    // The table's data rows, never more than the period has rows.
    const int dataRows = std::min<int>(static_cast<int>(times.size()), table.rowCount() - headerRows - 1);
    for (int col = 1; col < table.colCount(); ++col) {
        ChartSeries series;
        series.column = col;
        series.caption = ReportColumnCaption(table, col, headerRows);
        bool filled = false;
        for (int i = 0; i < dataRows; ++i) {
            const std::string& text = table.cell(col, headerRows + i).text;
            filled = filled || !text.empty();
            series.points.push_back({times[static_cast<std::size_t>(i)], ShownValue(text), text});
        }
        if (!series.caption.empty() && filled)
            chart.series.push_back(std::move(series));
    }
    return chart;
}

const ChartPoint* NearestPoint(const ChartSeries& series, DateTime t)
{
    const auto& points = series.points;
    // Rows are in time order: the first point at or after t, then look both ways.
    const auto at = std::lower_bound(points.begin(), points.end(), t,
                                     [](const ChartPoint& p, DateTime when) { return p.time < when; });
    const ChartPoint* best = nullptr;
    for (auto it = at; it != points.end(); ++it) {
        if (it->value) {
            best = &*it;
            break;
        }
    }
    for (auto it = at; it != points.begin();) {
        --it;
        if (it->value) {
            if (!best || t - it->time <= best->time - t)
                best = &*it;
            break;
        }
    }
    return best;
}

std::string ChartTimeText(int kind, DateTime t)
{
    const auto p = decodeDateTime(t);
    char buf[32];
    if (kind == kMonthlyBlank)
        std::snprintf(buf, sizeof buf, "%02d.%04d", p.month, p.year);
    else if (kind == kDailyBlank)
        std::snprintf(buf, sizeof buf, "%02d.%02d.%04d", p.day, p.month, p.year);
    else
        std::snprintf(buf, sizeof buf, "%02d.%02d.%04d %02d:%02d", p.day, p.month, p.year, p.hour, p.minute);
    return buf;
}

std::string ChartTooltipText(const ReportChart& chart, const ChartSeries& series, const ChartPoint& point)
{
    return ChartTimeText(chart.kind, point.time) + "\n" + series.caption + ": " + point.text;
}

std::vector<ChartTick> ChartTimeTicks(int kind, DateTime first, DateTime last, int maxTicks)
{
    std::vector<ChartTick> ticks;
    const std::int64_t from = std::llround(first * 1440.0);
    const std::int64_t to = std::llround(last * 1440.0);
    if (to < from || maxTicks < 1)
        return ticks;
    // Minutes since 1899-12-30, a Saturday; weeks are counted from the Monday after.
    static constexpr std::int64_t kSteps[] = {1, 2, 5, 10, 15, 30, 60, 120, 180, 360, 720, 1440, 2880, 10080};
    const auto ceilDiv = [](std::int64_t a, std::int64_t b) { return a >= 0 ? (a + b - 1) / b : -(-a / b); };
    const auto floorDiv = [](std::int64_t a, std::int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); };
    if (kind != kMonthlyBlank) {
        for (const std::int64_t step : kSteps) {
            if (kind == kDailyBlank && step < 1440)
                continue;
            const std::int64_t origin = step == 10080 ? 2 * 1440 : 0;
            const std::int64_t a = ceilDiv(from - origin, step), b = floorDiv(to - origin, step);
            if (b - a + 1 > maxTicks)
                continue;
            for (std::int64_t k = a; k <= b; ++k) {
                const DateTime t = static_cast<double>(origin + k * step) / 1440.0;
                ticks.push_back({t, step < 1440 ? ChartTimeText(kHourlyBlank, t).erase(5, 5)
                                                : ChartTimeText(kDailyBlank, t)});
            }
            return ticks;
        }
    }
    const auto p1 = decodeDateTime(first);
    const auto p2 = decodeDateTime(last);
    const std::int64_t m1 = p1.year * 12LL + p1.month - 1 + (p1.day > 1 || p1.hour || p1.minute || p1.second);
    const std::int64_t m2 = p2.year * 12LL + p2.month - 1;
    for (const std::int64_t step : {1, 2, 3, 6, 12, 24, 60, 120, 600}) {
        const std::int64_t a = ceilDiv(m1, step), b = floorDiv(m2, step);
        if (b - a + 1 > maxTicks)
            continue;
        for (std::int64_t k = a; k <= b; ++k) {
            const std::int64_t month = k * step;
            const DateTime t =
                encodeDateTime(static_cast<int>(month / 12), static_cast<int>(month % 12) + 1, 1)
                    .value_or(0.0);
            ticks.push_back({t, ChartTimeText(kMonthlyBlank, t)});
        }
        break;
    }
    return ticks;
}

void registerChartWriter(ChartWriter writer)
{
    g_writer = writer;
}

ChartWriter registeredChartWriter()
{
    return g_writer;
}

bool isChartFile(const std::filesystem::path& path)
{
    const std::string ext = foldCase(path.extension().string());
    return ext == ".png" || ext == ".svg" || ext == ".pdf";
}

} // namespace kest
