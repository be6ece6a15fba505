#include "settings/ArchiveSettings.h"

namespace kest {

void ArchiveSettings::clear()
{
    HourlyFlags.fill(kNoMark);
    for (auto& c : HourlyChains)
        c.fill(kNoMark);
    HourlyExtended.fill(kNoMark);
    DailyFlags.fill(kNoMark);
    DailyChains.fill(kNoMark);
    MonthlyFlags.fill(kNoMark);
    IntervalFlags.fill(kNoMark);
    for (auto& c : IntervalChains)
        c.fill(kNoMark);
}

} // namespace kest
