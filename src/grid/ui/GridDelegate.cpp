#include "grid/ui/GridDelegate.h"

#include <QPainter>

namespace kest {
namespace {

constexpr int kPadding = 3;

} // namespace

void GridDelegate::paint(QPainter* painter,
                         const QStyleOptionViewItem& option,
                         const QModelIndex& index) const
{
    if (!m_table.valid(index.column(), index.row())) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    const GridCell& cell = m_table.cell(index.column(), index.row());
    const QRect rect = option.rect;
    const bool selected = option.state & QStyle::State_Selected;
    painter->fillRect(rect, selected ? option.palette.highlight().color() : QColor::fromRgb(cell.color));
    if (cell.text.empty())
        return;
    const CellLayout& layout =
        m_layouts.layout(m_layouts.fontOf(m_table, cell), std::max(rect.width() - 2 * kPadding, 1),
                         QString::fromStdString(cell.text));
    const auto& font = m_layouts.font(layout.font);
    painter->save();
    painter->setClipRect(rect);
    painter->setFont(font.font);
    painter->setPen(selected ? option.palette.highlightedText().color() : QColor(Qt::black));
    const double inner = rect.height() - 2 * kPadding;
    double y = rect.top() + kPadding;
    if (cell.vAlign == VAlign::Center)
        y += (inner - layout.height) / 2;
    else if (cell.vAlign == VAlign::Bottom)
        y += inner - layout.height;
    const double room = rect.width() - 2 * kPadding;
    for (std::size_t i = 0; i < layout.lines.size(); ++i) {
        double x = rect.left() + kPadding;
        if (cell.hAlign == HAlign::Center)
            x += (room - layout.widths[i]) / 2;
        else if (cell.hAlign == HAlign::Right)
            x += room - layout.widths[i];
        painter->drawText(QPointF(x, y + font.ascent + static_cast<double>(i) * font.lineHeight),
                          layout.lines[i]);
    }
    painter->restore();
}

} // namespace kest
