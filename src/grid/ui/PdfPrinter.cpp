#include "grid/ui/PdfPrinter.h"

#include "common/AtomicFile.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace kest {
namespace {

constexpr int kResolution = 96;
constexpr int kCellPadding = 2;

/// The command line has no application object; fonts and the PDF engine need one.
bool ensureGuiApplication()
{
    if (QCoreApplication::instance())
        return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Qt falls back to this folder anyway but says so on stderr, which the command
    // line keeps for message texts.
    if (!std::getenv("XDG_RUNTIME_DIR")) {
        const std::string runtime = "/tmp/runtime-" + std::to_string(getuid());
        if (mkdir(runtime.c_str(), 0700) == 0 || errno == EEXIST)
            setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    }
    static int argc = 1;
    static char name[] = "kest";
    static char* argv[] = {name, nullptr};
    new QGuiApplication(argc, argv); // lives until the process ends
    // libxlsxwriter writes numbers with LC_NUMERIC, which the application may have changed.
    std::setlocale(LC_NUMERIC, "C");
    return true;
}

QFont fontOf(const TableModel& table, const GridCell& cell)
{
    QFont font(QString::fromStdString(cell.font.family.empty() ? table.font().family : cell.font.family));
    font.setPixelSize(cell.font.pixelSize > 0 ? cell.font.pixelSize : std::max(table.font().pixelSize, 1));
    font.setBold(cell.font.bold || (cell.font.family.empty() && table.font().bold));
    font.setUnderline(cell.font.underline);
    return font;
}

int alignmentOf(const GridCell& cell)
{
    int flags = Qt::TextWordWrap;
    flags |= cell.hAlign == HAlign::Center  ? Qt::AlignHCenter
             : cell.hAlign == HAlign::Right ? Qt::AlignRight
                                            : Qt::AlignLeft;
    flags |= cell.vAlign == VAlign::Center   ? Qt::AlignVCenter
             : cell.vAlign == VAlign::Bottom ? Qt::AlignBottom
                                             : Qt::AlignTop;
    return flags;
}

/// Lays the tables out page by page and draws them.
class DocumentPrinter
{
public:
    DocumentPrinter(QPdfWriter& writer, QPainter& painter) : m_writer(writer), m_painter(painter)
    {
        m_width = writer.width();
        m_height = writer.height();
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
            if (!t.table || t.table->rowCount() == 0)
                continue;
            if (!m_started) {
                m_started = true;
                m_y = t.topMargin * m_height;
                drawHeader(firstHeader);
            } else {
                m_y += t.spacing * m_height;
            }
            printTable(t);
        }
    }

private:
    void drawHeader(const std::vector<std::string>& lines)
    {
        if (lines.empty())
            return;
        QFont font(QStringLiteral("Times New Roman"));
        font.setPixelSize(16);
        font.setBold(true);
        m_painter.setFont(font);
        const QFontMetricsF fm(font, &m_writer);
        for (const auto& line : lines) {
            const QRectF rect(0, m_y, m_width, fm.height());
            m_painter.drawText(rect, Qt::AlignHCenter | Qt::AlignVCenter, QString::fromStdString(line));
            m_y += fm.height();
        }
        m_y += fm.height() / 2;
    }

    void newPage(const PrintedTable& t)
    {
        m_writer.newPage();
        ++m_page;
        m_y = t.topMargin * m_height;
        if (t.numberPages)
            drawHeader({"Страница " + std::to_string(m_page), ""});
    }

    std::vector<double> rowHeights(const TableModel& table) const
    {
        std::vector<double> heights(static_cast<std::size_t>(table.rowCount()));
        for (int r = 0; r < table.rowCount(); ++r) {
            double h = table.rowHeight(r);
            for (int c = 0; c < table.colCount(); ++c) {
                const CellSpan* span = table.spanAt(c, r);
                if (span && (span->rows > 1 || span->col != c))
                    continue;
                const GridCell& cell = table.cell(c, r);
                if (cell.text.empty())
                    continue;
                const int width = (span ? spanWidth(table, *span) : table.colWidth(c)) - 2 * kCellPadding;
                const QFontMetrics fm(fontOf(table, cell), &m_writer);
                const QRect need = fm.boundingRect(QRect(0, 0, std::max(width, 1), 100000), alignmentOf(cell),
                                                   QString::fromStdString(cell.text));
                h = std::max<double>(h, need.height() + 2 * kCellPadding);
            }
            heights[static_cast<std::size_t>(r)] = h;
        }
        return heights;
    }

    static int spanWidth(const TableModel& table, const CellSpan& span)
    {
        int w = 0;
        for (int c = span.col; c < span.col + span.cols; ++c)
            w += table.colWidth(c);
        return w;
    }

    static int colLeft(const TableModel& table, int col)
    {
        int x = 0;
        for (int c = 0; c < col; ++c)
            x += table.colWidth(c);
        return x;
    }

    void drawRow(const PrintedTable& t, const std::vector<double>& heights, int r, double scale)
    {
        const TableModel& table = *t.table;
        m_painter.save();
        m_painter.translate(t.leftMargin * m_width, m_y);
        m_painter.scale(scale, scale);
        for (int c = 0; c < table.colCount(); ++c) {
            const CellSpan* span = table.spanAt(c, r);
            if (span && (span->col != c || span->row != r))
                continue;
            double h = heights[static_cast<std::size_t>(r)];
            int w = table.colWidth(c);
            if (span) {
                w = spanWidth(table, *span);
                for (int k = r + 1; k < r + span->rows && k < table.rowCount(); ++k)
                    h += heights[static_cast<std::size_t>(k)];
            }
            const QRectF rect(colLeft(table, c), 0, w, h);
            const GridCell& cell = table.cell(c, r);
            if (cell.color != kWhite)
                m_painter.fillRect(rect, QColor::fromRgb(cell.color));
            if (t.gridLines) {
                m_painter.setPen(QPen(Qt::black, 0));
                m_painter.drawRect(rect);
            }
            if (!cell.text.empty()) {
                m_painter.setPen(Qt::black);
                m_painter.setFont(fontOf(table, cell));
                m_painter.drawText(rect.adjusted(kCellPadding, kCellPadding, -kCellPadding, -kCellPadding),
                                   alignmentOf(cell), QString::fromStdString(cell.text));
            }
        }
        m_painter.restore();
        m_y += heights[static_cast<std::size_t>(r)] * scale;
    }

    void printTable(const PrintedTable& t)
    {
        const TableModel& table = *t.table;
        const double available = m_width * (1.0 - t.leftMargin - 0.03);
        const double scale = table.totalWidth() > available ? available / table.totalWidth() : 1.0;
        const auto heights = rowHeights(table);
        const double bottom = m_height * (1.0 - t.bottomMargin);
        const int fixed = std::min(table.fixedRows(), table.rowCount());
        double fixedHeight = 0;
        for (int r = 0; r < fixed; ++r)
            fixedHeight += heights[static_cast<std::size_t>(r)] * scale;

        // The heading and the first row stay together.
        const double firstRow =
            fixed < table.rowCount() ? heights[static_cast<std::size_t>(fixed)] * scale : 0;
        if (m_y + fixedHeight + firstRow > bottom && m_y > t.topMargin * m_height + 1)
            newPage(t);
        for (int r = 0; r < fixed; ++r)
            drawRow(t, heights, r, scale);
        for (int r = fixed; r < table.rowCount(); ++r) {
            if (m_y + heights[static_cast<std::size_t>(r)] * scale > bottom) {
                newPage(t);
                for (int f = 0; f < fixed; ++f)
                    drawRow(t, heights, f, scale);
            }
            drawRow(t, heights, r, scale);
        }
    }

    QPdfWriter& m_writer;
    QPainter& m_painter;
    double m_width = 0;
    double m_height = 0;
    double m_y = 0;
    int m_page = 1;
    bool m_started = false;
};

} // namespace

std::string PrintTablesToPdf(const std::filesystem::path& path, const PrintJob& job)
{
    if (!ensureGuiApplication())
        return "PDF output needs a graphical application object";
    const std::filesystem::path temp = path.string() + ".tmp";
    {
        QPdfWriter writer(QString::fromStdString(temp.string()));
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(kResolution);
        writer.setTitle(QString::fromStdString(job.title));
        writer.setCreator(QStringLiteral("Kest"));
        QPainter painter;
        if (!painter.begin(&writer))
            return "cannot write " + path.string();
        DocumentPrinter(writer, painter).print(job);
        painter.end();
    }
    return replaceWithTemporary(temp, path);
}

} // namespace kest
