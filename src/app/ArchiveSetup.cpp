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
    const bool onServer = !ArchiveServer().empty();
    setup.file = DatabasePath / kDatabaseFile;
    const bool existed = !archiveDatabaseMissing(DatabasePath);
    std::error_code ec;
    if (!existed || onServer)
        std::filesystem::create_directories(DatabasePath, ec);

    // The file is made whole or left alone; on a server the tables that are missing
    // are created and the others left as they are.
    auto db = OpenArchiveDatabase(DatabasePath, false, &setup.message);
    if (!db && !existed)
        db = OpenArchiveDatabase(DatabasePath, true, &setup.message);
    if (db && onServer) {
        setup.created = !RequireTables(*db, kArchiveDatabaseTables).ok();
        if (const DbStatus made = db->createMissingTables(); !made.ok()) {
            setup.message = made.message;
            db.reset();
        }
    }
    if (db) {
        setup.where = db->describe();
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
    if (!onServer)
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
