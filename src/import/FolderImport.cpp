#include "import/FolderImport.h"

#include "import/ImportStore.h"
#include "import/TableImport.h"

#include <algorithm>
#include <cctype>

namespace kest {

const std::vector<std::string>& oldTableNames()
{
    static const std::vector<std::string> names = {"meranb.db", "merane.db", "arhivh.db",
                                                   "arhivd.db", "arhivm.db", "detail.db"};
    return names;
}

std::vector<std::filesystem::path> findOldTables(const std::filesystem::path& folder)
{
    const auto& names = oldTableNames();
    std::vector<std::filesystem::path> files(names.size());
    std::vector<std::filesystem::path> entries;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        if (entry.is_regular_file(ec))
            entries.push_back(entry.path());
    }
    // Sorted, so that of two spellings of one name the same file wins on every run.
    std::sort(entries.begin(), entries.end());
    for (const auto& path : entries) {
        std::string lower = path.filename().string();
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        const auto it = std::find(names.begin(), names.end(), lower);
        if (it != names.end() && files[it - names.begin()].empty())
            files[it - names.begin()] = path;
    }
    return files;
}

ImportSummary ImportFolder(const std::filesystem::path& folder,
                           ArchiveDatabase& db,
                           const ImportOptions& options,
                           ImportProgress* progress)
{
    ImportSummary summary;
    summary.checkOnly = options.checkOnly;
    ImportStore store(db, options.checkOnly);
    ImportProgress quiet;
    ImportProgress& told = progress ? *progress : quiet;
    const auto files = findOldTables(folder);
    for (std::size_t i = 0; i < files.size(); ++i) {
        TableSummary& table = summary.tables.emplace_back();
        table.table = oldTableNames()[i];
        table.file = files[i];
        if (!table.present())
            continue;
        if (summary.stopped || !summary.failure.empty()) {
            table.problem = "не импортирована: импорт прерван раньше";
            continue;
        }
        const TableOutcome outcome = ImportTable(table, store, options, told);
        if (outcome == TableOutcome::Stopped)
            summary.stopped = true;
        if (outcome == TableOutcome::DatabaseFailed)
            summary.failure = table.problem;
    }
    return summary;
}

} // namespace kest
