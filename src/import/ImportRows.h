#pragma once

#include "common/DateTime.h"
#include "import/ImportSummary.h"

#include <cstdint>
#include <optional>
#include <variant>

namespace kest {

/// An old sdate as its field holds it (a date field: days counted from 1 January of
/// year 1 as day 1; a timestamp: milliseconds counted the same way) turned into
/// Kest's time, or why it cannot be: outside 1990–2100, or a part of a second.
std::variant<DateTime, SkipReason> importedTime(double value, bool isTimestamp);

/// The value as a whole number, or nothing when it has a fraction or is too large.
std::optional<std::int64_t> wholeNumber(double value);

/// An archive key: seven hexadecimal digits at most (below 2^28) with a kind digit
/// of 0 to 3.
bool isArchiveKey(std::int64_t scode);

/// A controller number: four hexadecimal digits at most.
bool isControllerCode(std::int64_t scode);

} // namespace kest
