#pragma once

#include "grid/TableModel.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QPaintDevice>
#include <QString>
#include <array>
#include <memory>
#include <vector>

namespace kest {

/// How one cell's text sits in its width: the lines after wrapping at blanks, the
/// font (smaller than the cell's own when a word would not fit otherwise) and the
/// height the lines need.
struct CellLayout
{
    int font = 0; ///< index into the LayoutCache's fonts
    std::vector<QString> lines;
    std::vector<double> widths;
    double height = 0;
};

/// Fonts, metrics and wrapped texts of the cells of a printed document, measured
/// once. Most report cells are one short line of digits, which is measured from
/// cached glyph advances without shaping.
class LayoutCache
{
public:
    explicit LayoutCache(QPaintDevice* device) : m_device(device) {}

    struct Font
    {
        QFont font;
        std::unique_ptr<QFontMetricsF> metrics;
        double ascent = 0;
        double lineHeight = 0;
        /// Advances of the characters that never kern in the fonts in use (digits,
        /// separators, blank); -1 for the others.
        std::array<double, 128> simpleAdvance{};
    };

    /// The index of the font a cell is drawn with.
    int fontOf(const TableModel& table, const GridCell& cell);
    int fontOf(const QFont& font);
    const Font& font(int index) const { return *m_fonts[static_cast<std::size_t>(index)]; }

    /// The layout of `text` in `width` pixels: wrapped at blanks, and set in a smaller
    /// font when one word is wider than the cell.
    const CellLayout& layout(int font, double width, const QString& text);

    /// The advance of a text in a font.
    double advance(int font, const QString& text);

private:
    CellLayout wrap(int font, double width, const QString& text);

    struct Key
    {
        int font;
        int width;
        QString text;
        bool operator==(const Key&) const = default;
    };
    friend size_t qHash(const Key& key, size_t seed)
    {
        return qHashMulti(seed, key.font, key.width, key.text);
    }

    QPaintDevice* m_device;
    std::vector<std::unique_ptr<Font>> m_fonts;
    QHash<QString, int> m_fontIndex;
    CellFont m_lastCellFont;
    CellFont m_lastTableFont;
    const TableModel* m_lastTable = nullptr;
    int m_lastFont = -1;
    QHash<Key, CellLayout> m_layouts;
    CellLayout m_single; ///< the answer of the one-line fast path
};

} // namespace kest
