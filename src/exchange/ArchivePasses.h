#pragma once

#include "db/ArchiveStore.h"
#include "exchange/ExchangeContext.h"

namespace kest {

/// The state the two passes share between runs.
struct PassState
{
    int PassMode = 0;      ///< 0 reading pass, 1 storing pass
    int PassDone = 0;      ///< 1 only when the pass went through all records
    int RowsAttempted = 0; ///< cleared by a reading pass, set by any row offered to a table
    /// What the reading pass's list rebuild found of the record times; the main
    /// menu follows it as it follows the archive settings window's list.
    enum class RecordTimes
    {
        NotRead, ///< no list was built (no tables, no records, a storing pass)
        Read,
        Failed
    };
    RecordTimes ListTimes = RecordTimes::NotRead;
};

/// "Считать данные": every catalog record from the registrar into the image, with
/// its controller's marks from KEST.INI and settlement values from the tables.
/// The log gets the pass's lines; PassDone tells whether it went through.
void ReadingPass(ExchangeContext& ctx, PassState& pass);

/// "Поместить в БД": every record of the image into the archive tables, deleting
/// rows older than the depth limits (DARH, DARD, DARM, Dok of NN.INI). One
/// transaction per record. While another program writes the database the pass waits
/// up to `busyWaitSeconds` for it (DBWAIT of NN.INI); 0 leaves SQLite's default.
void StoringPass(ExchangeContext& ctx, PassState& pass, const DepthLimits& depth, int busyWaitSeconds = 0);

} // namespace kest
