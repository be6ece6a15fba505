#include "import/ImportStore.h"

#include "common/CodePage.h"

namespace kest {
namespace {

DbStatus runOnce(Database& db, const char* sql, const auto& binder)
{
    Statement* stmt = db.cached(sql);
    if (!stmt)
        return DbStatus::failure(db.lastError());
    binder(*stmt);
    const DbStatus status = db.run(*stmt);
    stmt->reset();
    return status;
}

} // namespace

ImportStore::ImportStore(Database& db, bool checkOnly) : m_db(db), m_checkOnly(checkOnly) {}

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
        const DbStatus status = SelectArchiveValue(m_db, kind, row.scode, row.sdate, value);
        existed = value.has_value();
        return status;
    }
    const DbStatus status = AppendArchiveRow(m_db, kind, row);
    if (status.code == DbStatus::KeyViolation) {
        existed = true;
        return DbStatus::success();
    }
    return status;
}

DbStatus ImportStore::controller(std::int64_t code, std::optional<ControllerRow>& row)
{
    row = SelectController(m_db, code);
    return DbStatus::success();
}

DbStatus ImportStore::addController(const ControllerRow& row)
{
    if (m_checkOnly)
        return DbStatus::success();
    return runOnce(m_db,
                   "INSERT INTO meranb (scode, sname, rhour, rday, avans) "
                   "VALUES (:scode, :sname, :rhour, :rday, :avans)",
                   [&](Statement& s) {
                       s.bind(":scode", row.scode);
                       s.bind(":sname", utf8Left(row.sname, 50));
                       s.bind(":rhour", static_cast<std::int64_t>(row.rhour));
                       s.bind(":rday", static_cast<std::int64_t>(row.rday));
                       s.bind(":avans", static_cast<std::int64_t>(row.avans));
                   });
}

DbStatus ImportStore::intervalMinutes(std::int64_t code, std::optional<int>& smin)
{
    smin.reset();
    Statement* stmt = m_db.cached("SELECT smin FROM merane WHERE scode = :arhcode");
    if (!stmt)
        return DbStatus::failure(m_db.lastError());
    stmt->bind(":arhcode", code);
    const Statement::Step step = stmt->step();
    if (step == Statement::Step::Row)
        smin = static_cast<int>(stmt->columnInt(0));
    stmt->reset();
    return step == Statement::Step::Error ? DbStatus::failure(m_db.lastError()) : DbStatus::success();
}

DbStatus ImportStore::addIntervalMinutes(std::int64_t code, int smin)
{
    if (m_checkOnly)
        return DbStatus::success();
    return runOnce(m_db, "INSERT INTO merane (scode, smin) VALUES (:scode, :smin)", [&](Statement& s) {
        s.bind(":scode", code);
        s.bind(":smin", static_cast<std::int64_t>(smin == 0 ? 5 : smin));
    });
}

} // namespace kest
