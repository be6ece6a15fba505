#pragma once

#include "db/ArchiveDatabase.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kest {

/// Opens where `kest copy --to` writes: a connection string (it holds '=' or is a
/// postgresql:// URI) or an SQLite file path, made when absent; missing tables are
/// created in either. Nothing on failure, with the reason in `error`.
std::unique_ptr<ArchiveDatabase> OpenCopyTarget(const std::string& target, std::string* error);

/// What one table holds after the copy, on each side.
struct TableComparison
{
    std::string table;
    std::int64_t sourceRows = 0;
    std::int64_t targetRows = 0;
    std::int64_t copied = 0;
    std::int64_t kept = 0; ///< rows of the source that the target had already
    std::uint64_t sourceChecksum = 0;
    std::uint64_t targetChecksum = 0;

    bool same() const { return sourceRows == targetRows && sourceChecksum == targetChecksum; }
};

/// Called after each archive (or the controller tables) with the table and how far.
using CopyProgress = std::function<void(const std::string& table, std::size_t done, std::size_t total)>;

/// Copies the six tables from `source` into `target`, keeping every row the target
/// has, then counts and checksums each table on both sides. The checksum does not
/// depend on row order, so the two engines compare.
DbStatus CopyArchive(ArchiveDatabase& source,
                     ArchiveDatabase& target,
                     std::vector<TableComparison>& tables,
                     const CopyProgress& progress = {});

} // namespace kest
