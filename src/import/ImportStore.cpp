#include "import/ImportStore.h"

#include "common/CodePage.h"

namespace kest {

ImportStore::ImportStore(ArchiveDatabase& db, bool checkOnly) : m_db(db), m_checkOnly(checkOnly) {}

ImportStore::~ImportStore() = default;

DbStatus ImportStore::begin()
{
    if (m_checkOnly)
        return DbStatus::success();
    m_transaction = std::make_unique<Transaction>(m_db);
    return m_transaction->begin();
}

DbStatus ImportStore::commit()
{
    if (!m_transaction)
        return DbStatus::success();
    const DbStatus status = m_transaction->commit();
    m_transaction.reset();
    return status;
}

void ImportStore::rollback()
{
    m_transaction.reset();
}

DbStatus ImportStore::addArchiveRow(ArchiveKind kind, const ArchiveRow& row, bool& existed)
{
    existed = false;
    if (m_checkOnly) {
        std::optional<double> value;
        const DbStatus status = m_db.selectArchiveValue(kind, row.scode, row.sdate, value);
        existed = value.has_value();
        return status;
    }
    const DbStatus status = m_db.appendArchiveRow(kind, row);
    if (status.code == DbStatus::KeyViolation) {
        existed = true;
        return DbStatus::success();
    }
    return status;
}

DbStatus ImportStore::controller(std::int64_t code, std::optional<ControllerRow>& row)
{
    row = m_db.selectController(code);
    return DbStatus::success();
}

DbStatus ImportStore::addController(const ControllerRow& row)
{
    if (m_checkOnly)
        return DbStatus::success();
    ControllerRow cut = row;
    cut.sname = utf8Left(row.sname, 50);
    return m_db.insertController(cut);
}

DbStatus ImportStore::intervalMinutes(std::int64_t code, std::optional<int>& smin)
{
    smin = m_db.selectIntervalMinutes(code);
    return DbStatus::success();
}

DbStatus ImportStore::addIntervalMinutes(std::int64_t code, int smin)
{
    if (m_checkOnly)
        return DbStatus::success();
    return m_db.insertIntervalMinutes(code, smin == 0 ? 5 : smin);
}

} // namespace kest
