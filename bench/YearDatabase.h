#pragma once

// What the benchmarks that read a year of hourly rows share: the year, a database kept
// in the temporary folder between runs and a way to fill it.
#include "db/ArchiveTables.h"
#include "db/SqliteDatabase.h"
#include "reports/BlankFile.h"

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

namespace kest::bench {

constexpr int kYearHours = 8760;

/// The plain-statement baselines run on the file engine itself.
inline SqliteDatabase& sqliteOf(ArchiveDatabase& db)
{
    return static_cast<SqliteDatabase&>(db);
}

/// 2025 has no leap day, so its 8,760 hours are 365 whole days.
inline DateTime yearStart()
{
    return *encodeDateTime(2025, 1, 1);
}

/// The benchmark's folder in the temporary directory, e.g. "kest-gaps-bench".
inline std::filesystem::path benchFolder(const std::string& name)
{
    return std::filesystem::temp_directory_path() / name;
}

/// The archive database in `folder`, opened once per run. When the file is new, `fill`
/// writes its rows in one transaction; a later run reuses the file as it is, so
/// building a million rows is paid once.
inline ArchiveDatabase& yearDatabase(const std::filesystem::path& folder, const std::function<void(ArchiveDatabase&)>& fill)
{
    static std::map<std::filesystem::path, std::unique_ptr<ArchiveDatabase>> opened;
    auto& db = opened[folder];
    if (db)
        return *db;
    std::filesystem::create_directories(folder);
    const bool exists = std::filesystem::exists(folder / kDatabaseFile);
    std::string error;
    db = OpenArchiveDatabase(folder, true, &error);
    if (!db)
        throw std::runtime_error(error);
    if (!exists) {
        db->execute("PRAGMA journal_mode=WAL");
        Transaction tx(*db);
        fill(*db);
        tx.commit();
    }
    return *db;
}

/// Appends the hourly rows of one archive for hours `first` to `last` - 1 counted from
/// the year's start; `value(h)` gives the hour's value, or nothing to leave it out.
inline void appendHours(ArchiveDatabase& db,
                        std::int64_t key,
                        int first,
                        int last,
                        const std::function<std::optional<double>(int hour)>& value)
{
    for (int h = first; h < last; ++h) {
        if (const auto v = value(h))
            AppendArchiveRow(db, ArchiveKind::Hourly, {yearStart() + h * kOneHour, key, *v});
    }
}

/// The archives 1..`columns` of `controller` that the year's report reads: from the
/// hour before the year (the reading its first row starts from) to the year's end.
inline void appendReportColumns(ArchiveDatabase& db, std::int64_t controller, int columns)
{
    for (int a = 1; a <= columns; ++a)
        appendHours(db, ArchiveKey(controller, ArchiveKind::Hourly, a), -1, kYearHours,
                    [a](int h) { return 100.0 + a + h * 0.125; });
}

/// An hourly blank "Год" whose columns K1..K`columns` read those archives, every kind
/// of total among them.
inline BlankRecord yearBlank(std::int64_t controller, int columns)
{
    BlankRecord b;
    b.TIP = kHourlyBlank;
    b.NAME[0] = "Год";
    for (int k = 1; k <= columns; ++k) {
        b.NAME[k] = "K" + std::to_string(k);
        b.ARH[k] = k;
        b.MERAN[k] = static_cast<int>(controller);
        b.ITOG[k] = k % 4;
        b.ZAP[k] = 2;
    }
    return b;
}

} // namespace kest::bench
