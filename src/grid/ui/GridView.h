#pragma once

#include "grid/PrintJob.h"
#include "grid/TableModel.h"
#include "grid/ui/GridModel.h"

#include <QTableView>
#include <functional>

class QPrinter;

namespace kest {

/// The table widget every report is shown in: a view of a TableModel with its
/// colours, fonts, alignment, merged cells, widths and read-only cells. The fixed
/// heading rows stay in place over the scrolling rows, and a column is widened by
/// dragging its right border in them; the new width goes into the table and is
/// announced with columnResized.
class GridView : public QTableView
{
    Q_OBJECT

public:
    explicit GridView(TableModel& table, QWidget* parent = nullptr);

    TableModel& table() { return m_model.table(); }
    GridModel& gridModel() { return m_model; }

    /// Wrap a change of the table's contents or shape: the view forgets what it showed
    /// before and takes spans, widths, heights and fixed rows from the table after.
    void beginUpdate();
    void endUpdate();

    /// What a drag of a column border in the heading rows does.
    void resizeColumnByUser(int column, int width);

    /// The height of the fixed rows that stay on top.
    int fixedHeight() const;

    /// Also keeps the row clear of the fixed rows over it.
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

signals:
    void columnResized(int column, int oldWidth, int newWidth);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyLayout();
    void placeFrozen();
    int borderAt(int x) const;

    GridModel m_model;
    QTableView* m_frozen = nullptr;
    int m_dragColumn = -1;
    int m_dragStartX = 0;
    int m_dragStartWidth = 0;
};

/// Picks a printer for a job; false when the user cancelled. The windows use the
/// printer set-up dialog; tests choose a PDF file without one.
using PrinterChooser = std::function<bool(QPrinter& printer, QWidget* parent)>;
bool choosePrinterWithDialog(QPrinter& printer, QWidget* parent);

/// Prints a job on the printer the chooser picked: a PDF file through the PDF writer
/// that `kest report` uses, any other printer through the same painter. "" when it
/// was printed or cancelled (`*cancelled` tells which), else the reason.
std::string printWithChooser(const PrintJob& job,
                             QWidget* parent,
                             const PrinterChooser& choose = choosePrinterWithDialog,
                             bool* cancelled = nullptr);

/// Asks where a spreadsheet goes; an empty text when the user cancelled.
using SaveFileChooser = std::function<QString(QWidget* parent, const QString& suggested)>;
QString chooseSaveFileWithDialog(QWidget* parent, const QString& suggested);

/// Writes tables into an .xlsx file the user names, reporting progress, or into a CSV
/// text when the name ends in .csv (the tables one after another), and opens the file
/// with the desktop's program for it when there is a desktop. "" when written or
/// cancelled, else the reason.
std::string exportWithChooser(const std::vector<const TableModel*>& tables,
                              QWidget* parent,
                              const QString& suggestedName,
                              const std::function<void(int position, int end)>& progress,
                              const SaveFileChooser& choose = chooseSaveFileWithDialog);

} // namespace kest
