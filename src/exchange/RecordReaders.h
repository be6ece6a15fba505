#pragma once

#include "exchange/ExchangeContext.h"

namespace kest {

/// Reads catalog record n (1..32) over the page link into its image record. True
/// when it has been read now or had been read before. On a failure the log gets the
/// status line and "** Конец обмена **" and the record may be read again; a header
/// that forms no date is shown to the user and ends the read.
bool ReadRecordByPages(ExchangeContext& ctx, int n);

/// The same over the request link: hourly and daily archives only. False also for a
/// number past the catalog and for a record that was read before.
bool ReadRecordByRequests(ExchangeContext& ctx, int n);

} // namespace kest
