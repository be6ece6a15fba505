#include "app/CommandLine.h"
#include "app/ConsoleEventPump.h"
#include "db/ArchiveTables.h"
#include "import/FolderImport.h"

#include <ostream>
#include <unistd.h>

namespace kest {
namespace {

/// A line on a terminal that tells how far the import of the current table is,
/// and Ctrl+C as the stop.
class ConsoleImportProgress final : public ImportProgress
{
public:
    ConsoleImportProgress(std::ostream& err, bool terminal) : m_err(err), m_terminal(terminal), m_pump(m_state) {}
    ~ConsoleImportProgress() override { clear(); }

    void tableStarted(const std::string& table, long records) override
    {
        m_table = table;
        m_records = records;
        rowsRead(0);
    }
    void rowsRead(long read) override
    {
        if (!m_terminal)
            return;
        m_err << "\r\033[K" << m_table << ": " << read << " / " << m_records << std::flush;
        m_shown = true;
    }
    bool stopRequested() override
    {
        m_pump.processEvents();
        return m_state.StopRequested;
    }
    void clear()
    {
        if (m_shown)
            m_err << "\r\033[K" << std::flush;
        m_shown = false;
    }

private:
    std::ostream& m_err;
    bool m_terminal;
    ExchangeState m_state;
    ConsoleEventPump m_pump;
    std::string m_table;
    long m_records = 0;
    bool m_shown = false;
};

} // namespace

// The tables of an earlier installation brought into the archive in use; rows the
// archive has already stay as they are, so running it again only adds what is missing.
int CommandImport(CommandContext& ctx)
{
    if (ctx.arguments.size() != 1) {
        ctx.err << "kest import needs the folder of the old tables: kest import FOLDER [--check]\n";
        return kExitFailure;
    }
    const std::filesystem::path folder = ctx.arguments.front();
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) {
        ctx.err << folder.string() << ": no such folder\n";
        return kExitFailure;
    }
    ImportOptions options;
    options.checkOnly = !ctx.option("--check").empty();
    std::string error;
    // A check leaves everything as it is; a real import makes the tables it needs.
    auto db = OpenArchiveDatabase(ctx.settings.DatabasePath, !options.checkOnly, &error);
    if (!db || !RequireTables(*db, kArchiveDatabaseTables).ok()) {
        ctx.err << exchangeMessage(kStatusDatabase) << "\n"
                << (db ? db->describe() + ": the archive tables are missing" : error) << "\n";
        return kExitFailure;
    }
    ConsoleImportProgress progress(ctx.err, isatty(STDERR_FILENO) == 1);
    const ImportSummary summary = ImportFolder(folder, *db, options, &progress);
    progress.clear();
    for (const auto& line : summaryLines(summary))
        ctx.out << line << "\n";
    for (const auto& t : summary.tables) {
        if (!t.problem.empty())
            ctx.err << t.problem << "\n";
    }
    return summary.ok() ? kExitOk : kExitFailure;
}

} // namespace kest
