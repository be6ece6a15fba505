#include "charts/ui/ChartWindow.h"

#include "TestSupport.h"
#include "UiScreenshots.h"
#include "app/ReportHome.h"

#include <QChart>
#include <QCheckBox>
#include <QImage>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPrinter>
#include <QSvgRenderer>
#include <QValueAxis>
#include <gtest/gtest.h>

namespace kest {
namespace {

using test::readFile;
using test::runCommand;
using test::TempDir;

DateTime hour(int h)
{
    return *encodeDateTime(2024, 3, 5, h);
}

/// Two columns over six hours; Q has a break at 02:00 and 03:00, t a lone value at
/// 04:00 between breaks.
ReportChart sixHours()
{
    ReportChart chart{"Котельная", "за 05.03.2024", kHourlyBlank, {{1, "Q, Гкал", {}}, {3, "t, °C", {}}}};
    for (int h = 0; h < 6; ++h) {
        const bool qGap = h == 2 || h == 3;
        chart.series[0].points.push_back(
            {hour(h), qGap ? std::nullopt : std::optional(10.0 + h), qGap ? "..." : std::to_string(10 + h)});
        const bool tShown = h == 0 || h == 1 || h == 4;
        chart.series[1].points.push_back({hour(h), tShown ? std::optional(-2.5 * h) : std::nullopt, "..."});
    }
    return chart;
}

/// Every line of a report column in the chart model, in the order they were added.
std::vector<QLineSeries*> linesOf(QChart* chart, int column)
{
    std::vector<QLineSeries*> lines;
    for (QAbstractSeries* s : chart->series()) {
        if (s->property("column").toInt() == column)
            lines.push_back(qobject_cast<QLineSeries*>(s));
    }
    return lines;
}

int visibleMarkers(QChart* chart)
{
    int n = 0;
    for (QLegendMarker* m : chart->legend()->markers())
        n += m->isVisible();
    return n;
}

TEST(ChartWindowTest, ChartModelHoldsTheReportNumbersWithBreaks)
{
    const ReportChart data = sixHours();
    ChartWindow window(data);
    window.show(); // legend markers count as visible only in a shown chart
    EXPECT_EQ(window.windowTitle(), "График - Котельная");

    // Read back from the chart: a run of points per unbroken stretch, x the row time.
    const auto q = linesOf(window.chart(), 1);
    ASSERT_EQ(q.size(), 2u);
    EXPECT_EQ(q[0]->points(),
              (QList<QPointF>{{double(chartMsecs(hour(0))), 10}, {double(chartMsecs(hour(1))), 11}}));
    EXPECT_EQ(q[1]->points(),
              (QList<QPointF>{{double(chartMsecs(hour(4))), 14}, {double(chartMsecs(hour(5))), 15}}));
    EXPECT_EQ(q[0]->name(), "Q, Гкал");
    const auto t = linesOf(window.chart(), 3);
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[1]->points(), (QList<QPointF>{{double(chartMsecs(hour(4))), -10}}));
    EXPECT_TRUE(t[1]->pointsVisible()); // a lone value is drawn as a dot
    EXPECT_EQ(chartMsecs(hour(1)) - chartMsecs(hour(0)), 3'600'000);
    // One legend entry per column, however many runs it has.
    EXPECT_EQ(visibleMarkers(window.chart()), 2);

    // Hiding Q hides every run of it and fits the value axis to t alone.
    auto* axis = qobject_cast<QValueAxis*>(window.chart()->axes(Qt::Vertical).front());
    EXPECT_GE(axis->max(), 15);
    window.columnBox(1)->setChecked(false);
    EXPECT_FALSE(q[0]->isVisible());
    EXPECT_FALSE(q[1]->isVisible());
    EXPECT_LE(axis->max(), 1);
    EXPECT_LE(axis->min(), -10);
    window.columnBox(1)->setChecked(true);
    EXPECT_TRUE(q[1]->isVisible());
    EXPECT_EQ(visibleMarkers(window.chart()), 2);

    test::saveScreenshot(window, "chart-window.png");

    // The tooltip names the nearest row with a value.
    EXPECT_EQ(window.tooltipAt(1, QPointF(double(chartMsecs(hour(2))) + 60'000, 0)),
              "05.03.2024 01:00\nQ, Гкал: 11");
    EXPECT_EQ(window.tooltipAt(7, QPointF(0, 0)), "");
}

TEST(ChartWindowTest, SavesPngSvgAndPdfHeadless)
{
    TempDir dir;
    ChartWindow window(sixHours());
    ASSERT_EQ(window.saveTo(dir / "c.png"), "");
    const QImage png(QString::fromStdString((dir / "c.png").string()));
    EXPECT_EQ(png.size(), kChartFileSize);
    // The picture is not blank: the lines are drawn in colour.
    int coloured = 0;
    for (int y = 0; y < png.height(); y += 2) {
        for (int x = 0; x < png.width(); x += 2) {
            const QColor c = png.pixelColor(x, y);
            coloured += c.saturation() > 100;
        }
    }
    EXPECT_GT(coloured, 200);

    ASSERT_EQ(window.saveTo(dir / "c.svg"), "");
    const std::string svg = readFile(dir / "c.svg");
    EXPECT_TRUE(QSvgRenderer(QByteArray::fromStdString(svg)).isValid());
    EXPECT_NE(svg.find("Гкал"), std::string::npos);

    ASSERT_EQ(window.saveTo(dir / "c.pdf"), "");
    EXPECT_EQ(readFile(dir / "c.pdf").substr(0, 5), "%PDF-");
    // Printing draws the same chart on the printer's page.
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString((dir / "printed.pdf").string()));
    printChart(*window.chart(), printer);
    EXPECT_GT(std::filesystem::file_size(dir / "printed.pdf"), 1000u);

    EXPECT_NE(window.saveTo(dir / "c.bmp"), "");
    EXPECT_NE(window.saveTo(dir / "no-such-folder" / "c.png"), "");
    EXPECT_FALSE(std::filesystem::exists(dir / "c.bmp"));
}

TEST(ChartWindowTest, CommandLineWritesTheChartOfTheReport)
{
    TempDir dir;
    auto db = test::prepareReportHome(dir);
    ASSERT_TRUE(db);
    for (int h = 0; h < 48; ++h) {
        if (h != 20)
            WriteArchiveRow(*db, ArchiveKind::Hourly,
                            {hour(0) + h * kOneHour, ArchiveKey(0x1A2F, ArchiveKind::Hourly, 4), 1.5 * h});
    }
    db.reset();
    const std::string report =
        std::string(KEST_BIN) + " --home '" + dir.path().string() +
        "' report --blank 'Часовой отчет МЕРАН 1A2F' --from 2024-03-05 --to 2024-03-06 "
        "--to-hour 23 --chart --out ";
    std::string err;
    ASSERT_EQ(runCommand(report + "'" + (dir / "h.svg").string() + "'", nullptr, &err), 0) << err;
    const std::string svg = readFile(dir / "h.svg");
    EXPECT_TRUE(QSvgRenderer(QByteArray::fromStdString(svg)).isValid());
    EXPECT_NE(svg.find("Часовой отчет МЕРАН 1A2F"), std::string::npos);
    ASSERT_EQ(runCommand(report + "'" + (dir / "h.png").string() + "'", nullptr, &err), 0) << err;
    EXPECT_EQ(QImage(QString::fromStdString((dir / "h.png").string())).size(), kChartFileSize);

    EXPECT_EQ(runCommand(report + "'" + (dir / "h.csv").string() + "'", nullptr, &err), 1);
    EXPECT_NE(err.find(".png, .svg or .pdf"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / "h.csv"));
}

} // namespace
} // namespace kest
