#pragma once

#include "common/DateTime.h"
#include "exchange/ExchangeContext.h"

#include <cstdint>
#include <string>

namespace kest {

/// The time column of the archive settings list: the long time text ("10:05:00",
/// "9:05:00") cut to its hours and minutes.
std::string listTimeText(DateTime t);

/// The name edit of the archive settings list: the name, cut to its first 50
/// characters, goes into meranb as a bound value, so quotes and the like are stored
/// as typed. A failure sets ExchangeStatus 43, logs it and shows message 43. Returns
/// the cut name, which the cell shows.
std::string StoreControllerName(ExchangeContext& ctx, std::int64_t code, const std::string& name);

/// Closing the archive settings window: the settlement values (rhour, rday, avans,
/// smin) of image records 1..`records` go into the controller tables. A failing
/// record sets ExchangeStatus 43, logs it and shows message 43; the next record is
/// still written. A database that cannot be opened at all is reported once.
void StoreSettlementValues(ExchangeContext& ctx, int records);

} // namespace kest
