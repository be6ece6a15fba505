#include "exchange/ControllerList.h"

#include "common/AtomicFile.h"
#include "common/ExchangeLog.h"
#include "common/IniFile.h"
#include "common/Prompter.h"
#include "db/ArchiveTables.h"
#include "exchange/CatalogReader.h"
#include "registrar/Catalog.h"
#include "registrar/RegistrarImage.h"
#include "settings/ArchiveSettingsFile.h"

#include <system_error>

namespace kest {
namespace {

void createEmptySettingsFile(const std::filesystem::path& dir)
{
    const std::filesystem::path path = archiveSettingsPath(dir);
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        (void)writeFileAtomically(dir / kArchiveSettingsFile, "");
}

/// Name and settlement values of one controller; false on a database failure.
bool readControllerValues(ArchiveDatabase* db, std::int64_t code, ImageRecord& record, std::string& name)
{
    if (!db)
        return false;
    name.clear();
    if (const auto row = SelectController(*db, code)) {
        name = row->sname;
        record.rhour = row->rhour;
        record.rday = row->rday;
        record.avans = row->avans;
    }
    if (!db->hasTable("merane"))
        return false;
    record.smin = SelectIntervalMinutes(*db, code);
    return true;
}

} // namespace

std::string linkFailureMessage(int status)
{
    return "Ошибка связи с регистратором:" + exchangeMessage(status);
}

ControllerList
RebuildControllerList(ExchangeContext& ctx, ArchiveDatabase* db, bool storingPass, const ControllerListScope& scope)
{
    ControllerList list;
    const std::filesystem::path dir = ctx.databasePath;
    if (ctx.catalog.count > 0)
        createEmptySettingsFile(dir);
    const IniFile ini = IniFile::load(archiveSettingsPath(dir));
    const bool tablesThere = db && db->hasTable("meranb");
    const int count = ctx.catalog.count;
    for (int i = 1; i <= count; ++i) {
        const CatalogEntry& entry = ctx.catalog.entry(i);
        ImageRecord& record = ctx.image.record(i);
        ControllerListRow row;
        row.number = i;
        row.controllerText = entry.controllerText();
        row.hasSection = ini.hasSection(row.controllerText);
        if (ctx.state.ExchangeStatus == kStatusOk &&
            !(tablesThere && readControllerValues(db, entry.ControllerCode(), record, row.name))) {
            ctx.state.ExchangeStatus = kStatusDatabase;
            ctx.log.append(exchangeLogLine(kStatusDatabase));
            ctx.prompter.showError(exchangeMessage(kStatusDatabase));
        }
        if (!storingPass) {
            if (scope.readTimes)
                ReadRecordTime(ctx, i);
            if (ctx.state.ExchangeStatus != kStatusOk || record.RecordTime == 0) {
                ctx.prompter.showError(linkFailureMessage(ctx.state.ExchangeStatus));
                list.linkFailed = true;
                list.rows.push_back(row);
                break;
            }
            row.recordTime = record.RecordTime;
        }
        list.rows.push_back(row);
    }
    return list;
}

} // namespace kest
