#include "exchange/ControllerValues.h"

#include "common/CodePage.h"
#include "common/ExchangeLog.h"
#include "common/Prompter.h"
#include "db/ArchiveTables.h"
#include "registrar/Catalog.h"
#include "registrar/RegistrarImage.h"

namespace kest {
namespace {

constexpr std::size_t kNameLength = 50;

void reportDatabaseFailure(ExchangeContext& ctx, const std::string& reason)
{
    ctx.state.ExchangeStatus = kStatusDatabase;
    ctx.state.FailureReason = reason;
    ctx.log.append(exchangeLogLine(kStatusDatabase));
    ctx.prompter.showError(exchangeMessage(kStatusDatabase));
}

std::unique_ptr<ArchiveDatabase> openControllerTables(ExchangeContext& ctx)
{
    std::string error;
    auto db = OpenArchiveDatabase(ctx.databasePath, false, &error);
    if (db) {
        if (const DbStatus tables = RequireTables(*db, {"meranb", "merane"}); !tables.ok()) {
            error = tables.message;
            db.reset();
        }
    }
    if (!db)
        reportDatabaseFailure(ctx, error);
    return db;
}

} // namespace

std::string listTimeText(DateTime t)
{
    const std::string text = formatTime(t);
    return text.substr(0, text.size() == 8 ? 5 : 4);
}

std::string StoreControllerName(ExchangeContext& ctx, std::int64_t code, const std::string& name)
{
    const std::string cut = utf8Left(name, kNameLength);
    auto db = openControllerTables(ctx);
    if (!db)
        return cut;
    if (const DbStatus status = UpdateControllerName(*db, code, cut); !status.ok())
        reportDatabaseFailure(ctx, status.message);
    return cut;
}

void StoreSettlementValues(ExchangeContext& ctx, int records)
{
    if (records <= 0)
        return;
    auto db = openControllerTables(ctx);
    if (!db)
        return;
    for (int i = 1; i <= records; ++i) {
        const ImageRecord& r = ctx.image.record(i);
        const DbStatus status = UpdateControllerSettlement(*db, ctx.catalog.entry(i).ControllerCode(),
                                                           r.rhour, r.rday, r.avans, r.smin);
        if (!status.ok())
            reportDatabaseFailure(ctx, status.message);
    }
}

} // namespace kest
