#include "charts/ui/ChartWindow.h"

#include "common/ui/EnterButton.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QCursor>
#include <QDateTime>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLegendMarker>
#include <QLineSeries>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QToolTip>
#include <QVBoxLayout>

namespace kest {

ChartWindow::ChartWindow(ReportChart data, QWidget* parent) : QDialog(parent), m_data(std::move(data))
{
    setObjectName("ChartWindow");
    setAccessibleDescription("ChartWindow");
    setWindowTitle(QString::fromStdString("График - " + m_data.title));
    resize(980, 620);

    m_view = new QChartView(makeChart(m_data, &m_lines), this);
    m_view->setObjectName("chartView");
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->setMinimumSize(480, 320);
    m_view->setAccessibleName(windowTitle());

    auto* boxes = new QWidget;
    auto* boxLayout = new QVBoxLayout(boxes);
    for (const ChartSeries& s : m_data.series) {
        auto* box = new QCheckBox(QString::fromStdString(s.caption));
        box->setObjectName(QString("column%1").arg(s.column));
        box->setChecked(true);
        connect(box, &QCheckBox::toggled, this,
                [this, column = s.column](bool on) { setColumnShown(column, on); });
        boxLayout->addWidget(box);
        m_boxes[s.column] = box;
    }
    boxLayout->addStretch();
    auto* scroll = new QScrollArea;
    scroll->setWidget(boxes);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    // Tab goes to the column boxes themselves; the list scrolls to the one it reaches.
    scroll->setFocusPolicy(Qt::NoFocus);

    auto* print = new QPushButton("Печать");
    auto* save = new QPushButton("Сохранить");
    auto* close = new QPushButton("Выход");
    connect(print, &QPushButton::clicked, this, &ChartWindow::printClick);
    connect(save, &QPushButton::clicked, this, &ChartWindow::saveClick);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto* side = new QVBoxLayout;
    side->addWidget(scroll, 1);
    side->addWidget(print);
    side->addWidget(save);
    side->addWidget(close);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_view, 1);
    layout->addLayout(side);
    setEnterButton(*this, *close);

    for (auto& [column, list] : m_lines) {
        for (QLineSeries* line : list) {
            connect(line, &QLineSeries::hovered, this,
                    [this, column = column](const QPointF& at, bool inside) {
                        if (!inside) {
                            QToolTip::hideText();
                            return;
                        }
                        const QString text = tooltipAt(column, at);
                        if (!text.isEmpty())
                            QToolTip::showText(QCursor::pos(), text, m_view);
                    });
        }
    }
}

QChart* ChartWindow::chart() const
{
    return m_view->chart();
}

QCheckBox* ChartWindow::columnBox(int column) const
{
    const auto it = m_boxes.find(column);
    return it == m_boxes.end() ? nullptr : it->second;
}

void ChartWindow::setColumnShown(int column, bool shown)
{
    const auto it = m_lines.find(column);
    if (it == m_lines.end())
        return;
    for (QLineSeries* line : it->second)
        line->setVisible(shown);
    // Hiding a line also hides its legend entry; the other runs keep theirs hidden.
    if (shown) {
        for (std::size_t i = 1; i < it->second.size(); ++i) {
            for (QLegendMarker* marker : chart()->legend()->markers(it->second[i]))
                marker->setVisible(false);
        }
    }
    fitValueAxis(*chart(), m_lines);
}

QString ChartWindow::tooltipAt(int column, const QPointF& at) const
{
    for (const ChartSeries& s : m_data.series) {
        if (s.column != column)
            continue;
        // The mouse gives milliseconds; the nearest row is found in the report's own times.
        const QDateTime when = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(at.x()));
        const QDate d = when.date();
        const QTime t = when.time();
        const auto time = encodeDateTime(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second());
        if (!time)
            return {};
        const ChartPoint* point = NearestPoint(s, *time);
        return point ? QString::fromStdString(ChartTooltipText(m_data, s, *point)) : QString();
    }
    return {};
}

std::string ChartWindow::saveTo(const std::filesystem::path& path)
{
    return saveChart(*chart(), path);
}

void ChartWindow::printClick()
{
    QPrinter printer;
    // A chart over time is wider than high; the dialog still lets the user turn it.
    printer.setPageOrientation(QPageLayout::Landscape);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    printChart(*chart(), printer);
}

void ChartWindow::saveClick()
{
    QString filter;
    const QString file = QFileDialog::getSaveFileName(this, "Сохранить график", QString(),
                                                      "PNG (*.png);;SVG (*.svg);;PDF (*.pdf)", &filter);
    if (file.isEmpty())
        return;
    std::filesystem::path path = file.toStdString();
    if (!isChartFile(path))
        path += filter.startsWith("SVG") ? ".svg" : filter.startsWith("PDF") ? ".pdf" : ".png";
    if (const std::string problem = saveTo(path); !problem.empty())
        QMessageBox::warning(
            this, "График", QString::fromStdString("Не удалось сохранить " + path.string() + ": " + problem));
}

} // namespace kest
