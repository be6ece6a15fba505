#pragma once

#include "exchange/ExchangeContext.h"

#include <string>

namespace kest {

/// Reads the registrar's catalog into ctx.catalog, resets the image and reads every
/// listed record's time stamp. Records with an empty date are refused with a box;
/// each accepted one gets its log line. Sets ExchangeStatus.
void ReadCatalog(ExchangeContext& ctx);

/// Reads the time stamp of record `entry` into its image record; RecordTime stays 0
/// when the registrar's date has a zero or impossible field. Does nothing without a
/// port or when ExchangeStatus is not 0 on entry.
void ReadRecordTime(ExchangeContext& ctx, int entry);

/// "Считать каталог": the catalog read with its closing log lines, then every
/// controller found gets its rows in the controller tables; the record counter
/// (recordLimit) becomes the count. Returns ExchangeStatus.
int ReadCatalogCommand(ExchangeContext& ctx);

/// The log line of an accepted record; the date and time are shown on the page link.
std::string catalogLogLine(int number, const std::string& controllerText, bool pageLink, DateTime recordTime);

/// The box text of a record whose date is empty.
std::string invalidDateMessage(const std::string& controllerText);

} // namespace kest
