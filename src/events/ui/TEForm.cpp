#include "events/ui/TEForm.h"

#include "common/ui/EnterButton.h"
#include "reports/BlankFile.h"
#include "reports/ui/Tperiodform.h"
#include "ui_TEForm.h"

#include <QDate>
#include <QHeaderView>

namespace kest {
namespace {

constexpr int kNameWidth = 225;
constexpr int kCodeWidth = 65;

} // namespace

TEForm::TEForm(ReportSession& session, Tperiodform& periodForm, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TEForm>()), m_session(session), m_period(periodForm)
{
    ui->setupUi(this);
    setEnterButton(*this, *ui->Button2);
    QTableWidget& grid = *ui->mergrid;
    grid.verticalHeader()->hide();
    grid.horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    grid.setColumnWidth(0, kNameWidth);
    grid.setColumnWidth(1, kCodeWidth);
    grid.horizontalHeader()->setStretchLastSection(true);
    // Selected rows are lime with black text, also while the grid has no focus.
    QPalette palette = grid.palette();
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Highlight, QColor(0, 255, 0));
        palette.setColor(group, QPalette::HighlightedText, Qt::black);
    }
    grid.setPalette(palette);
    connect(ui->Button1, &QPushButton::clicked, this, &TEForm::Button1Click);
    connect(&m_period, &Tperiodform::eventPeriodChanged, ui->Label2, &QLabel::setText);
}

TEForm::~TEForm() = default;

void TEForm::setControllers(const std::vector<EventControllerRow>& rows)
{
    QTableWidget& grid = *ui->mergrid;
    grid.clearContents();
    grid.setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        grid.setItem(r, 0, new QTableWidgetItem(QString::fromStdString(rows[r].name)));
        grid.setItem(r, 1, new QTableWidgetItem(QString::fromStdString(rows[r].code)));
    }
    if (!rows.empty())
        grid.selectRow(0);
}

QString TEForm::periodCaption() const
{
    return ui->Label2->text();
}

void TEForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    ui->Panel1->hide();
    // Every opening starts from today 0 h to tomorrow 0 h, whatever was chosen before.
    const QDate d = QDate::currentDate();
    ReportPeriod& entry = m_session.periods[PeriodTable::kEventEntry];
    entry = eventPeriod(encodeDateTime(d.year(), d.month(), d.day()).value_or(0), 0);
    ui->Label2->setText(QString::fromStdString(eventPeriodCaption(entry)));
}

void TEForm::Button1Click()
{
    // Hourly, so that the period window shows the hours.
    m_session.blanks.ablini.TIP = kHourlyBlank;
    m_session.blanks.BlankNumber = PeriodTable::kEventEntry;
    m_period.open(kHourlyBlank, 0);
}

} // namespace kest
