#include "reports/ui/Tperiodform.h"

#include "common/Prompter.h"
#include "reports/ReportWords.h"
#include "ui_Tperiodform.h"

#include <QLineEdit>
#include <QLocale>

namespace kest {
namespace {

QDate toQDate(DateTime day)
{
    const DateTimeParts p = decodeDateTime(day);
    return QDate(p.year, p.month, p.day);
}

DateTime fromQDate(const QDate& d)
{
    return encodeDateTime(d.year(), d.month(), d.day()).value_or(0);
}

/// A minute text as a number; typed texts that are no whole minute of the hour are
/// refused like any other invalid period.
std::optional<int> minuteOf(const QString& text)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (!ok || v < 0 || v > 59)
        return std::nullopt;
    return v;
}

} // namespace

Tperiodform::Tperiodform(ReportSession& session, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::Tperiodform>()), m_session(session)
{
    ui->setupUi(this);
    const QString longDate = QLocale(QLocale::Russian).dateFormat(QLocale::LongFormat);
    for (QDateEdit* edit : {ui->startd, ui->stopd}) {
        edit->setLocale(QLocale(QLocale::Russian));
        edit->setDisplayFormat(longDate);
        edit->setMinimumWidth(
            edit->fontMetrics().horizontalAdvance(QStringLiteral("понедельник, 30 сентября 2024 г.")) + 40);
    }
    // Only the arrows change the hours.
    for (QSpinBox* spin : {ui->SpinEdit1, ui->SpinEdit2})
        spin->findChild<QLineEdit*>()->setReadOnly(true);
    connect(ui->Button1, &QPushButton::clicked, this, &Tperiodform::Button1Click);
    setDefaults(0);
}

Tperiodform::~Tperiodform() = default;

void Tperiodform::setDefaults(int hour)
{
    ui->startd->setDate(QDate::currentDate());
    ui->stopd->setDate(QDate::currentDate());
    ui->SpinEdit1->setValue(hour);
    ui->SpinEdit2->setValue(hour);
    ui->ComboBox1->setCurrentText(QStringLiteral("0"));
    ui->ComboBox2->setCurrentText(QStringLiteral("0"));
}

int Tperiodform::open(int blankType, int intervalMinutes)
{
    m_blankType = blankType;
    m_session.ClosedWithoutAccept = 1;
    if (blankType == kIntervalBlank) {
        for (QComboBox* box : {ui->ComboBox1, ui->ComboBox2}) {
            const QString shown = box->currentText();
            box->clear();
            for (const auto& text : IntervalMinuteChoices(intervalMinutes, nullptr))
                box->addItem(QString::fromStdString(text));
            box->setCurrentText(shown);
        }
    }
    const ReportPeriod& entry = m_session.periods[m_session.blanks.BlankNumber];
    if (!entry.empty()) {
        ui->startd->setDate(toQDate(entry.startDate));
        ui->stopd->setDate(toQDate(entry.endDate));
        ui->SpinEdit1->setValue(entry.startHour);
        ui->SpinEdit2->setValue(entry.endHour);
        ui->ComboBox1->setCurrentText(QString::number(entry.startMinute));
        ui->ComboBox2->setCurrentText(QString::number(entry.endMinute));
    }
    const bool hours = blankType == kHourlyBlank || blankType == kIntervalBlank;
    const bool minutes = blankType == kIntervalBlank;
    for (QWidget* w : {static_cast<QWidget*>(ui->LabelTime1), static_cast<QWidget*>(ui->LabelTime2),
                       static_cast<QWidget*>(ui->SpinEdit1), static_cast<QWidget*>(ui->SpinEdit2),
                       static_cast<QWidget*>(ui->LabelHour1), static_cast<QWidget*>(ui->LabelHour2)})
        w->setVisible(hours);
    for (QWidget* w : {static_cast<QWidget*>(ui->ComboBox1), static_cast<QWidget*>(ui->ComboBox2),
                       static_cast<QWidget*>(ui->LabelMin1), static_cast<QWidget*>(ui->LabelMin2)})
        w->setVisible(minutes);
    adjustSize();
    exec();
    return m_session.ClosedWithoutAccept;
}

ReportPeriod Tperiodform::shownPeriod(bool* minutesValid) const
{
    ReportPeriod p;
    p.startDate = fromQDate(ui->startd->date());
    p.endDate = fromQDate(ui->stopd->date());
    p.startHour = static_cast<std::uint8_t>(ui->SpinEdit1->value());
    p.endHour = static_cast<std::uint8_t>(ui->SpinEdit2->value());
    const auto m1 = minuteOf(ui->ComboBox1->currentText());
    const auto m2 = minuteOf(ui->ComboBox2->currentText());
    *minutesValid = m1 && m2;
    p.startMinute = static_cast<std::uint8_t>(m1.value_or(0));
    p.endMinute = static_cast<std::uint8_t>(m2.value_or(0));
    return p;
}

void Tperiodform::Button1Click()
{
    for (QComboBox* box : {ui->ComboBox1, ui->ComboBox2}) {
        if (box->currentText().isEmpty())
            box->setCurrentText(QStringLiteral("0"));
    }
    bool minutesValid = false;
    const ReportPeriod p = shownPeriod(&minutesValid);
    // Minutes count only for interval blanks; elsewhere their fields are hidden.
    if ((m_blankType == kIntervalBlank && !minutesValid) || !ValidatePeriod(m_blankType, p)) {
        m_session.prompter.showError(kInvalidPeriodMessage);
        return;
    }
    ReportPeriod& entry = m_session.periods[m_session.blanks.BlankNumber];
    const auto hasData = entry.HasData;
    entry = p;
    entry.HasData = hasData;
    m_session.ClosedWithoutAccept = 0;
    accept();
}

void Tperiodform::done(int result)
{
    ReportPeriod& events = m_session.periods[PeriodTable::kEventEntry];
    bool minutesValid = false;
    const ReportPeriod shown = shownPeriod(&minutesValid);
    events.startDate = shown.startDate;
    events.endDate = shown.endDate;
    events.startHour = shown.startHour;
    events.endHour = shown.endHour;
    emit eventPeriodChanged(QString::fromStdString(
        EventPeriodCaption(shown.startHour, shown.startDate, shown.endHour, shown.endDate)));
    QDialog::done(result);
}

} // namespace kest
