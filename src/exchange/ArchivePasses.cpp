#include "exchange/ArchivePasses.h"

#include "common/EventPump.h"
#include "common/ExchangeLog.h"
#include "common/IniFile.h"
#include "common/Prompter.h"
#include "db/ArchiveStore.h"
#include "exchange/ControllerList.h"
#include "exchange/RecordReaders.h"
#include "registrar/Catalog.h"
#include "registrar/ReadInputs.h"
#include "registrar/RegistrarImage.h"
#include "settings/ArchiveSettingsFile.h"

namespace kest {
namespace {

constexpr const char* kNoDatabaseAccess =
    "Нет доступа к базе данных, либо база испорчена. Проверьте наличие баз данных и путь к ним.";

/// The archive tables open and present, or nothing after message 43 was shown.
std::unique_ptr<ArchiveDatabase> openTables(ExchangeContext& ctx, bool pageLink)
{
    std::string error;
    auto db = OpenArchiveDatabase(ctx.databasePath, false, &error);
    std::vector<std::string> needed = {"arhivd", "arhivh"};
    if (pageLink) {
        needed.push_back("arhivm");
        needed.push_back("detail");
    }
    if (db) {
        if (const DbStatus tables = RequireTables(*db, needed); !tables.ok())
            error = tables.message;
    }
    if (!db || !error.empty()) {
        ctx.state.FailureReason = error;
        ctx.prompter.showError(exchangeMessage(kStatusDatabase));
        return nullptr;
    }
    return db;
}

void loadMarks(ExchangeContext& ctx, int record, bool pageLink)
{
    // A record read before is not read again, and its flag bytes already say which
    // archives it holds; loading the marks over them would turn a double-precision
    // archive back into a bare mark, and it would no longer be stored.
    const std::uint8_t readState = ctx.catalog.entry(record).bytes[pageLink ? 16 : 8];
    if (readState != 0 && readState != 0x32)
        return;
    const IniFile ini = ctx.recordedInputs ? IniFile::parse(ctx.recordedInputs->archiveSettings)
                                           : IniFile::load(archiveSettingsPath(ctx.databasePath));
    const std::string section = ctx.catalog.entry(record).controllerText();
    ArchiveSettings& settings = ctx.image.record(record).Settings;
    LoadArchiveSettings(ini, section, MarkKind::Hourly, settings);
    LoadArchiveSettings(ini, section, MarkKind::Daily, settings);
    if (pageLink) {
        LoadArchiveSettings(ini, section, MarkKind::Monthly, settings);
        LoadArchiveSettings(ini, section, MarkKind::Interval, settings);
    }
}

/// A read run again from a session stores with the settlement values the first
/// run had, whatever the tables say today.
void takeRecordedValues(ExchangeContext& ctx)
{
    if (!ctx.recordedInputs)
        return;
    const ReadInputs& in = *ctx.recordedInputs;
    for (int r = 1; r <= ctx.catalog.count && r <= in.records; ++r) {
        const ControllerValues& v = in.values[static_cast<std::size_t>(r - 1)];
        ImageRecord& record = ctx.image.record(r);
        record.rhour = v.rhour;
        record.rday = v.rday;
        record.avans = v.avans;
        record.smin = v.smin;
    }
}

/// What both passes do first: mark the pass as not done, check the tables and let
/// the window breathe. Nothing when the tables are missing (message 43 was shown).
std::unique_ptr<ArchiveDatabase> beginPass(ExchangeContext& ctx, PassState& pass, int mode)
{
    pass.PassDone = 0;
    pass.PassMode = mode;
    pass.ListTimes = PassState::RecordTimes::NotRead;
    auto db = openTables(ctx, ctx.link.PageLink == 1);
    if (db)
        ctx.pump.processEvents();
    return db;
}

} // namespace

void ReadingPass(ExchangeContext& ctx, PassState& pass)
{
    const bool pageLink = ctx.link.PageLink == 1;
    auto db = beginPass(ctx, pass, 0);
    if (!db)
        return;
    // Settlement values that could not be read would date every daily value of the
    // later records wrongly, so a failed list ends the pass here.
    const ControllerList list = RebuildControllerList(ctx, db.get(), false);
    if (!list.rows.empty())
        pass.ListTimes = list.linkFailed ? PassState::RecordTimes::Failed : PassState::RecordTimes::Read;
    if (list.linkFailed || ctx.state.ExchangeStatus != kStatusOk)
        return;
    takeRecordedValues(ctx);
    ctx.log.append("** Обмен с регистратором **");
    pass.RowsAttempted = 0;
    const int records = passRecordCount(ctx);
    if (ctx.progress)
        ctx.progress->setPosition(0);
    for (int r = 1; r <= records; ++r) {
        ctx.log.append("Считывается запись № " + std::to_string(r) + " МЕРАН №" +
                       ctx.catalog.entry(r).controllerText() + " из регистратора информации");
        loadMarks(ctx, r, pageLink);
        const bool read = pageLink ? ReadRecordByPages(ctx, r) : ReadRecordByRequests(ctx, r);
        if (!read)
            return;
    }
    pass.PassDone = 1;
    ctx.log.append(
        "Поздравляю передача данных из РИ в память программы прошла успешно! Сейчас можно нажав на "
        "кнопку \"Поместить в БД\"  поместить данные в базу данных.");
    ctx.log.append("** Конец обмена **");
}

void StoringPass(ExchangeContext& ctx, PassState& pass, const DepthLimits& depth, int busyWaitSeconds)
{
    const bool pageLink = ctx.link.PageLink == 1;
    auto db = beginPass(ctx, pass, 1);
    if (!db)
        return;
    // Another program writing the database (a second Kest storing its own read, a
    // backup copy) holds it for seconds; the pass waits for it rather than fail.
    if (busyWaitSeconds > 0)
        db->setBusyTimeout(busyWaitSeconds * 1000);
    RebuildControllerList(ctx, db.get(), true);
    takeRecordedValues(ctx);
    ctx.log.append("** Передача данных в базу данных **");
    const int records = passRecordCount(ctx);
    ArchiveStore store(*db, pageLink ? StoreVariant::Page : StoreVariant::Request, depth, ctx.clock.now());
    // A full registrar takes seconds to store; the window repaints and shows how far
    // it got, but nothing else can be done in it meanwhile.
    store.beforeEachSeries = [&ctx] { ctx.pump.processEvents(); };
    if (ctx.progress)
        ctx.progress->setPosition(0);
    for (int r = 1; r <= records; ++r) {
        const CatalogEntry& entry = ctx.catalog.entry(r);
        ctx.log.append("Передаются данные записи № " + std::to_string(r) + " МЕРАН №" +
                       entry.controllerText() + " из памяти программы.");
        ctx.pump.processEvents();
        const DbStatus status = store.storeRecord(ctx.image.record(r), entry.ControllerCode());
        if (store.RowsAttempted)
            pass.RowsAttempted = 1;
        if (!status.ok()) {
            ctx.state.FailureReason = status.message;
            ctx.log.append(status.message);
            ctx.log.append(kNoDatabaseAccess);
            return;
        }
        if (ctx.progress)
            ctx.progress->setPosition(r);
    }
    pass.PassDone = 1;
    ctx.log.append(pass.RowsAttempted == 1
                       ? "Поздравляю передача данных из памяти программы в базы данных прошла успешно! "
                       : "В базе данных уже имеются данные с МЕРАНов из текущего регистратора информации.");
    ctx.log.append("** Конец омена **");
}

} // namespace kest
