#include "grid/ui/GridModel.h"

#include <QBrush>
#include <QColor>

namespace kest {

GridModel::GridModel(TableModel& table, QObject* parent)
    : QAbstractTableModel(parent), m_table(table), m_tableFont(cellFont(table, GridCell{}))
{
}

int GridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_table.rowCount();
}

int GridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_table.colCount();
}

QFont GridModel::cellFont(const TableModel& table, const GridCell& cell)
{
    const bool own = !cell.font.family.empty();
    QFont font(QString::fromStdString(own ? cell.font.family : table.font().family));
    font.setPixelSize(cell.font.pixelSize > 0 ? cell.font.pixelSize : std::max(table.font().pixelSize, 1));
    font.setBold(cell.font.bold || (!own && table.font().bold));
    font.setUnderline(cell.font.underline || (!own && table.font().underline));
    return font;
}

QVariant GridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !m_table.valid(index.column(), index.row()))
        return {};
    const GridCell& cell = m_table.cell(index.column(), index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
    case Qt::AccessibleTextRole:
        return QString::fromStdString(cell.text);
    case Qt::BackgroundRole:
        return QBrush(QColor::fromRgb(cell.color));
    case Qt::ForegroundRole:
        return QBrush(Qt::black);
    case Qt::FontRole:
        if (cell.font == CellFont{})
            return m_tableFont;
        return cellFont(m_table, cell);
    case Qt::TextAlignmentRole: {
        const Qt::Alignment h = cell.hAlign == HAlign::Center  ? Qt::AlignHCenter
                                : cell.hAlign == HAlign::Right ? Qt::AlignRight
                                                               : Qt::AlignLeft;
        const Qt::Alignment v = cell.vAlign == VAlign::Center   ? Qt::AlignVCenter
                                : cell.vAlign == VAlign::Bottom ? Qt::AlignBottom
                                                                : Qt::AlignTop;
        return QVariant::fromValue(h | v);
    }
    default:
        return {};
    }
}

bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || !m_table.valid(index.column(), index.row()))
        return false;
    GridCell& cell = m_table.cell(index.column(), index.row());
    if (cell.readOnly)
        return false;
    cell.text = value.toString().toStdString();
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const
{
    if (!index.isValid() || !m_table.valid(index.column(), index.row()))
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (!m_table.cell(index.column(), index.row()).readOnly)
        f |= Qt::ItemIsEditable;
    return f;
}

void GridModel::endReset()
{
    m_tableFont = cellFont(m_table, GridCell{});
    endResetModel();
}

} // namespace kest
