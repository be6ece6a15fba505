#pragma once

#include "import/FolderImport.h"

namespace kest {

class ImportStore;

enum class TableOutcome
{
    Done,           ///< read whole, or refused as a bad file (the summary says which)
    Stopped,        ///< stopped after a whole transaction
    DatabaseFailed, ///< the archive refused a row; nothing of the open transaction stays
};

/// Reads one old table (its file is in `table.file`) and stores its rows by the
/// import's rules, filling `table` with the counts.
TableOutcome ImportTable(TableSummary& table, ImportStore& store, const ImportOptions& options,
                         ImportProgress& progress);

} // namespace kest
