#pragma once

#include "import/ImportSummary.h"

#include <filesystem>
#include <string>

namespace kest {

class ArchiveDatabase;

/// Told how the import goes, and asked whether to stop. Stopping takes effect
/// after the transaction in progress, so the archive holds whole transactions.
class ImportProgress
{
public:
    virtual ~ImportProgress() = default;
    virtual void tableStarted(const std::string& table, long records) { (void)table, (void)records; }
    /// Records of the current table read so far (after each transaction).
    virtual void rowsRead(long read) { (void)read; }
    virtual bool stopRequested() { return false; }
};

struct ImportOptions
{
    bool checkOnly = false;       ///< do everything but store
    long rowsPerTransaction = 5000;
};

/// The six tables an old installation kept, in the order they are imported: the
/// controller tables first, so the archives find their controllers described.
const std::vector<std::string>& oldTableNames();

/// The file of each old table in `folder`, found in any letter case; empty where
/// the folder has none. Index files (.px) and every other file are passed over.
std::vector<std::filesystem::path> findOldTables(const std::filesystem::path& folder);

/// Imports the old tables of `folder` into the archive database.
ImportSummary ImportFolder(const std::filesystem::path& folder,
                           ArchiveDatabase& db,
                           const ImportOptions& options,
                           ImportProgress* progress = nullptr);

} // namespace kest
