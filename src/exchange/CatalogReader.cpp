#include "exchange/CatalogReader.h"

#include "common/EventPump.h"
#include "common/ExchangeLog.h"
#include "common/Prompter.h"
#include "db/ArchiveTables.h"
#include "registrar/Catalog.h"
#include "registrar/RegistrarImage.h"
#include "registrar/ValueEncoding.h"

#include <cmath>

namespace kest {
namespace {

constexpr int kSlotsPerHalf = 16;
constexpr const char* kEndOfExchange = "** Конец обмена **";

/// Where the two catalog halves lie: pages 0 and 1 on the page link, the last 256
/// bytes of memory area 3 on the request link.
int readCatalogHalf(ExchangeContext& ctx, int half, LinkBuffer& buffer)
{
    RegistrarLink& link = ctx.link;
    if (link.PageLink == 1)
        return RunCommandWithTries(ctx, kCatalogPageFactor,
                                   [&] { return link.ReadPage(static_cast<std::uint16_t>(half), buffer); });
    const auto address = static_cast<std::uint16_t>(half == 0 ? 0xFF00 : 0xFF80);
    return RunCommandWithTries(ctx, kDefaultFactor,
                               [&] { return link.ReadMemoryCmd3(address, 128, buffer); });
}

bool exchangeGoesOn(const ExchangeContext& ctx);

void acceptSlot(ExchangeContext& ctx, const std::uint8_t* slot, std::size_t slotSize)
{
    Catalog& catalog = ctx.catalog;
    const int number = catalog.count + 1;
    CatalogEntry& entry = catalog.entry(number);
    entry.bytes = {};
    std::copy(slot, slot + slotSize, entry.bytes.begin());
    ReadRecordTime(ctx, number);
    const DateTime time = ctx.image.record(number).RecordTime;
    if (time == 0) {
        // The count stays, so the next accepted slot takes this entry number; until
        // then the entry is empty like every entry past the count. A time stamp that
        // never came (a failed or stopped read) says nothing about the record's date,
        // and the read ends with its own message.
        if (exchangeGoesOn(ctx))
            ctx.prompter.showError(invalidDateMessage(entry.controllerText()));
        entry.bytes = {};
        return;
    }
    catalog.count = number;
    ctx.log.append(catalogLogLine(number, entry.controllerText(), ctx.link.PageLink == 1, time));
}

/// Walks the 16 slots of one half; false when an end slot was met.
bool walkHalf(ExchangeContext& ctx, const LinkBuffer& buffer)
{
    const bool pageLink = ctx.link.PageLink == 1;
    const std::size_t slotSize = pageLink ? 16 : 8;
    for (int i = 0; i < kSlotsPerHalf; ++i) {
        const std::uint8_t* slot = buffer.data() + i * slotSize;
        const std::uint8_t state = slot[0];
        if (pageLink) {
            if (state == 0 || state > kCatalogEntries)
                return false;
        } else {
            if (state == 0xFF)
                return false;
            if (state != 0x00)
                continue;
        }
        acceptSlot(ctx, slot, slotSize);
    }
    return true;
}

bool exchangeGoesOn(const ExchangeContext& ctx)
{
    return ctx.state.ExchangeStatus == kStatusOk && !ctx.state.StopRequested;
}

void addControllerRows(ExchangeContext& ctx)
{
    std::string error;
    auto db = OpenArchiveDatabase(ctx.databasePath, false, &error);
    if (db) {
        if (const DbStatus tables = RequireTables(*db, {"meranb", "merane"}); !tables.ok()) {
            error = tables.message;
            db.reset();
        }
    }
    for (int i = 1; i <= ctx.catalog.count && ctx.state.ExchangeStatus == kStatusOk; ++i) {
        if (db) {
            const DbStatus added = EnsureControllerRows(*db, ctx.catalog.entry(i).ControllerCode());
            if (added.ok())
                continue;
            error = added.message;
        }
        ctx.state.ExchangeStatus = kStatusDatabase;
        ctx.state.FailureReason = error;
        ctx.log.append(exchangeLogLine(kStatusDatabase));
        ctx.log.append(kEndOfExchange);
        ctx.prompter.showError(exchangeMessage(kStatusDatabase));
    }
}

} // namespace

std::string invalidDateMessage(const std::string& controllerText)
{
    return "В кесте-ригистраторе запись МЕРАНа №" + controllerText +
           " имеет неверную дату (нулевой год, или нулевое число, или нулевой месяц). ";
}

std::string catalogLogLine(int number, const std::string& controllerText, bool pageLink, DateTime recordTime)
{
    std::string line = "Запись №" + std::to_string(number) + " МЕРАН: " + controllerText;
    if (!pageLink)
        return line;
    line += " Дата: " + formatDate(recordTime);
    const DateTime timeOfDay = recordTime - std::floor(recordTime);
    if (timeOfDay * 86400.0 >= 0.5)
        line += " " + formatTime(recordTime);
    return line;
}

void ReadRecordTime(ExchangeContext& ctx, int entry)
{
    RegistrarLink& link = ctx.link;
    if (!link.hasPort() || ctx.state.ExchangeStatus != kStatusOk)
        return;
    const CatalogEntry& e = ctx.catalog.entry(entry);
    LinkBuffer reply{};
    const auto command = [&]() -> int {
        if (link.PageLink == 1)
            return link.ReadPage(static_cast<std::uint16_t>(e.bytes[1] << 8 | e.bytes[2]), reply);
        const auto address = static_cast<std::uint16_t>(e.bytes[2] << 8);
        if (e.bytes[1] == 0)
            return link.ReadMemoryCmd3(address, 8, reply);
        if (e.bytes[1] == 1)
            return link.ReadMemoryCmd2(address, 8, reply);
        // No such memory area: nothing is asked, and the empty date refuses the record.
        return ctx.state.ExchangeStatus;
    };
    RunCommandWithTries(ctx, kDefaultFactor, command);
    if (!exchangeGoesOn(ctx))
        return;
    ImageRecord& record = ctx.image.record(entry);
    record.RecordYear = reply[4] * 100 + reply[5];
    // A date that cannot exist (month 13, hour 24) is refused like an empty one.
    const auto stamp = DecodeRecordTime(reply.data());
    record.RecordTime = stamp ? stamp->RecordTime : 0;
}

void ReadCatalog(ExchangeContext& ctx)
{
    ctx.pump.processEvents();
    if (ctx.progress)
        ctx.progress->setPosition(0);
    ctx.state.ExchangeStatus = kStatusOk;
    ctx.state.StopRequested = false;
    if (!ctx.link.hasPort())
        return;
    ctx.catalog.reset();
    ResetRegistrarImage(ctx.image);

    LinkBuffer buffer{};
    for (int half = 0; half < 2; ++half) {
        readCatalogHalf(ctx, half, buffer);
        if (!exchangeGoesOn(ctx))
            return;
        if (!walkHalf(ctx, buffer))
            return;
        if (!exchangeGoesOn(ctx))
            return;
    }
}

int ReadCatalogCommand(ExchangeContext& ctx)
{
    ctx.state.StopRequested = false;
    ctx.state.ExchangeStatus = kStatusOk;
    ctx.pump.processEvents();
    ReadCatalog(ctx);
    if (!exchangeGoesOn(ctx)) {
        ctx.log.append(exchangeLogLine(ctx.state.ExchangeStatus));
        ctx.log.append(kEndOfExchange);
    } else if (ctx.catalog.count == 0) {
        ctx.log.append("Регистратор пуст");
        ctx.log.append("Конец обмена");
    } else {
        addControllerRows(ctx);
    }
    if (ctx.state.ExchangeStatus == kStatusOk)
        ctx.log.append("** Каталог считан **");
    // The record counter starts again from the catalog just read, whoever ran the
    // read: a count kept from an earlier registrar would cut the passes short.
    ctx.recordLimit = ctx.catalog.count;
    ctx.pump.processEvents();
    return ctx.state.ExchangeStatus;
}

} // namespace kest
