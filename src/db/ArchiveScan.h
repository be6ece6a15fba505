#pragma once

#include "db/ArchiveTables.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace kest {

/// Seconds since 1899-12-30 00:00 of a table time; nothing unless the text is exactly
/// "YYYY-MM-DD HH:MM:SS" and names a real date and time.
std::optional<std::int64_t> tableTimeSeconds(std::string_view text);

/// The distinct archive keys of the table from `low` to `high`, ascending. Each key
/// costs one index seek, so a table of millions of rows is listed in a few steps.
inline DbStatus SelectArchiveKeys(
    ArchiveDatabase& db, ArchiveKind kind, std::int64_t low, std::int64_t high, std::vector<std::int64_t>& keys)
{
    return db.selectArchiveKeys(kind, low, high, keys);
}

/// The times of one archive's rows at or after `from` and before `before`, ascending,
/// as seconds since 1899-12-30; a text that is no valid time gives kUnreadableTime.
inline DbStatus SelectArchiveSeconds(ArchiveDatabase& db,
                                     ArchiveKind kind,
                                     std::int64_t key,
                                     DateTime from,
                                     DateTime before,
                                     std::vector<std::int64_t>& seconds)
{
    return db.selectArchiveSeconds(kind, key, from, before, seconds);
}

} // namespace kest
