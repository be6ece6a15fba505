#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace kest {

/// What preparing a data folder did.
struct ArchiveSetup
{
    bool ok = false;
    bool created = false;        ///< the database was absent and is new
    std::filesystem::path file;  ///< the database file
    std::string where;           ///< the file or the server, as the archive describes itself
    std::string message;         ///< the reason of a failure
    bool databaseFailed = false; ///< the failure is the database's (message 43)
    std::vector<std::string> installedForms;
};

/// True when DatabasePath holds no archive database file.
bool archiveDatabaseMissing(const std::filesystem::path& DatabasePath);

/// Creates the archive database in DatabasePath when it is absent and installs the
/// delivered standard forms the folder lacks. An existing database is left untouched:
/// it is only checked, and a file that is not a database or lacks a table fails.
ArchiveSetup PrepareArchiveFolder(const std::filesystem::path& DatabasePath);

} // namespace kest
