#include "exchange/ControllerChoices.h"

#include "common/ExchangeLog.h"
#include "common/Hex.h"
#include "common/Prompter.h"
#include "db/ArchiveTables.h"

namespace kest {
namespace {

/// Every row of the controller table, or false with the engine's reason kept.
bool readControllers(ExchangeContext& ctx, std::vector<ControllerRow>& rows)
{
    std::string error;
    auto db = OpenArchiveDatabase(ctx.databasePath, false, &error);
    if (db) {
        const DbStatus status = SelectAllControllers(*db, rows);
        if (status.ok())
            return true;
        error = status.message;
    }
    ctx.state.FailureReason = error;
    ctx.state.ExchangeStatus = kStatusDatabase;
    return false;
}

} // namespace

std::vector<std::string> ControllerChoiceList(ExchangeContext& ctx)
{
    std::vector<std::string> list = {"нет"};
    std::vector<ControllerRow> rows;
    if (!readControllers(ctx, rows)) {
        ctx.log.append(exchangeLogLine(kStatusDatabase));
        ctx.prompter.showError(exchangeMessage(kStatusDatabase));
    }
    if (ctx.state.ExchangeStatus == kStatusDatabase)
        return list;
    for (const ControllerRow& row : rows)
        list.push_back(row.sname + " (" + toHex(static_cast<std::uint64_t>(row.scode), 4) + ")");
    return list;
}

EventControllerList EventControllerRows(ExchangeContext& ctx, bool quiet)
{
    EventControllerList list;
    std::vector<ControllerRow> rows;
    if (!readControllers(ctx, rows)) {
        list.EventListFailed = true;
        if (!quiet)
            ctx.prompter.showError(exchangeMessage(kStatusDatabase));
        return list;
    }
    for (const ControllerRow& row : rows) {
        const std::string code = toHex(static_cast<std::uint64_t>(row.scode), 4);
        list.rows.push_back({row.sname, code == "0000" ? "..." : code});
    }
    return list;
}

} // namespace kest
