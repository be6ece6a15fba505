#include "reports/ui/CompletenessWindow.h"

#include "common/Prompter.h"
#include "common/ui/EnterButton.h"
#include "link/ExchangeStatus.h"
#include "reports/ReportPeriod.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace kest {
namespace {

constexpr const char* kAllControllers = "все";

QPushButton* button(const char* caption, const char* name)
{
    auto* b = new QPushButton(QString::fromUtf8(caption));
    b->setObjectName(name);
    b->setAccessibleDescription(name);
    b->setAutoDefault(false);
    return b;
}

QDateEdit* dateEdit(const char* name, QDate date)
{
    auto* edit = new QDateEdit(date);
    edit->setObjectName(name);
    edit->setAccessibleDescription(name);
    edit->setDisplayFormat("dd.MM.yyyy");
    edit->setCalendarPopup(true);
    return edit;
}

DateTime dayOf(QDate d)
{
    return encodeDateTime(d.year(), d.month(), d.day()).value_or(0.0);
}

} // namespace

CompletenessWindow::CompletenessWindow(std::filesystem::path databasePath,
                                       Prompter& prompter,
                                       QWidget* parent)
    : QDialog(parent), m_databasePath(std::move(databasePath)), m_prompter(prompter),
      m_table(CompletenessTable({}))
{
    setObjectName("CompletenessWindow");
    setAccessibleDescription("CompletenessWindow");
    setWindowTitle("Полнота архива");
    resize(940, 500);

    const QDate today = QDate::currentDate();
    m_from = dateEdit("fromDate", QDate(today.year(), today.month(), 1));
    m_to = dateEdit("toDate", today);
    m_controller = new QComboBox;
    m_controller->setObjectName("controllerBox");
    m_controller->setAccessibleDescription("controllerBox");
    m_show = new QPushButton("Показать");
    m_show->setDefault(true);
    connect(m_show, &QPushButton::clicked, this, &CompletenessWindow::showClick);

    auto* choice = new QGridLayout;
    const auto label = [&](const char* text, QWidget* buddy, int col) {
        auto* l = new QLabel(text);
        l->setBuddy(buddy);
        choice->addWidget(l, 0, col);
        choice->addWidget(buddy, 1, col);
    };
    label("Начало периода:", m_from, 0);
    label("Конец периода:", m_to, 1);
    label("Контроллер:", m_controller, 2);
    choice->addWidget(m_show, 1, 3);
    choice->setColumnStretch(2, 1);

    // Parented by the layout below with the other controls, so Tab reaches the table
    // after the period and controller choice above it.
    m_grid = new GridView(m_table);
    m_grid->setObjectName("gapsgrid");
    m_grid->setAccessibleDescription("gapsgrid");
    m_grid->setAccessibleName("Полнота архива");

    m_summary = new QLabel;
    m_summary->setObjectName("summary");
    m_summary->setAccessibleDescription("summary");
    m_print = button("Печать", "printButton");
    m_print->setToolTip("Печать таблицы с периодом и контроллером в заголовке");
    m_export = button("Экспорт данных", "exportButton");
    m_export->setToolTip("Передача таблицы в MS Excel или в файл CSV");
    // There is nothing to print before the first check.
    m_print->setEnabled(false);
    m_export->setEnabled(false);
    connect(m_print, &QPushButton::clicked, this, &CompletenessWindow::printClick);
    connect(m_export, &QPushButton::clicked, this, &CompletenessWindow::exportClick);
    auto* close = button("Выход", "closeButton");
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_summary, 1);
    bottom->addWidget(m_print);
    bottom->addWidget(m_export);
    bottom->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choice);
    layout->addWidget(m_grid, 1);
    layout->addLayout(bottom);
    setEnterButton(*this, *m_show);

    loadControllers();
}

void CompletenessWindow::loadControllers()
{
    m_controller->clear();
    m_controller->addItem(kAllControllers);
    std::string error;
    auto db = OpenArchiveDatabase(m_databasePath, false, &error);
    std::vector<ControllerRow> rows;
    if (!db || !SelectAllControllers(*db, rows).ok())
        return; // the check itself says what is wrong with the database
    std::sort(rows.begin(), rows.end(),
              [](const ControllerRow& a, const ControllerRow& b) { return a.scode < b.scode; });
    for (const ControllerRow& row : rows)
        m_controller->addItem(QString::fromStdString(ControllerLabel(row)),
                              QVariant::fromValue<qlonglong>(row.scode));
}

CompletenessRequest CompletenessWindow::request() const
{
    CompletenessRequest r;
    r.firstDay = dayOf(m_from->date());
    r.lastDay = dayOf(m_to->date());
    if (m_controller->currentIndex() > 0)
        r.controller = m_controller->currentData().toLongLong();
    return r;
}

void CompletenessWindow::showClick()
{
    const CompletenessRequest r = request();
    if (r.firstDay > r.lastDay) {
        m_prompter.showError(kInvalidPeriodMessage);
        return;
    }
    std::string error;
    auto db = OpenArchiveDatabase(m_databasePath, false, &error);
    std::vector<ArchiveCompleteness> archives;
    if (db) {
        if (const DbStatus s = CheckCompleteness(*db, r, archives); !s.ok())
            error = s.message;
    }
    if (!db || !error.empty()) {
        m_prompter.showError(exchangeMessage(kStatusDatabase) + "\n" + error);
        return;
    }
    m_grid->beginUpdate();
    m_table = CompletenessTable(archives);
    m_grid->endUpdate();
    m_periodLine =
        CompletenessPeriodLine(r, r.controller ? m_controller->currentText().toStdString() : std::string());
    m_summary->setText(QString::fromStdString(CompletenessSummary(archives)));
    m_print->setEnabled(true);
    m_export->setEnabled(true);
}

void CompletenessWindow::printClick()
{
    const PrintJob job = CompletenessPrintJob(m_table, m_periodLine);
    if (const std::string problem = printWithChooser(job, this, m_choosePrinter); !problem.empty())
        m_prompter.showError("Таблица не напечатана: " + problem);
}

void CompletenessWindow::exportClick()
{
    const std::string problem =
        exportWithChooser({&m_table}, this, QStringLiteral("Полнота архива.xlsx"), {}, m_chooseFile);
    if (!problem.empty())
        m_prompter.showError("Таблица не передана: " + problem);
}

} // namespace kest
