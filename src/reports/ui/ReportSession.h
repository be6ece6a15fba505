#pragma once

#include "link/ExchangeStatus.h"
#include "reports/BlankFile.h"
#include "reports/ReportPeriod.h"

namespace kest {

class Prompter;

/// The program-wide state the report windows share, owned by the application and
/// handed to each window by reference.
struct ReportSession
{
    BlankState& blanks;   ///< `ablini`, BlankNumber and BLANK.INI's folder
    PeriodTable& periods; ///< `PeriodTable`
    ExchangeState& status;
    Prompter& prompter;
    /// The period window's default hours: the settlement hour the exchange window took
    /// last from the archive settings.
    int settlementHour = 0;
    /// ',' until the first record of the run was read or stored, then '.'.
    char decimalSeparator = ',';
    /// 1 when the period window was closed without accepting a period.
    int ClosedWithoutAccept = 1;
};

} // namespace kest
