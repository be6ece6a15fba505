#pragma once

#include "grid/TableModel.h"
#include "reports/Completeness.h"

#include <QDialog>
#include <filesystem>

class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QTableWidget;

namespace kest {

class Prompter;

/// "Полнота архива": for a period and one or all controllers, how many slots each
/// archive should hold, how many it holds, rows off the grid and the missing spans.
/// The window collects the choice and shows what CheckCompleteness finds.
class CompletenessWindow : public QDialog
{
    Q_OBJECT

public:
    CompletenessWindow(std::filesystem::path databasePath, Prompter& prompter, QWidget* parent = nullptr);

    /// The request the controls state.
    CompletenessRequest request() const;
    /// The table last shown (the heading row only before the first check).
    const TableModel& table() const { return m_table; }

public slots:
    /// Refills the controller list from the database; "все" stays first.
    void loadControllers();
    /// Runs the check for the chosen period and controller and shows the table.
    void showClick();

private:
    void showTable();

    std::filesystem::path m_databasePath;
    Prompter& m_prompter;
    TableModel m_table;
    QDateEdit* m_from = nullptr;
    QDateEdit* m_to = nullptr;
    QComboBox* m_controller = nullptr;
    QPushButton* m_show = nullptr;
    QTableWidget* m_grid = nullptr;
    QLabel* m_summary = nullptr;
};

} // namespace kest
