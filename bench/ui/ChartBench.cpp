// The chart of an hourly report of 16 columns over a year (8,760 rows, a few cells
// "..."): the series taken from the report table, then drawn and saved as PNG.
#include "charts/ReportChart.h"
#include "charts/ui/ChartDrawing.h"
#include "reports/ReportBuilder.h"
#include "reports/ReportFrame.h"

#include <benchmark/benchmark.h>
#include <filesystem>

namespace kest {
namespace {

constexpr int kColumns = 16;
constexpr int kYearHours = 8760;

struct YearReport
{
    BlankRecord blank;
    ReportPeriod period;
    TableModel table;
    int headerRows = 1;
};

const YearReport& yearReport()
{
    static const YearReport report = [] {
        YearReport r;
        r.blank.TIP = kHourlyBlank;
        r.blank.NAME[0] = "Год";
        for (int k = 1; k <= kColumns; ++k) {
            r.blank.NAME[k] = "K" + std::to_string(k);
            r.blank.ARH[k] = k;
            r.blank.MERAN[k] = 0x0412;
            r.blank.ZAP[k] = 2;
        }
        r.period.startDate = *encodeDateTime(2025, 1, 1);
        r.period.endDate = r.period.startDate + 364;
        r.period.endHour = 23;
        r.headerRows = PrepareFrame(r.table, r.blank);
        DrawHeading(r.table, r.blank, r.headerRows);
        r.table.setRowCount(r.headerRows + kYearHours + 1);
        for (int row = 0; row < kYearHours; ++row) {
            for (int k = 1; k <= kColumns; ++k) {
                const bool gap = (row + 37 * k) % 1000 == 0;
                r.table.cell(k, r.headerRows + row).text =
                    gap ? "..." : FormatReportValue(10.0 * k + (row % 24) * 0.5, 2, ',');
            }
        }
        return r;
    }();
    return report;
}

void BM_SaveYearChartAsPng(benchmark::State& state)
{
    const YearReport& r = yearReport();
    const auto file = std::filesystem::temp_directory_path() / "kest-chart-bench.png";
    for (auto _ : state) {
        const ReportChart chart = MakeReportChart(r.table, r.headerRows, r.blank, r.period);
        const std::string problem = SaveReportChart(file, chart);
        if (chart.series.size() != kColumns || !problem.empty()) {
            state.SkipWithError(("the chart was not saved: " + problem).c_str());
            return;
        }
    }
    state.counters["png_KiB"] = static_cast<double>(std::filesystem::file_size(file)) / 1024.0;
    std::filesystem::remove(file);
}
BENCHMARK(BM_SaveYearChartAsPng)->Unit(benchmark::kMillisecond)->MinTime(3.0);

} // namespace
} // namespace kest
