#pragma once

#include "charts/ReportChart.h"

#include <QSize>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

class QChart;
class QLineSeries;
class QPagedPaintDevice;
class QPainter;
class QPrinter;
class QRectF;

namespace kest {

/// The lines of each report column (its number as the key): a column's line breaks
/// where the report shows "...", so it is drawn as one line per unbroken run, the
/// first of them carrying the legend entry.
using ColumnLines = std::map<int, std::vector<QLineSeries*>>;

/// The milliseconds since 1970 that a chart axis uses for a local time.
qint64 chartMsecs(DateTime t);

/// A chart of the report: title, a time axis, one value axis, the lines of every
/// column with its caption in the legend. `lines` receives the lines per column.
QChart* makeChart(const ReportChart& data, ColumnLines* lines = nullptr);

/// Fits the value axis to the columns that are shown.
void fitValueAxis(QChart& chart, const ColumnLines& lines);

/// The size of a chart saved as a picture, in pixels.
inline constexpr QSize kChartFileSize{1200, 700};

/// Draws the chart into a PNG, SVG or PDF file chosen by the extension, at the size
/// of a saved picture or of the page; "" on success, else the reason. SVG and PDF keep
/// lines and text as vectors. The chart must be in a scene (a view's or its own).
std::string saveChart(QChart& chart, const std::filesystem::path& path);

/// Paints the chart over one page of a PDF or a printer; false when the device cannot
/// be painted on.
bool paintOnPage(QChart& chart, QPagedPaintDevice& device);

/// Prints the chart on one page in the printer's orientation.
void printChart(QChart& chart, QPrinter& printer);

/// The chart writer of the command line: builds the chart and saves it. Works without
/// a display: when the process has no application object yet, an offscreen one is
/// made.
std::string SaveReportChart(const std::filesystem::path& path, const ReportChart& chart);

} // namespace kest
