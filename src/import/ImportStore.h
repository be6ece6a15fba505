#pragma once

#include "db/ArchiveDatabase.h"

#include <memory>
#include <optional>

namespace kest {

/// Everything the import asks of the archive database, in one place. Rows are
/// only ever added: a row the archive has is left as it is. With `checkOnly`
/// nothing is written and the answers say what a real run would do.
class ImportStore
{
public:
    ImportStore(ArchiveDatabase& db, bool checkOnly);
    ~ImportStore();

    DbStatus begin();
    DbStatus commit();
    /// Drops what the open transaction added.
    void rollback();

    /// Adds the row unless the archive has one of its scode and sdate; `existed`
    /// says which.
    DbStatus addArchiveRow(ArchiveKind kind, const ArchiveRow& row, bool& existed);

    DbStatus controller(std::int64_t code, std::optional<ControllerRow>& row);
    DbStatus addController(const ControllerRow& row);
    DbStatus intervalMinutes(std::int64_t code, std::optional<int>& smin);
    DbStatus addIntervalMinutes(std::int64_t code, int smin);

private:
    ArchiveDatabase& m_db;
    bool m_checkOnly;
    std::unique_ptr<Transaction> m_transaction;
};

} // namespace kest
