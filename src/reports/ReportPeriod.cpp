#include "reports/ReportPeriod.h"

#include "common/ExchangeLog.h"

namespace kest {

const char* const kInvalidPeriodMessage =
    "Неверно указан диапазон отчетного периода. Начальная дата должна быть меньше либо равна конечной дате, "
    "начальное время должно быть строго меньше конечного времени. Будьте внимательны.";

bool ReportPeriod::anyData() const
{
    for (std::size_t k = 1; k < HasData.size(); ++k) {
        if (HasData[k])
            return true;
    }
    return false;
}

ReportPeriod& PeriodTable::operator[](int n)
{
    if (n < 1 || n > kEntries) {
        m_scratch = {};
        return m_scratch;
    }
    return m_entries[static_cast<std::size_t>(n)];
}

const ReportPeriod& PeriodTable::operator[](int n) const
{
    if (n < 1 || n > kEntries)
        return m_scratch;
    return m_entries[static_cast<std::size_t>(n)];
}

void PeriodTable::forgetPeriods()
{
    for (auto& e : m_entries) {
        e.startDate = e.endDate = 0;
        e.startHour = e.endHour = 0;
        e.startMinute = e.endMinute = 0;
    }
}

void PeriodTable::clearHasData()
{
    for (auto& e : m_entries)
        e.HasData.fill(0);
    m_scratch.HasData.fill(0);
}

bool ValidatePeriod(int blankType, const ReportPeriod& p)
{
    const bool sameDay = dateOf(p.startDate) == dateOf(p.endDate);
    if ((blankType == 0 || blankType == 3) && sameDay && p.startHour > p.endHour)
        return false;
    if (blankType == 3 && sameDay && p.startHour == p.endHour && p.startMinute > p.endMinute)
        return false;
    return dateOf(p.startDate) <= dateOf(p.endDate);
}

int EffectiveIntervalMinutes(int minutes, ExchangeLog* log)
{
    if (minutes >= 1 && minutes <= 60)
        return minutes;
    if (log) {
        log->append(" Длина интервала " + std::to_string(minutes) +
                    " мин. недопустима, отчет строится для интервала 5 мин.");
    }
    return 5;
}

std::vector<std::string> IntervalMinuteChoices(int minutes, ExchangeLog* log)
{
    const int m = EffectiveIntervalMinutes(minutes, log);
    std::vector<std::string> texts;
    for (int k = 0; k < 60 / m; ++k)
        texts.push_back(std::to_string(k * m));
    return texts;
}

} // namespace kest
