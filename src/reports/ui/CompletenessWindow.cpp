#include "reports/ui/CompletenessWindow.h"

#include "common/Prompter.h"
#include "link/ExchangeStatus.h"
#include "reports/ReportPeriod.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace kest {
namespace {

constexpr const char* kAllControllers = "все";

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

QColor colourOf(std::uint32_t rgb)
{
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
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
    resize(900, 480);

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

    m_grid = new QTableWidget;
    m_grid->setObjectName("gapsgrid");
    m_grid->setAccessibleDescription("gapsgrid");
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->verticalHeader()->hide();
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->setWordWrap(false);

    m_summary = new QLabel;
    m_summary->setObjectName("summary");
    auto* close = new QPushButton("Выход");
    close->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_summary, 1);
    bottom->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choice);
    layout->addWidget(m_grid, 1);
    layout->addLayout(bottom);

    loadControllers();
    showTable();
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
    m_table = CompletenessTable(archives);
    showTable();
    m_summary->setText(QString::fromStdString(CompletenessSummary(archives)));
}

void CompletenessWindow::showTable()
{
    // The heading row of the table becomes the header of the grid.
    const int rows = m_table.rowCount() - 1;
    m_grid->clear();
    m_grid->setColumnCount(m_table.colCount());
    m_grid->setRowCount(rows);
    for (int c = 0; c < m_table.colCount(); ++c) {
        m_grid->setHorizontalHeaderItem(
            c, new QTableWidgetItem(QString::fromStdString(m_table.cell(c, 0).text)));
        m_grid->setColumnWidth(c, m_table.colWidth(c));
    }
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < m_table.colCount(); ++c) {
            const GridCell& cell = m_table.cell(c, r + 1);
            auto* item = new QTableWidgetItem(QString::fromStdString(cell.text));
            item->setTextAlignment(Qt::AlignVCenter |
                                   (cell.hAlign == HAlign::Center ? Qt::AlignHCenter : Qt::AlignLeft));
            if (cell.color != kWhite)
                item->setBackground(colourOf(cell.color));
            item->setToolTip(c == m_table.colCount() - 1 ? item->text() : QString());
            m_grid->setItem(r, c, item);
        }
    }
}

} // namespace kest
