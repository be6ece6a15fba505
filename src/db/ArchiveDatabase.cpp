#include "db/ArchiveDatabase.h"

namespace kest {

Transaction::Transaction(ArchiveDatabase& db) : m_db(db)
{
    m_begin = m_db.begin();
    m_open = m_begin.ok();
}

Transaction::~Transaction()
{
    if (m_open)
        m_db.rollback();
}

DbStatus Transaction::commit()
{
    if (!m_open)
        return m_begin.ok() ? DbStatus::failure("transaction already ended") : m_begin;
    m_open = false;
    return m_db.commit();
}

} // namespace kest
