#pragma once

#include "charts/ReportChart.h"
#include "charts/ui/ChartDrawing.h"

#include <QDialog>
#include <filesystem>
#include <map>

class QCheckBox;
class QChart;
class QChartView;
class QPointF;

namespace kest {

/// The chart of a built report: one line per value column over the report's rows,
/// a check box per column to show or hide its line, the time and value of the point
/// under the mouse as a tooltip, printing, and saving as PNG, SVG or PDF.
class ChartWindow : public QDialog
{
    Q_OBJECT

public:
    explicit ChartWindow(ReportChart data, QWidget* parent = nullptr);

    QChart* chart() const;
    QChartView* view() const { return m_view; }
    const ColumnLines& lines() const { return m_lines; }
    /// The check box of a report column, or nullptr.
    QCheckBox* columnBox(int column) const;

    /// Saves what the window shows; "" on success, else the reason.
    std::string saveTo(const std::filesystem::path& path);
    /// The tooltip for the mouse over column `column` at chart position `at`; "" when
    /// the column has no value there.
    QString tooltipAt(int column, const QPointF& at) const;

private slots:
    void printClick();
    void saveClick();

private:
    void setColumnShown(int column, bool shown);

    ReportChart m_data;
    QChartView* m_view = nullptr;
    ColumnLines m_lines;
    std::map<int, QCheckBox*> m_boxes;
};

} // namespace kest
