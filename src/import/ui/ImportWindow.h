#pragma once

#include "import/ImportSummary.h"

#include <QDialog>
#include <filesystem>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace kest {

/// "Импорт архива": brings the Paradox tables of an earlier installation into the
/// archive in use. The folder is chosen, the import runs with a progress bar and
/// "СТОП" (which ends it after the transaction in progress), and the summary is
/// shown as a table, one row per old table and one per controller difference.
class ImportWindow : public QDialog
{
    Q_OBJECT

public:
    using FolderChooser = std::function<QString(QWidget* parent, const QString& start)>;

    ImportWindow(std::filesystem::path databasePath, QWidget* parent = nullptr);

    void setFolder(const QString& folder);
    /// The folder dialog; tests choose without it.
    void setFolderChooser(FolderChooser choose) { m_chooseFolder = std::move(choose); }
    const ImportSummary& summary() const { return m_summary; }
    QTableWidget& summaryTable() { return *m_table; }
    QProgressBar& progressBar() { return *m_progress; }
    QLabel& statusLine() { return *m_status; }
    bool running() const { return m_running; }

public slots:
    void chooseClick();
    /// Runs the import of the chosen folder and shows its summary.
    void importClick();
    /// Ends the import after the transaction in progress.
    void stopClick();
    /// Esc or closing the window while the import runs stops it instead: the window
    /// stays until the transaction in progress is whole and the summary is shown.
    void reject() override;

signals:
    /// After each transaction, while the import runs (tests press "СТОП" here).
    void rowsImported(long read);

private:
    friend class WindowImportProgress;
    void showSummary();
    void setRunning(bool running);

    std::filesystem::path m_databasePath;
    ImportSummary m_summary;
    bool m_running = false;
    bool m_stop = false;
    QLineEdit* m_folder = nullptr;
    QCheckBox* m_checkOnly = nullptr;
    QPushButton* m_choose = nullptr;
    QPushButton* m_import = nullptr;
    QPushButton* m_stopButton = nullptr;
    QPushButton* m_close = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_status = nullptr;
    QTableWidget* m_table = nullptr;
    FolderChooser m_chooseFolder;
};

} // namespace kest
