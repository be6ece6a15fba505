#include "app/CommandLine.h"
#include "db/ArchiveTables.h"
#include "forms/DeliveredForms.h"
#include "link/ExchangeStatus.h"

#include <ostream>

namespace kest {

// Creates the archive database in DatabasePath when it is absent. An existing
// database is left untouched: it is only checked, and a file that is not a
// database, or one that lacks a table, is reported with message 43.
int CommandInit(CommandContext& ctx)
{
    const std::filesystem::path dataDir = ctx.settings.DatabasePath;
    const auto file = dataDir / kDatabaseFile;
    std::error_code ec;
    const bool existed = std::filesystem::exists(file, ec);
    if (!existed)
        std::filesystem::create_directories(dataDir, ec);

    std::string error;
    auto db = OpenArchiveDatabase(dataDir, !existed, &error);
    if (db && existed) {
        const DbStatus tables = RequireTables(*db, kArchiveDatabaseTables);
        if (!tables.ok()) {
            error = tables.message;
            db.reset();
        }
    }
    if (!db) {
        ctx.err << exchangeMessage(kStatusDatabase) << "\n" << file.string() << ": " << error << "\n";
        return kExitFailure;
    }
    ctx.out << (existed ? "Database already present: " : "Database created: ") << file.string() << "\n";

    // The delivered standard forms go into the data folder unless a folder of that
    // name is there; a form the user changed is never overwritten.
    std::vector<std::string> installed;
    if (const std::string problem = InstallDeliveredForms(dataDir, installed); !problem.empty()) {
        ctx.err << "Не удалось установить стандартные бланки: " << problem << "\n";
        return kExitFailure;
    }
    for (const auto& name : installed)
        ctx.out << "Standard form installed: " << name << "\n";
    return kExitOk;
}

} // namespace kest
