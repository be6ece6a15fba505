#pragma once

#include "grid/ui/CellLayout.h"

#include <QStyledItemDelegate>

namespace kest {

/// Draws a cell as the printer does: wrapped at blanks, a word wider than the cell set
/// smaller, aligned as the cell says; the view shows what the paper will show.
class GridDelegate : public QStyledItemDelegate
{
public:
    GridDelegate(const TableModel& table, QPaintDevice* device, QObject* parent)
        : QStyledItemDelegate(parent), m_table(table), m_layouts(device)
    {
    }

    void
    paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    const TableModel& m_table;
    mutable LayoutCache m_layouts;
};

} // namespace kest
