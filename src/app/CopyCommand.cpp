#include "app/CommandLine.h"
#include "app/StoreOutcome.h"
#include "db/ArchiveCopy.h"
#include "db/ArchiveTables.h"
#include "link/ExchangeStatus.h"

#include <cstdio>
#include <ostream>

namespace kest {
namespace {

std::string hex(std::uint64_t v)
{
    char text[20];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(v));
    return text;
}

} // namespace

// Copies the archive in use into another one: a single desk's file onto a server,
// or a server into a file for safe keeping. Rows the target has stay as they are;
// the two sides are then counted and checksummed table by table.
int CommandCopy(CommandContext& ctx)
{
    const std::string to = ctx.option("--to");
    if (to.empty()) {
        ctx.err << "kest copy needs a target: kest copy --to CONNECTION-STRING|FILE.sqlite\n";
        return kExitFailure;
    }
    std::string error;
    auto source = OpenArchiveDatabase(ctx.settings.DatabasePath, false, &error);
    if (source) {
        if (const DbStatus s = RequireTables(*source, kArchiveDatabaseTables); !s.ok()) {
            error = s.message;
            source.reset();
        }
    }
    if (!source) {
        ctx.err << exchangeMessage(kStatusDatabase) << "\n" << error << "\n";
        return kExitFailure;
    }
    auto target = OpenCopyTarget(to, &error);
    if (!target) {
        ctx.err << exchangeMessage(kStatusDatabase) << "\n" << to << ": " << error << "\n";
        return kExitFailure;
    }

    const bool terminal = stderrIsTerminal();
    const CopyProgress progress = [&](const std::string& table, std::size_t done, std::size_t total) {
        if (terminal)
            ctx.err << "\r" << table << ": " << done << " / " << total << "   " << std::flush;
    };
    std::vector<TableComparison> tables;
    const DbStatus copied = CopyArchive(*source, *target, tables, progress);
    if (terminal)
        ctx.err << "\r" << std::string(40, ' ') << "\r";
    if (!copied.ok()) {
        ctx.err << exchangeMessage(kStatusDatabase) << "\n" << copied.message << "\n";
        return kExitFailure;
    }
    ctx.out << "From " << source->describe() << "\nTo " << target->describe() << "\n";
    ctx.out << "table\tsource rows\ttarget rows\tcopied\tkept\tsource checksum\ttarget checksum\tsame\n";
    bool same = true;
    for (const auto& t : tables) {
        ctx.out << t.table << '\t' << t.sourceRows << '\t' << t.targetRows << '\t' << t.copied << '\t' << t.kept
                << '\t' << hex(t.sourceChecksum) << '\t' << hex(t.targetChecksum) << '\t'
                << (t.same() ? "yes" : "NO") << "\n";
        same = same && t.same();
    }
    if (!same) {
        ctx.err << "The target differs from the archive in use in the tables marked NO.\n";
        return kExitFailure;
    }
    return kExitOk;
}

} // namespace kest
