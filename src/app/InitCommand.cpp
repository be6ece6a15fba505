#include "app/ArchiveSetup.h"
#include "app/CommandLine.h"
#include "db/ArchiveTables.h"
#include "link/ExchangeStatus.h"

#include <ostream>

namespace kest {

// Creates the archive database in DatabasePath when it is absent. An existing
// database is left untouched: it is only checked, and a file that is not a
// database, or one that lacks a table, is reported with message 43.
int CommandInit(CommandContext& ctx)
{
    const ArchiveSetup setup = PrepareArchiveFolder(ctx.settings.DatabasePath);
    const bool onServer = !ArchiveServer().empty();
    if (setup.databaseFailed) {
        // The server's own reason stands on a line of its own under message 43.
        ctx.err << exchangeMessage(kStatusDatabase) << "\n";
        if (onServer)
            ctx.err << DescribeArchiveServer(ArchiveServer()) << ": " << setup.message << "\n";
        else
            ctx.err << setup.file.string() << ": " << setup.message << "\n";
        return kExitFailure;
    }
    ctx.out << (setup.created ? "Database created: " : "Database already present: ")
            << (onServer ? setup.where : setup.file.string()) << "\n";
    if (!setup.ok) {
        ctx.err << "Не удалось установить стандартные бланки: " << setup.message << "\n";
        return kExitFailure;
    }
    for (const auto& name : setup.installedForms)
        ctx.out << "Standard form installed: " << name << "\n";
    return kExitOk;
}

} // namespace kest
