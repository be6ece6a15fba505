#include "grid/ui/CellLayout.h"

#include "grid/ui/GridModel.h"

#include <algorithm>
#include <cmath>

namespace kest {
namespace {

// Below this a shrunk word is no longer readable; it is then cut at the cell's edge.
constexpr int kSmallestPixelSize = 5;

bool isSimple(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= '0' && u <= '9') || u == ',' || u == '.' || u == ':' || u == '-' || u == ' ' || u == '+';
}

} // namespace

int LayoutCache::fontOf(const TableModel& table, const GridCell& cell)
{
    if (m_lastFont >= 0 && m_lastTable == &table && cell.font == m_lastCellFont &&
        table.font() == m_lastTableFont)
        return m_lastFont;
    const int index = fontOf(GridModel::cellFont(table, cell));
    m_lastTable = &table;
    m_lastTableFont = table.font();
    m_lastCellFont = cell.font;
    m_lastFont = index;
    return index;
}

int LayoutCache::fontOf(const QFont& wanted)
{
    // Report texts are Latin and Cyrillic, which need no complex shaping; leaving it
    // out halves the cost of every printed cell.
    QFont font = wanted;
    font.setStyleStrategy(QFont::PreferNoShaping);
    const QString key = font.key();
    if (auto it = m_fontIndex.constFind(key); it != m_fontIndex.constEnd())
        return it.value();
    auto entry = std::make_unique<Font>();
    entry->font = font;
    entry->metrics = std::make_unique<QFontMetricsF>(font, m_device);
    entry->ascent = entry->metrics->ascent();
    entry->lineHeight = entry->metrics->height();
    for (int c = 0; c < 128; ++c) {
        const QChar ch(c);
        entry->simpleAdvance[static_cast<std::size_t>(c)] =
            isSimple(ch) ? entry->metrics->horizontalAdvance(ch) : -1.0;
    }
    const int index = static_cast<int>(m_fonts.size());
    m_fonts.push_back(std::move(entry));
    m_fontIndex.insert(key, index);
    return index;
}

double LayoutCache::advance(int font, const QString& text)
{
    const Font& f = *m_fonts[static_cast<std::size_t>(font)];
    double sum = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const double a = u < 128 ? f.simpleAdvance[u] : -1.0;
        if (a < 0)
            return f.metrics->horizontalAdvance(text);
        sum += a;
    }
    return sum;
}

const CellLayout& LayoutCache::layout(int font, double width, const QString& text)
{
    // One line that fits, the usual report cell, needs no wrapping and no cache entry.
    if (!text.contains(QLatin1Char('\n'))) {
        const double w = advance(font, text);
        if (w <= width) {
            m_single.font = font;
            m_single.lines.assign(1, text);
            m_single.widths.assign(1, w);
            m_single.height = m_fonts[static_cast<std::size_t>(font)]->lineHeight;
            return m_single;
        }
    }
    Key key{font, static_cast<int>(std::floor(width)), text};
    if (auto it = m_layouts.constFind(key); it != m_layouts.constEnd())
        return it.value();
    return m_layouts.insert(key, wrap(font, width, text)).value();
}

CellLayout LayoutCache::wrap(int font, double width, const QString& text)
{
    const QStringList paragraphs = text.split(QLatin1Char('\n'));
    // A word wider than the cell sets the whole cell in a smaller font.
    double widest = 0;
    for (const QString& p : paragraphs) {
        for (const QString& word : p.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            widest = std::max(widest, advance(font, word));
    }
    int used = font;
    if (widest > width && width > 0) {
        QFont smaller = m_fonts[static_cast<std::size_t>(font)]->font;
        int size = smaller.pixelSize();
        int next = std::max(kSmallestPixelSize, static_cast<int>(std::floor(size * width / widest)));
        while (size > kSmallestPixelSize) {
            size = std::min(size - 1, next);
            smaller.setPixelSize(size);
            used = fontOf(smaller);
            double w = 0;
            for (const QString& p : paragraphs) {
                for (const QString& word : p.split(QLatin1Char(' '), Qt::SkipEmptyParts))
                    w = std::max(w, advance(used, word));
            }
            if (w <= width)
                break;
            next = size - 1;
        }
    }

    CellLayout out;
    out.font = used;
    for (const QString& p : paragraphs) {
        if (advance(used, p) <= width) {
            out.lines.push_back(p);
            continue;
        }
        QString line;
        for (const QString& word : p.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const QString candidate = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
            if (line.isEmpty() || advance(used, candidate) <= width) {
                line = candidate;
                continue;
            }
            out.lines.push_back(line);
            line = word;
        }
        out.lines.push_back(line);
    }
    for (const QString& line : out.lines)
        out.widths.push_back(advance(used, line));
    out.height = m_fonts[static_cast<std::size_t>(used)]->lineHeight * static_cast<double>(out.lines.size());
    return out;
}

} // namespace kest
