#include "app/ArchiveSetup.h"
#include "app/CommandLine.h"
#include "link/ExchangeStatus.h"

#include <ostream>

namespace kest {

// Creates the archive database in DatabasePath when it is absent. An existing
// database is left untouched: it is only checked, and a file that is not a
// database, or one that lacks a table, is reported with message 43.
int CommandInit(CommandContext& ctx)
{
    const ArchiveSetup setup = PrepareArchiveFolder(ctx.settings.DatabasePath);
    if (setup.databaseFailed) {
        ctx.err << exchangeMessage(kStatusDatabase) << "\n"
                << setup.file.string() << ": " << setup.message << "\n";
        return kExitFailure;
    }
    ctx.out << (setup.created ? "Database created: " : "Database already present: ") << setup.file.string()
            << "\n";
    if (!setup.ok) {
        ctx.err << "Не удалось установить стандартные бланки: " << setup.message << "\n";
        return kExitFailure;
    }
    for (const auto& name : setup.installedForms)
        ctx.out << "Standard form installed: " << name << "\n";
    return kExitOk;
}

} // namespace kest
