#pragma once

#include "common/DateTime.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kest {

class ExchangeLog;

/// The period of one blank's report as the period window accepted it.
struct ReportPeriod
{
    DateTime startDate = 0; ///< whole days; 0 means the entry is empty
    DateTime endDate = 0;
    std::uint8_t startHour = 0;
    std::uint8_t endHour = 0;
    std::uint8_t startMinute = 0;
    std::uint8_t endMinute = 0;
    /// Set by the report build for each value column (1..16) that got a value.
    std::array<std::uint8_t, 17> HasData{};

    bool empty() const { return startDate == 0; }
    bool anyData() const;
};

/// One period per blank of the report window, addressed by BlankNumber 1..150;
/// entry 140 doubles as the event window's period.
struct PeriodTable
{
    static constexpr int kEntries = 150;
    static constexpr int kEventEntry = 140;

    /// Entry n; a number outside 1..150 gets a scratch entry rather than memory
    /// past the table.
    ReportPeriod& operator[](int n);
    const ReportPeriod& operator[](int n) const;
    /// Forgets every period (dates, hours, minutes); the report window does it when it
    /// refills its list of blanks.
    void forgetPeriods();
    void clearHasData();

private:
    std::array<ReportPeriod, kEntries + 1> m_entries{};
    ReportPeriod m_scratch{};
};

/// The error box text of a period that cannot be accepted.
extern const char* const kInvalidPeriodMessage;

/// Whether the period window may accept the period for a blank of `blankType`.
bool ValidatePeriod(int blankType, const ReportPeriod& period);

/// The interval length to work with: lengths of 0 or above 60 minutes (a damaged
/// controller row) would make empty minute lists and endless rows, so they count as
/// 5 minutes and the substitution is written to the log.
int EffectiveIntervalMinutes(int minutes, ExchangeLog* log);

/// The texts of the minute lists for an interval length: 0, m, 2m, ... below 60.
std::vector<std::string> IntervalMinuteChoices(int minutes, ExchangeLog* log);

} // namespace kest
