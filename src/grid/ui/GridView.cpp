#include "grid/ui/GridView.h"

#include "grid/CsvWriter.h"
#include "grid/XlsxWriter.h"
#include "grid/ui/GridDelegate.h"
#include "grid/ui/PdfPrinter.h"
#include "grid/ui/TablePainter.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPrintDialog>
#include <QPrinter>
#include <QScrollBar>
#include <QUrl>
#include <algorithm>
#include <cmath>

namespace kest {
namespace {

constexpr int kBorderGrip = 3;     // pixels either side of a border that start a drag
constexpr int kSmallestColumn = 8; // a column dragged narrower stays this wide
constexpr int kFitRowsUpTo = 200;  // tables this short have every row fitted to its text

} // namespace

GridView::GridView(TableModel& table, QWidget* parent) : QTableView(parent), m_model(table)
{
    setModel(&m_model);
    setItemDelegate(new GridDelegate(table, viewport(), this));
    horizontalHeader()->hide();
    verticalHeader()->hide();
    verticalHeader()->setMinimumSectionSize(4);
    verticalHeader()->setDefaultSectionSize(TableModel::kDefaultRowHeight);
    horizontalHeader()->setMinimumSectionSize(kSmallestColumn);
    setWordWrap(true);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);

    // The heading rows: a second view of the same model over the top of this one,
    // showing only them; the rows under it scroll past.
    m_frozen = new QTableView(this);
    m_frozen->setObjectName(QStringLiteral("fixedRows"));
    m_frozen->setModel(&m_model);
    m_frozen->setItemDelegate(new GridDelegate(table, m_frozen->viewport(), m_frozen));
    m_frozen->setSelectionModel(selectionModel());
    m_frozen->setFocusPolicy(Qt::NoFocus);
    m_frozen->horizontalHeader()->hide();
    m_frozen->verticalHeader()->hide();
    m_frozen->verticalHeader()->setMinimumSectionSize(4);
    m_frozen->verticalHeader()->setDefaultSectionSize(TableModel::kDefaultRowHeight);
    m_frozen->horizontalHeader()->setMinimumSectionSize(kSmallestColumn);
    m_frozen->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->setFrameShape(QFrame::NoFrame);
    m_frozen->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_frozen->setWordWrap(true);
    m_frozen->viewport()->installEventFilter(this);
    m_frozen->viewport()->setMouseTracking(true);
    m_frozen->hide();
    viewport()->stackUnder(m_frozen);

    connect(horizontalScrollBar(), &QScrollBar::valueChanged, m_frozen->horizontalScrollBar(),
            &QScrollBar::setValue);
    connect(m_frozen->verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int v) {
        if (v != 0)
            m_frozen->verticalScrollBar()->setValue(0);
    });
    applyLayout();
}

void GridView::beginUpdate()
{
    m_model.beginReset();
}

void GridView::endUpdate()
{
    m_model.endReset();
    applyLayout();
}

void GridView::applyLayout()
{
    const TableModel& t = m_model.table();
    clearSpans();
    m_frozen->clearSpans();
    for (const CellSpan& s : t.merges()) {
        setSpan(s.row, s.col, s.rows, s.cols);
        m_frozen->setSpan(s.row, s.col, s.rows, s.cols);
    }
    for (int c = 0; c < t.colCount(); ++c) {
        setColumnWidth(c, t.colWidth(c));
        m_frozen->setColumnWidth(c, t.colWidth(c));
    }
    // Only rows of their own height are touched: a year of hours has none.
    const int fixed = std::min(t.fixedRows(), t.rowCount());
    const int fitted = t.rowCount() <= kFitRowsUpTo ? t.rowCount() : fixed;
    LayoutCache layouts(viewport());
    for (int r = 0; r < t.rowCount(); ++r) {
        int h = t.rowHeight(r);
        if (r < fitted) {
            for (int c = 0; c < t.colCount(); ++c) {
                const CellSpan* span = t.spanAt(c, r);
                if ((span && (span->col != c || span->row != r || span->rows > 1)) ||
                    t.cell(c, r).text.empty())
                    continue;
                int w = 0;
                for (int k = c; k < c + (span ? span->cols : 1); ++k)
                    w += t.colWidth(k);
                const CellLayout& layout = layouts.layout(layouts.fontOf(t, t.cell(c, r)), std::max(w - 6, 1),
                                                          QString::fromStdString(t.cell(c, r).text));
                h = std::max(h, static_cast<int>(std::ceil(layout.height)) + 6);
            }
        }
        if (h != verticalHeader()->defaultSectionSize() || r < fitted) {
            setRowHeight(r, h);
            if (r < fixed)
                m_frozen->setRowHeight(r, h);
        }
    }
    m_frozen->setVisible(fixed > 0);
    placeFrozen();
}

int GridView::fixedHeight() const
{
    const int fixed = std::min(m_model.table().fixedRows(), m_model.table().rowCount());
    int h = 0;
    for (int r = 0; r < fixed; ++r)
        h += rowHeight(r);
    return h;
}

void GridView::placeFrozen()
{
    const int frame = frameWidth();
    m_frozen->setGeometry(frame, frame, viewport()->width(), fixedHeight());
}

void GridView::resizeEvent(QResizeEvent* event)
{
    QTableView::resizeEvent(event);
    placeFrozen();
}

void GridView::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    QTableView::scrollTo(index, hint);
    // A row under the fixed rows is hidden by them; move it out below.
    if (index.isValid() && index.row() >= m_model.table().fixedRows() && m_frozen->isVisible()) {
        const int hidden = fixedHeight() - visualRect(index).top();
        if (hidden > 0)
            verticalScrollBar()->setValue(verticalScrollBar()->value() - hidden);
    }
}

int GridView::borderAt(int x) const
{
    const TableModel& t = m_model.table();
    const int offset = horizontalScrollBar()->value();
    int right = -offset;
    for (int c = 0; c < t.colCount(); ++c) {
        right += columnWidth(c);
        if (std::abs(x - right) <= kBorderGrip)
            return c;
    }
    return -1;
}

void GridView::resizeColumnByUser(int column, int width)
{
    TableModel& t = m_model.table();
    if (column < 0 || column >= t.colCount())
        return;
    width = std::max(width, kSmallestColumn);
    const int old = t.colWidth(column);
    t.setColWidth(column, width);
    setColumnWidth(column, width);
    m_frozen->setColumnWidth(column, width);
    if (old != width)
        emit columnResized(column, old, width);
}

bool GridView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_frozen->viewport())
        return QTableView::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* e = static_cast<QMouseEvent*>(event);
        const int c = borderAt(e->position().toPoint().x());
        if (e->button() == Qt::LeftButton && c >= 0) {
            m_dragColumn = c;
            m_dragStartX = e->position().toPoint().x();
            m_dragStartWidth = columnWidth(c);
            return true;
        }
        break;
    }
    case QEvent::MouseMove: {
        auto* e = static_cast<QMouseEvent*>(event);
        const int x = e->position().toPoint().x();
        if (m_dragColumn >= 0) {
            const int w = std::max(kSmallestColumn, m_dragStartWidth + x - m_dragStartX);
            setColumnWidth(m_dragColumn, w);
            m_frozen->setColumnWidth(m_dragColumn, w);
            return true;
        }
        m_frozen->viewport()->setCursor(borderAt(x) >= 0 ? Qt::SplitHCursor : Qt::ArrowCursor);
        break;
    }
    case QEvent::MouseButtonRelease:
        if (m_dragColumn >= 0) {
            auto* e = static_cast<QMouseEvent*>(event);
            const int column = m_dragColumn;
            m_dragColumn = -1;
            resizeColumnByUser(column, m_dragStartWidth + e->position().toPoint().x() - m_dragStartX);
            return true;
        }
        break;
    case QEvent::Wheel:
        // The heading rows never scroll; the wheel moves the rows under them.
        QCoreApplication::sendEvent(viewport(), event);
        return true;
    default:
        break;
    }
    return QTableView::eventFilter(watched, event);
}

bool choosePrinterWithDialog(QPrinter& printer, QWidget* parent)
{
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

std::string
printWithChooser(const PrintJob& job, QWidget* parent, const PrinterChooser& choose, bool* cancelled)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setFullPage(true);
    printer.setDocName(QString::fromStdString(job.title));
    const bool chosen = choose(printer, parent);
    if (cancelled)
        *cancelled = !chosen;
    if (!chosen)
        return {};
    // "Print to file" makes the same document as the command line, written as safely.
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty())
        return PrintTablesToPdf(printer.outputFileName().toStdString(), job);
    return PaintPrintJob(printer, job);
}

QString chooseSaveFileWithDialog(QWidget* parent, const QString& suggested)
{
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Сохранить отчет для MS Excel"), suggested,
                                        QStringLiteral("Книга Excel (*.xlsx);;Текст CSV (*.csv)"));
}

std::string exportWithChooser(const std::vector<const TableModel*>& tables,
                              QWidget* parent,
                              const QString& suggestedName,
                              const std::function<void(int position, int end)>& progress,
                              const SaveFileChooser& choose)
{
    QString path = choose(parent, suggestedName);
    if (path.isEmpty())
        return {};
    // A name ending in .csv asks for text; any other name becomes a workbook.
    std::string problem;
    if (path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive)) {
        problem = WriteCsvTables(path.toStdString(), tables);
    } else {
        if (!path.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive))
            path += QStringLiteral(".xlsx");
        problem = WriteXlsx(path.toStdString(), tables, "Отчет", progress);
    }
    if (!problem.empty())
        return problem;
    const QString platform = QGuiApplication::platformName();
    if (platform != QStringLiteral("offscreen") && platform != QStringLiteral("minimal"))
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    return {};
}

} // namespace kest
