#include "app/ArchiveSetup.h"

#include "db/ArchiveTables.h"
#include "forms/DeliveredForms.h"

namespace kest {

bool archiveDatabaseMissing(const std::filesystem::path& DatabasePath)
{
    return ArchiveFileMissing(DatabasePath);
}

ArchiveSetup PrepareArchiveFolder(const std::filesystem::path& DatabasePath)
{
    ArchiveSetup setup;
    setup.file = DatabasePath / kDatabaseFile;
    const bool existed = !archiveDatabaseMissing(DatabasePath);
    std::error_code ec;
    if (!existed)
        std::filesystem::create_directories(DatabasePath, ec);

    auto db = OpenArchiveDatabase(DatabasePath, !existed, &setup.message);
    if (db && existed) {
        const DbStatus tables = RequireTables(*db, kArchiveDatabaseTables);
        if (!tables.ok()) {
            setup.message = tables.message;
            db.reset();
        }
    }
    if (!db) {
        setup.databaseFailed = true;
        return setup;
    }
    setup.created = !existed;

    // A form the user changed is never overwritten: only folders that are missing.
    if (const std::string problem = InstallDeliveredForms(DatabasePath, setup.installedForms);
        !problem.empty()) {
        setup.message = problem;
        return setup;
    }
    setup.ok = true;
    return setup;
}

} // namespace kest
