#include "import/ui/ImportWindow.h"

#include "common/ui/EnterButton.h"
#include "db/ArchiveTables.h"
#include "import/FolderImport.h"
#include "link/ExchangeStatus.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace kest {
namespace {

QPushButton* button(const char* caption, const char* name)
{
    auto* b = new QPushButton(QString::fromUtf8(caption));
    b->setObjectName(name);
    b->setAccessibleDescription(name);
    b->setAutoDefault(false);
    return b;
}

QString chooseWithDialog(QWidget* parent, const QString& start)
{
    return QFileDialog::getExistingDirectory(parent, "Папка старых таблиц", start);
}

// The window pumps events after each transaction, so a transaction is kept small
// enough for the window to answer at once.
constexpr long kWindowRowsPerTransaction = 2000;

} // namespace

/// Moves the bar, lets the window answer between transactions and passes on "СТОП".
class WindowImportProgress final : public ImportProgress
{
public:
    explicit WindowImportProgress(ImportWindow& window) : m_window(window) {}

    void tableStarted(const std::string& table, long records) override
    {
        m_table = QString::fromStdString(table);
        m_window.m_progress->setRange(0, static_cast<int>(std::max(records, 1L)));
        m_window.m_progress->setValue(0);
        m_window.m_status->setText("Импорт " + m_table + "…");
        QCoreApplication::processEvents();
    }
    void rowsRead(long read) override
    {
        m_window.m_progress->setValue(static_cast<int>(read));
        emit m_window.rowsImported(read);
        QCoreApplication::processEvents();
    }
    bool stopRequested() override { return m_window.m_stop; }

private:
    ImportWindow& m_window;
    QString m_table;
};

ImportWindow::ImportWindow(std::filesystem::path databasePath, QWidget* parent)
    : QDialog(parent), m_databasePath(std::move(databasePath)), m_chooseFolder(chooseWithDialog)
{
    setObjectName("ImportWindow");
    setAccessibleDescription("ImportWindow");
    setWindowTitle("Импорт архива");
    resize(900, 420);

    m_folder = new QLineEdit;
    m_folder->setObjectName("folderEdit");
    m_folder->setAccessibleDescription("folderEdit");
    auto* folderLabel = new QLabel("Папка старых таблиц (meranb.db, arhivh.db, ...):");
    folderLabel->setBuddy(m_folder);
    m_choose = button("Выбрать...", "chooseButton");
    m_checkOnly = new QCheckBox("Только проверить, ничего не помещая в архив");
    m_checkOnly->setObjectName("checkOnlyBox");
    m_checkOnly->setAccessibleDescription("checkOnlyBox");
    m_import = button("Импортировать", "importButton");
    m_import->setDefault(true);
    m_stopButton = button("СТОП", "stopButton");
    m_stopButton->setVisible(false);
    m_close = button("Выход", "closeButton");
    connect(m_choose, &QPushButton::clicked, this, &ImportWindow::chooseClick);
    connect(m_import, &QPushButton::clicked, this, &ImportWindow::importClick);
    connect(m_stopButton, &QPushButton::clicked, this, &ImportWindow::stopClick);
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);

    auto* choice = new QGridLayout;
    choice->addWidget(folderLabel, 0, 0, 1, 2);
    choice->addWidget(m_folder, 1, 0);
    choice->addWidget(m_choose, 1, 1);
    choice->addWidget(m_checkOnly, 2, 0, 1, 2);
    choice->setColumnStretch(0, 1);

    m_progress = new QProgressBar;
    m_progress->setObjectName("progressBar");
    m_progress->setAccessibleDescription("progressBar");
    m_progress->setVisible(false);
    m_status = new QLabel;
    m_status->setObjectName("statusLine");
    m_status->setAccessibleDescription("statusLine");
    m_status->setWordWrap(true);

    m_table = new QTableWidget(0, 6);
    m_table->setObjectName("summaryGrid");
    m_table->setAccessibleDescription("summaryGrid");
    m_table->setAccessibleName("Итоги импорта");
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->setVisible(false);
    m_table->horizontalHeader()->setStretchLastSection(true);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_progress, 1);
    bottom->addWidget(m_import);
    bottom->addWidget(m_stopButton);
    bottom->addWidget(m_close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choice);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_status);
    layout->addLayout(bottom);
    setEnterButton(*this, *m_import);
    showSummary();
}

void ImportWindow::setFolder(const QString& folder)
{
    m_folder->setText(folder);
}

void ImportWindow::chooseClick()
{
    const QString chosen = m_chooseFolder(this, m_folder->text());
    if (!chosen.isEmpty())
        m_folder->setText(chosen);
}

void ImportWindow::setRunning(bool running)
{
    m_running = running;
    m_import->setVisible(!running);
    m_close->setEnabled(!running);
    m_choose->setEnabled(!running);
    m_folder->setEnabled(!running);
    m_checkOnly->setEnabled(!running);
    m_stopButton->setVisible(running);
    m_progress->setVisible(running);
    if (running)
        m_stopButton->setFocus();
}

void ImportWindow::importClick()
{
    const std::filesystem::path folder = m_folder->text().toStdString();
    std::error_code ec;
    if (m_folder->text().isEmpty() || !std::filesystem::is_directory(folder, ec)) {
        m_status->setText("Выберите папку, в которой лежат старые таблицы.");
        return;
    }
    ImportOptions options;
    options.checkOnly = m_checkOnly->isChecked();
    options.rowsPerTransaction = kWindowRowsPerTransaction;
    std::string error;
    auto db = OpenArchiveDatabase(m_databasePath, !options.checkOnly, &error);
    if (!db || !RequireTables(*db, kArchiveDatabaseTables).ok()) {
        m_status->setText(QString::fromStdString(std::string(exchangeMessage(kStatusDatabase)) + " " + error));
        return;
    }
    m_stop = false;
    setRunning(true);
    WindowImportProgress progress(*this);
    m_summary = ImportFolder(folder, *db, options, &progress);
    setRunning(false);
    showSummary();
}

void ImportWindow::stopClick()
{
    m_stop = true;
}

void ImportWindow::reject()
{
    if (m_running) {
        m_stop = true;
        return;
    }
    QDialog::reject();
}

void ImportWindow::showSummary()
{
    const auto rows = kest::summaryTable(m_summary);
    m_table->setRowCount(static_cast<int>(rows.size()) - 1);
    for (int c = 0; c < 6; ++c)
        m_table->setHorizontalHeaderItem(c, new QTableWidgetItem(QString::fromStdString(rows[0][c])));
    for (std::size_t r = 1; r < rows.size(); ++r) {
        for (int c = 0; c < 6; ++c)
            m_table->setItem(static_cast<int>(r) - 1, c, new QTableWidgetItem(QString::fromStdString(rows[r][c])));
    }
    m_table->resizeColumnsToContents();
    // The notes take what width is left, so a long message reads in one line.
    m_table->horizontalHeader()->setSectionResizeMode(5, QHeaderView::Stretch);
    if (m_summary.tables.empty())
        return;
    std::string status;
    if (m_summary.stopped) {
        status = "Импорт остановлен. Помещенное до остановки сохранено; повторный импорт добавит остальное.";
        for (const auto& t : m_summary.tables) {
            if (t.present() && !t.whole && t.problem.rfind("остановлено", 0) == 0)
                status += " " + t.table + ": " + t.problem + ".";
        }
    } else if (!m_summary.failure.empty()) {
        status = "Импорт прерван: " + m_summary.failure;
    } else {
        status = m_summary.ok() ? (m_summary.checkOnly ? "Проверка закончена, в архив ничего не помещено."
                                                       : "Импорт закончен.")
                                : "Импорт закончен, но не все таблицы прочитаны целиком (см. примечания).";
    }
    m_status->setText(QString::fromStdString(status));
}

} // namespace kest
