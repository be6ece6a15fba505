#pragma once

#include "grid/TableModel.h"
#include "grid/ui/GridView.h"
#include "reports/Completeness.h"

#include <QDialog>
#include <filesystem>

class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;

namespace kest {

class Prompter;

/// "Полнота архива": for a period and one or all controllers, how many slots each
/// archive should hold, how many it holds, rows off the grid and the missing spans.
/// The window collects the choice and shows what CheckCompleteness finds in the
/// report table widget, which prints and exports it like a report.
class CompletenessWindow : public QDialog
{
    Q_OBJECT

public:
    CompletenessWindow(std::filesystem::path databasePath, Prompter& prompter, QWidget* parent = nullptr);

    /// The request the controls state.
    CompletenessRequest request() const;
    /// The table last shown (the heading row only before the first check).
    const TableModel& table() const { return m_table; }
    GridView& gapsgrid() { return *m_grid; }

    /// The printer set-up dialog and the export's file dialog; tests choose without them.
    void setPrinterChooser(PrinterChooser choose) { m_choosePrinter = std::move(choose); }
    void setSaveFileChooser(SaveFileChooser choose) { m_chooseFile = std::move(choose); }

public slots:
    /// Refills the controller list from the database; "все" stays first.
    void loadControllers();
    /// Runs the check for the chosen period and controller and shows the table.
    void showClick();
    /// Prints the table shown, under the period it was checked for.
    void printClick();
    /// Writes the table shown into a workbook or a CSV file.
    void exportClick();

private:
    std::filesystem::path m_databasePath;
    Prompter& m_prompter;
    TableModel m_table;
    std::string m_periodLine; ///< what the table shown was checked for
    QDateEdit* m_from = nullptr;
    QDateEdit* m_to = nullptr;
    QComboBox* m_controller = nullptr;
    QPushButton* m_show = nullptr;
    QPushButton* m_print = nullptr;
    QPushButton* m_export = nullptr;
    GridView* m_grid = nullptr;
    QLabel* m_summary = nullptr;
    PrinterChooser m_choosePrinter = choosePrinterWithDialog;
    SaveFileChooser m_chooseFile = chooseSaveFileWithDialog;
};

} // namespace kest
