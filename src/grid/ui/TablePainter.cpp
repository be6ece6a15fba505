#include "grid/ui/TablePainter.h"

#include "grid/ui/CellLayout.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <map>

namespace kest {
namespace {

constexpr double kGridDpi = 96.0;
constexpr double kCellPadding = 2;
constexpr double kRightReserve = 0.03; // of the page width, right of every table

/// Cell borders of one page as runs on their lines: the edges two cells share, and
/// the edges of cells one below the other, become one stroke.
class BorderLines
{
public:
    void addRect(const QRectF& r)
    {
        m_horizontal[key(r.top())].push_back({r.left(), r.right()});
        m_horizontal[key(r.bottom())].push_back({r.left(), r.right()});
        m_vertical[key(r.left())].push_back({r.top(), r.bottom()});
        m_vertical[key(r.right())].push_back({r.top(), r.bottom()});
    }

    bool empty() const { return m_horizontal.empty(); }

    QPainterPath path() const
    {
        QPainterPath path;
        for (const auto& [y, runs] : m_horizontal)
            for (const auto& [a, b] : merged(runs)) {
                path.moveTo(a, y / kPrecision);
                path.lineTo(b, y / kPrecision);
            }
        for (const auto& [x, runs] : m_vertical)
            for (const auto& [a, b] : merged(runs)) {
                path.moveTo(x / kPrecision, a);
                path.lineTo(x / kPrecision, b);
            }
        return path;
    }

private:
    static constexpr double kPrecision = 64; // positions closer than 1/64 pixel are one line
    using Run = std::pair<double, double>;

    static long long key(double v) { return std::llround(v * kPrecision); }

    static std::vector<Run> merged(std::vector<Run> runs)
    {
        std::sort(runs.begin(), runs.end());
        std::vector<Run> out;
        for (const Run& r : runs) {
            if (!out.empty() && r.first <= out.back().second + 1.0 / kPrecision)
                out.back().second = std::max(out.back().second, r.second);
            else
                out.push_back(r);
        }
        return out;
    }

    std::map<long long, std::vector<Run>> m_horizontal;
    std::map<long long, std::vector<Run>> m_vertical;
};

/// What one page collects before it is drawn: the fills by colour and the cell
/// borders, each as one path, so that a page costs a few operators, not one per cell.
struct PageShapes
{
    std::map<std::uint32_t, QPainterPath> fills;
    BorderLines borders;
};

class DocumentPainter
{
public:
    DocumentPainter(QPagedPaintDevice& device, QPainter& painter)
        : m_device(device), m_painter(painter), m_layouts(&device)
    {
        m_scaleX = device.logicalDpiX() > 0 ? device.logicalDpiX() / kGridDpi : 1.0;
        m_scaleY = device.logicalDpiY() > 0 ? device.logicalDpiY() / kGridDpi : 1.0;
        m_width = device.width() / m_scaleX;
        m_height = device.height() / m_scaleY;
        m_painter.setWorldTransform(QTransform::fromScale(m_scaleX, m_scaleY));
    }

    void print(const PrintJob& job)
    {
        // The first page is headed by the first table that has a header, also when a
        // title without one opens the page.
        std::vector<std::string> firstHeader;
        for (const auto& t : job.tables) {
            if (t.table && !t.pageHeader.empty()) {
                firstHeader = t.pageHeader;
                break;
            }
        }
        for (const auto& t : job.tables) {
            if (!t.table || t.table->rowCount() == 0 || t.table->colCount() == 0)
                continue;
            if (!m_started) {
                m_started = true;
                m_documentTop = t.topMargin;
                m_y = t.topMargin * m_height;
                drawHeader(firstHeader);
            } else {
                m_y += t.spacing * m_height;
            }
            printTable(t);
        }
        flushShapes();
    }

private:
    struct Rows
    {
        std::vector<double> heights;
        std::vector<double> colLeft; // one more than columns: the right edge last
    };

    void drawHeader(const std::vector<std::string>& lines)
    {
        if (lines.empty())
            return;
        QFont font(QStringLiteral("Times New Roman"));
        font.setPixelSize(16);
        font.setBold(true);
        const int f = m_layouts.fontOf(font);
        const auto& metrics = m_layouts.font(f);
        m_painter.setFont(metrics.font);
        m_currentFont = f;
        m_painter.setPen(Qt::black);
        for (const auto& line : lines) {
            const QString text = QString::fromStdString(line);
            const double x = (m_width - m_layouts.advance(f, text)) / 2;
            if (!text.isEmpty())
                m_painter.drawText(QPointF(x, m_y + metrics.ascent), text);
            m_y += metrics.lineHeight;
        }
        m_y += metrics.lineHeight / 2;
    }

    /// Where a table continues on a new page. A table that follows another one may
    /// have no top margin of its own (it sits right below the one before); on a page
    /// of its own it keeps the document's top margin, or the printer cuts its first line.
    double pageTop(const PrintedTable& t) const
    {
        return std::max(t.topMargin, m_documentTop) * m_height;
    }

    void newPage(const PrintedTable& t)
    {
        flushShapes();
        m_device.newPage();
        ++m_page;
        m_y = pageTop(t);
        if (t.numberPages)
            drawHeader({"Страница " + std::to_string(m_page), ""});
    }

    /// Draws what the page collected: fills first, then the borders as one path, then
    /// the texts, so that no fill covers a text and a page costs a few operators.
    void flushShapes()
    {
        if (m_shapes.fills.empty() && m_shapes.borders.empty() && m_texts.empty())
            return;
        m_painter.setPen(Qt::NoPen);
        for (auto& [color, path] : m_shapes.fills)
            m_painter.fillPath(path, QColor::fromRgb(color));
        if (!m_shapes.borders.empty()) {
            m_painter.setBrush(Qt::NoBrush);
            m_painter.setPen(QPen(Qt::black, 0));
            m_painter.drawPath(m_shapes.borders.path());
        }
        m_painter.setPen(Qt::black);
        // A table shrunk to the page width draws its texts through a scaled painter, so
        // their fonts keep their sizes and their layouts.
        double scale = 1;
        for (const auto& text : m_texts) {
            if (text.scale != scale) {
                scale = text.scale;
                m_painter.setWorldTransform(QTransform::fromScale(m_scaleX * scale, m_scaleY * scale));
            }
            if (text.font != m_currentFont) {
                m_painter.setFont(m_layouts.font(text.font).font);
                m_currentFont = text.font;
            }
            m_painter.drawText(text.at, text.text);
        }
        if (scale != 1)
            m_painter.setWorldTransform(QTransform::fromScale(m_scaleX, m_scaleY));
        m_shapes = {};
        m_texts.clear();
    }

    double cellWidth(const Rows& rows, int col, int cols) const
    {
        return rows.colLeft[static_cast<std::size_t>(col + cols)] -
               rows.colLeft[static_cast<std::size_t>(col)];
    }

    const CellLayout& layoutOf(const TableModel& table, const GridCell& cell, double width)
    {
        return m_layouts.layout(m_layouts.fontOf(table, cell), std::max(width - 2 * kCellPadding, 1.0),
                                QString::fromStdString(cell.text));
    }

    Rows measure(const TableModel& table)
    {
        Rows rows;
        rows.colLeft.resize(static_cast<std::size_t>(table.colCount()) + 1);
        for (int c = 0; c < table.colCount(); ++c)
            rows.colLeft[static_cast<std::size_t>(c) + 1] =
                rows.colLeft[static_cast<std::size_t>(c)] + table.colWidth(c);
        rows.heights.resize(static_cast<std::size_t>(table.rowCount()));
        for (int r = 0; r < table.rowCount(); ++r) {
            double h = table.rowHeight(r);
            for (int c = 0; c < table.colCount(); ++c) {
                const CellSpan* span = table.spanAt(c, r);
                if (span && (span->rows > 1 || span->col != c))
                    continue;
                const GridCell& cell = table.cell(c, r);
                if (cell.text.empty())
                    continue;
                const double w = span ? cellWidth(rows, c, span->cols) : cellWidth(rows, c, 1);
                h = std::max(h, layoutOf(table, cell, w).height + 2 * kCellPadding);
            }
            rows.heights[static_cast<std::size_t>(r)] = h;
        }
        // A cell over several rows that needs more than their sum makes its last row taller.
        for (const CellSpan& span : table.merges()) {
            if (span.rows < 2)
                continue;
            const GridCell& cell = table.cell(span.col, span.row);
            const double need =
                cell.text.empty()
                    ? 0
                    : layoutOf(table, cell, cellWidth(rows, span.col, span.cols)).height + 2 * kCellPadding;
            double have = 0;
            const int last = std::min(span.row + span.rows, table.rowCount()) - 1;
            for (int r = span.row; r <= last; ++r)
                have += rows.heights[static_cast<std::size_t>(r)];
            if (need > have)
                rows.heights[static_cast<std::size_t>(last)] += need - have;
        }
        return rows;
    }

    void drawRow(const PrintedTable& t, const Rows& rows, int r, double scale)
    {
        const TableModel& table = *t.table;
        const double left = t.leftMargin * m_width;
        // Neighbouring cells of one colour and height are filled as one rectangle.
        QRectF run;
        std::uint32_t runColor = kWhite;
        const auto endRun = [&] {
            if (runColor != kWhite && !run.isEmpty())
                m_shapes.fills[runColor].addRect(run);
            run = {};
            runColor = kWhite;
        };
        for (int c = 0; c < table.colCount(); ++c) {
            const CellSpan* span = table.spanAt(c, r);
            if (span && (span->col != c || span->row != r))
                continue;
            double h = rows.heights[static_cast<std::size_t>(r)];
            double w = cellWidth(rows, c, 1);
            if (span) {
                w = cellWidth(rows, c, span->cols);
                for (int k = r + 1; k < r + span->rows && k < table.rowCount(); ++k)
                    h += rows.heights[static_cast<std::size_t>(k)];
            }
            const QRectF rect(left + rows.colLeft[static_cast<std::size_t>(c)] * scale, m_y, w * scale,
                              h * scale);
            const GridCell& cell = table.cell(c, r);
            if (cell.color != runColor || rect.height() != run.height() || rect.left() != run.right())
                endRun();
            if (cell.color != kWhite) {
                run = run.isEmpty() ? rect : run.united(rect);
                runColor = cell.color;
            }
            if (t.gridLines)
                m_shapes.borders.addRect(rect);
            if (!cell.text.empty())
                placeText(table, cell, rect, w, scale);
        }
        endRun();
        m_y += rows.heights[static_cast<std::size_t>(r)] * scale;
    }

    void
    placeText(const TableModel& table, const GridCell& cell, const QRectF& rect, double width, double scale)
    {
        const CellLayout& layout = layoutOf(table, cell, width);
        const auto& font = m_layouts.font(layout.font);
        const double inner = rect.height() - 2 * kCellPadding * scale;
        const double block = layout.height * scale;
        double y = rect.top() + kCellPadding * scale;
        if (cell.vAlign == VAlign::Center)
            y += (inner - block) / 2;
        else if (cell.vAlign == VAlign::Bottom)
            y += inner - block;
        const double ascent = font.ascent * scale;
        const double lineHeight = font.lineHeight * scale;
        for (std::size_t i = 0; i < layout.lines.size(); ++i) {
            const double lineWidth = layout.widths[i] * scale;
            double x = rect.left() + kCellPadding * scale;
            const double room = rect.width() - 2 * kCellPadding * scale;
            if (cell.hAlign == HAlign::Center)
                x += (room - lineWidth) / 2;
            else if (cell.hAlign == HAlign::Right)
                x += room - lineWidth;
            if (!layout.lines[i].isEmpty())
                m_texts.push_back({layout.font,
                                   QPointF(x, y + ascent + static_cast<double>(i) * lineHeight) / scale,
                                   layout.lines[i], scale});
        }
    }

    void printTable(const PrintedTable& t)
    {
        const TableModel& table = *t.table;
        const Rows rows = measure(table);
        const double total = rows.colLeft.back();
        const double available = m_width * (1.0 - t.leftMargin - kRightReserve);
        const double scale = total > available ? available / total : 1.0;
        const double bottom = m_height * (1.0 - t.bottomMargin);
        const int fixed = std::min(table.fixedRows(), table.rowCount());
        double fixedHeight = 0;
        for (int r = 0; r < fixed; ++r)
            fixedHeight += rows.heights[static_cast<std::size_t>(r)] * scale;

        // The heading and the first row stay together.
        const double firstRow =
            fixed < table.rowCount() ? rows.heights[static_cast<std::size_t>(fixed)] * scale : 0;
        if (m_y + fixedHeight + firstRow > bottom && m_y > pageTop(t) + 1)
            newPage(t);
        for (int r = 0; r < fixed; ++r)
            drawRow(t, rows, r, scale);
        for (int r = fixed; r < table.rowCount(); ++r) {
            if (m_y + rows.heights[static_cast<std::size_t>(r)] * scale > bottom) {
                newPage(t);
                for (int f = 0; f < fixed; ++f)
                    drawRow(t, rows, f, scale);
            }
            drawRow(t, rows, r, scale);
        }
    }

    struct PlacedText
    {
        int font;
        QPointF at; ///< in the table's own pixels: page position / scale
        QString text;
        double scale;
    };

    QPagedPaintDevice& m_device;
    QPainter& m_painter;
    LayoutCache m_layouts;
    PageShapes m_shapes;
    std::vector<PlacedText> m_texts;
    int m_currentFont = -1;
    double m_scaleX = 1; // device pixels per grid pixel
    double m_scaleY = 1;
    double m_width = 0;
    double m_height = 0;
    double m_y = 0;
    double m_documentTop = 0; ///< the top margin of the table that opened the document
    int m_page = 1;
    bool m_started = false;
};

} // namespace

std::string PaintPrintJob(QPagedPaintDevice& device, const PrintJob& job)
{
    QPainter painter;
    if (!painter.begin(&device))
        return "the printer did not accept the document";
    DocumentPainter(device, painter).print(job);
    if (!painter.end())
        return "the printer could not finish the document";
    return {};
}

} // namespace kest
