#pragma once

#include "grid/TableModel.h"

#include <QAbstractTableModel>
#include <QFont>

namespace kest {

/// The Qt face of a TableModel: one row of the view per row of the table (heading rows
/// included), the cell's text, colour, font and alignment through the item roles.
/// The table stays the owner of the data; a build changes it between beginReset()
/// and endReset().
class GridModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit GridModel(TableModel& table, QObject* parent = nullptr);

    TableModel& table() { return m_table; }
    const TableModel& table() const { return m_table; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void beginReset() { beginResetModel(); }
    void endReset();

    /// The Qt font a cell of `table` is drawn with.
    static QFont cellFont(const TableModel& table, const GridCell& cell);

private:
    TableModel& m_table;
    QFont m_tableFont;
};

} // namespace kest
