#include "app/CommandLine.h"
#include "db/ArchiveTables.h"
#include "link/ExchangeStatus.h"

#include <ostream>

namespace kest {

// Creates the archive database in DatabasePath when it is absent. An existing
// database only gets the tables it lacks; a file that is not a database is left
// alone and reported.
int CommandInit(CommandContext& ctx)
{
    const std::filesystem::path dataDir = ctx.settings.DatabasePath;
    std::error_code ec;
    std::filesystem::create_directories(dataDir, ec);
    std::string error;
    const bool existed = std::filesystem::exists(dataDir / kDatabaseFile, ec);
    auto db = OpenArchiveDatabase(dataDir, true, &error);
    if (!db) {
        ctx.err << exchangeMessage(kStatusDatabase) << "\n";
        ctx.err << (dataDir / kDatabaseFile).string() << ": " << error << "\n";
        return kExitFailure;
    }
    ctx.out << (existed ? "Database already present: " : "Database created: ")
            << (dataDir / kDatabaseFile).string() << "\n";
    return kExitOk;
}

} // namespace kest
