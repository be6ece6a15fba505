#include "charts/ui/ChartDrawing.h"

#include "common/AtomicFile.h"
#include "common/CodePage.h"
#include "grid/ui/HeadlessApplication.h"

#include <QApplication>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QGraphicsScene>
#include <QImage>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QSvgGenerator>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

namespace kest {
namespace {

// Sixteen columns at most; neighbours differ in hue and lightness.
constexpr QRgb kPalette[] = {0x1f77b4, 0xd62728, 0x2ca02c, 0xff7f0e, 0x9467bd, 0x8c564b, 0xe377c2, 0x17becf,
                             0x7f7f7f, 0xbcbd22, 0x393b79, 0xad494a, 0x637939, 0x8c6d31, 0x7b4173, 0x3182bd};

QString qText(const std::string& text)
{
    return QString::fromStdString(text);
}

/// Local midnight of each day, converted once per day: a year of hours is 8,760 points
/// per column but only 365 days.
class MsecsOfDay
{
public:
    qint64 operator()(DateTime t)
    {
        const auto p = decodeDateTime(t);
        const qint64 day = static_cast<qint64>(std::floor(t + 0.5 / 86400.0));
        if (day != m_day) {
            m_day = day;
            m_midnight = QDateTime(QDate(p.year, p.month, p.day), QTime(0, 0)).toMSecsSinceEpoch();
        }
        return m_midnight + ((p.hour * 60 + p.minute) * 60 + p.second) * 1000LL;
    }

private:
    qint64 m_day = -1;
    qint64 m_midnight = 0;
};

/// The runs of points with a value, each as a list of chart points.
std::vector<QList<QPointF>> unbrokenRuns(const ChartSeries& series, MsecsOfDay& msecs)
{
    std::vector<QList<QPointF>> runs;
    bool open = false;
    for (const ChartPoint& p : series.points) {
        if (!p.value) {
            open = false;
            continue;
        }
        if (!open)
            runs.emplace_back();
        open = true;
        runs.back().append(QPointF(static_cast<qreal>(msecs(p.time)), *p.value));
    }
    return runs;
}

void addColumn(QChart& chart, const ChartSeries& series, QColor colour, MsecsOfDay& msecs, ColumnLines* lines)
{
    auto runs = unbrokenRuns(series, msecs);
    if (runs.empty())
        runs.emplace_back(); // an empty line keeps the column in the legend
    QPen pen(colour);
    pen.setWidthF(1.5);
    bool first = true;
    for (auto& run : runs) {
        auto* line = new QLineSeries;
        line->setName(qText(series.caption));
        line->setPen(pen);
        line->setProperty("column", series.column);
        // A lone value between two gaps is a dot, since a line needs two points.
        line->setPointsVisible(run.size() == 1);
        line->setMarkerSize(7);
        line->replace(run);
        chart.addSeries(line);
        if (!first) {
            for (QLegendMarker* marker : chart.legend()->markers(line))
                marker->setVisible(false);
        }
        first = false;
        if (lines)
            (*lines)[series.column].push_back(line);
    }
}

/// The command line has no application object; charts are widgets and need one.
std::string ensureWidgetApplication()
{
    if (QCoreApplication::instance()) {
        if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
            return "charts need the windows' application object";
        return "";
    }
    startHeadlessApplication(true);
    return "";
}

/// Lays the chart out at `size` (pixels), draws it and puts it back where it was: a
/// file or a page gets a chart of its own size whatever the window shows. The chart
/// must be in a scene.
bool paintChart(QChart& chart, QPainter& painter, QSizeF size)
{
    const QRectF shown = chart.geometry();
    const QRectF area(QPointF(0, 0), size);
    chart.setGeometry(area);
    // The plot area, axes and legend are laid out on a posted layout request.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(area, Qt::white);
    chart.scene()->render(&painter, area, chart.sceneBoundingRect());
    chart.setGeometry(shown);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    return true;
}

std::string writePicture(QChart& chart, const std::filesystem::path& temp, const std::string& ext)
{
    const QString file = QString::fromStdString(temp.string());
    const QSize size = kChartFileSize;
    if (ext == ".png") {
        QImage image(size, QImage::Format_ARGB32);
        {
            QPainter painter(&image);
            paintChart(chart, painter, size);
        }
        return image.save(file, "PNG") ? "" : "the picture could not be written";
    }
    if (ext == ".svg") {
        QSvgGenerator svg;
        svg.setFileName(file);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        // The generator writes the title as it is, so it must be valid XML already.
        svg.setTitle(chart.property("plainTitle").toString().toHtmlEscaped());
        QPainter painter;
        if (!painter.begin(&svg))
            return "the picture could not be written";
        paintChart(chart, painter, size);
        return painter.end() ? "" : "the picture could not be written";
    }
    QPdfWriter pdf(file);
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageOrientation(QPageLayout::Landscape);
    pdf.setResolution(96);
    pdf.setTitle(chart.property("plainTitle").toString());
    return paintOnPage(chart, pdf) ? "" : "the PDF could not be written";
}

} // namespace

bool paintOnPage(QChart& chart, QPagedPaintDevice& device)
{
    const QRect page = device.pageLayout().paintRectPixels(device.logicalDpiX());
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    paintChart(chart, painter, page.size());
    return painter.end();
}

qint64 chartMsecs(DateTime t)
{
    MsecsOfDay msecs;
    return msecs(t);
}

QChart* makeChart(const ReportChart& data, ColumnLines* lines)
{
    auto* chart = new QChart;
    // Both lines centred over each other, not only the block over the plot.
    QString title = "<p align=\"center\"><b>" + qText(data.title).toHtmlEscaped() + "</b>";
    if (!data.subtitle.empty())
        title += "<br>" + qText(data.subtitle).toHtmlEscaped();
    chart->setTitle(title + "</p>");
    // Files name the chart in their metadata as plain text.
    chart->setProperty("plainTitle",
                       qText(data.subtitle.empty() ? data.title : data.title + " " + data.subtitle));
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setBackgroundRoundness(0);

    // Marks at round times, whatever the period: a plain time axis divides its range
    // evenly and would mark 15:50 or the 30th of a month.
    auto* time = new QCategoryAxis;
    time->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    chart->addAxis(time, Qt::AlignBottom);
    auto* value = new QValueAxis;
    value->setLabelFormat("%g");
    chart->addAxis(value, Qt::AlignLeft);

    MsecsOfDay msecs;
    ColumnLines own;
    for (std::size_t i = 0; i < data.series.size(); ++i)
        addColumn(*chart, data.series[i], QColor(kPalette[i % std::size(kPalette)]), msecs, &own);
    for (auto& [column, list] : own) {
        for (QLineSeries* line : list) {
            line->attachAxis(time);
            line->attachAxis(value);
        }
    }

    DateTime first = 0, last = 0;
    bool any = false;
    for (const ChartSeries& s : data.series) {
        if (s.points.empty())
            continue;
        first = any ? std::min(first, s.points.front().time) : s.points.front().time;
        last = any ? std::max(last, s.points.back().time) : s.points.back().time;
        any = true;
    }
    qint64 low = msecs(first), high = msecs(last);
    if (low == high) {
        // One row: an hour either side keeps the point off the frame.
        low -= 3'600'000;
        high += 3'600'000;
    }
    // A little room either side, so that the labels of the first and last marks fit.
    const qint64 room = std::max<qint64>((high - low) / 40, 1);
    time->setRange(static_cast<qreal>(low - room), static_cast<qreal>(high + room));
    time->setStartValue(static_cast<qreal>(low - room));
    if (any) {
        for (const ChartTick& tick : ChartTimeTicks(data.kind, first, last))
            time->append(qText(tick.text), static_cast<qreal>(msecs(tick.time)));
    }
    fitValueAxis(*chart, own);
    if (lines)
        *lines = std::move(own);
    return chart;
}

void fitValueAxis(QChart& chart, const ColumnLines& lines)
{
    const auto axes = chart.axes(Qt::Vertical);
    if (axes.isEmpty())
        return;
    auto* axis = qobject_cast<QValueAxis*>(axes.front());
    double low = 0, high = 0;
    bool any = false;
    for (const auto& [column, list] : lines) {
        for (const QLineSeries* line : list) {
            if (!line->isVisible())
                continue;
            for (const QPointF& p : line->points()) {
                low = any ? std::min(low, p.y()) : p.y();
                high = any ? std::max(high, p.y()) : p.y();
                any = true;
            }
        }
    }
    if (!any) {
        low = 0;
        high = 1;
    }
    if (low == high) {
        low -= 1;
        high += 1;
    }
    axis->setRange(low, high);
    axis->applyNiceNumbers();
}

std::string saveChart(QChart& chart, const std::filesystem::path& path)
{
    const std::string ext = foldCase(path.extension().string());
    if (ext != ".png" && ext != ".svg" && ext != ".pdf")
        return "the file must end in .png, .svg or .pdf";
    if (!chart.scene())
        return "the chart is not laid out";
    // Written beside the target and renamed over it, so a failed save leaves no half file.
    const std::filesystem::path temp =
        path.parent_path() / (".kest-" + path.filename().string() + ".part" + ext);
    if (std::string problem = writePicture(chart, temp, ext); !problem.empty()) {
        std::error_code ec;
        std::filesystem::remove(temp, ec);
        return problem;
    }
    return replaceWithTemporary(temp, path);
}

void printChart(QChart& chart, QPrinter& printer)
{
    paintOnPage(chart, printer);
}

std::string SaveReportChart(const std::filesystem::path& path, const ReportChart& chart)
{
    if (std::string problem = ensureWidgetApplication(); !problem.empty())
        return problem;
    QGraphicsScene scene;
    QChart* drawn = makeChart(chart);
    scene.addItem(drawn); // the scene owns it from here
    return saveChart(*drawn, path);
}

} // namespace kest
