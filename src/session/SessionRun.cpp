#include "session/SessionRun.h"

#include "db/ArchiveTables.h"
#include "exchange/CatalogReader.h"
#include "exchange/Connection.h"
#include "registrar/RegistrarImage.h"
#include "session/SessionFolder.h"
#include "settings/ArchiveSettingsFile.h"

#include <fstream>
#include <sstream>

namespace kest {

std::string currentArchiveSettings(const std::filesystem::path& databasePath)
{
    std::ifstream in(archiveSettingsPath(databasePath), std::ios::binary);
    if (!in)
        return {};
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

SessionData sessionOfRead(const ExchangeContext& ctx,
                          const std::string& started,
                          const std::string& archiveSettings,
                          ArchiveDatabase* db,
                          std::string exchanges,
                          const ReadBeginning& beginning)
{
    SessionData s;
    s.started = started;
    s.pageLink = ctx.link.PageLink;
    s.start = beginning.start;
    if (s.start == SessionStart::ReadingPass)
        s.recordLimit = ctx.recordLimit;
    s.program = std::string("kest ") + KEST_VERSION;
    s.tries = ctx.tries;
    s.pauseSeconds = ctx.pauseSeconds;
    s.linkAttempts = ctx.link.Timing.LinkAttempts;
    s.linkRetryDelay = ctx.link.Timing.LinkRetryDelay;
    s.catalog = beginning.catalog ? *beginning.catalog : ctx.catalog;
    s.inputs.archiveSettings = archiveSettings;
    s.inputs.records = ctx.catalog.count;
    for (int r = 1; r <= ctx.catalog.count; ++r) {
        const ImageRecord& record = ctx.image.record(r);
        ControllerValues& v = s.inputs.values[static_cast<std::size_t>(r - 1)];
        v.code = ctx.catalog.entry(r).ControllerCode();
        v.rhour = record.rhour;
        v.rday = record.rday;
        v.avans = record.avans;
        v.smin = record.smin;
        if (db) {
            if (const auto row = SelectController(*db, v.code))
                v.name = row->sname;
        }
    }
    s.exchanges = std::move(exchanges);
    return s;
}

void prepareReplay(ExchangeContext& ctx, const SessionData& session)
{
    ctx.recordedInputs = &session.inputs;
    ctx.tries = session.tries;
    ctx.pauseSeconds = session.pauseSeconds;
    ctx.link.Timing = {session.linkAttempts, session.linkRetryDelay};
    ctx.link.PageLink = session.pageLink;
    ctx.recordLimit = session.recordLimit;
}

std::string replayRead(ExchangeContext& ctx,
                       PassState& pass,
                       const std::string& portName,
                       const SessionData& session,
                       const ReplayPort& port)
{
    bool connected = true;
    if (session.start == SessionStart::Connection) {
        connected = EstablishConnection(ctx, portName);
    } else {
        // The port was open and the link kind known when the recording began.
        (void)ctx.link.OpenPort(portName, session.pageLink == 1 ? 5 : 3);
        if (session.start == SessionStart::Catalog)
            ReadCatalogCommand(ctx);
        else
            ctx.catalog = session.catalog;
    }
    if (connected && ctx.state.ExchangeStatus == kStatusOk && !ctx.state.StopRequested)
        ReadingPass(ctx, pass);
    if (ctx.state.StopRequested)
        return "прервано пользователем";
    if (port.diverged() || (pass.PassDone == 1 && !port.finished()))
        return "программа запрашивает у регистратора не то, что записано в файле сеанса (после запроса " +
               std::to_string(port.writesPlayed()) + ")";
    if (pass.PassDone != 1)
        return "чтение из файла сеанса не прошло";
    if (ctx.link.PageLink != session.pageLink || ctx.catalog.count != session.catalog.count)
        return "каталог из файла сеанса не совпадает с записанным";
    return {};
}

DbStatus addSessionControllers(ArchiveDatabase& db, const SessionData& session)
{
    for (int r = 0; r < session.inputs.records; ++r) {
        const ControllerValues& v = session.inputs.values[static_cast<std::size_t>(r)];
        if (SelectController(db, v.code))
            continue;
        DbStatus status = EnsureControllerRows(db, v.code);
        if (status.ok() && !v.name.empty())
            status = UpdateControllerName(db, v.code, v.name);
        if (status.ok())
            status = UpdateControllerSettlement(db, v.code, v.rhour, v.rday, v.avans, v.smin);
        if (!status.ok())
            return status;
    }
    return DbStatus::success();
}

std::string sessionKeptMessage(const std::filesystem::path& session)
{
    return "Считанные данные сохранены в файле сеанса " + session.string() +
           "; поместить их в базу данных позже: kest store " + session.string();
}

std::optional<std::filesystem::path> keepReadSession(const ExchangeContext& ctx,
                                                     const std::string& started,
                                                     const std::string& archiveSettings,
                                                     const std::string& events,
                                                     std::string& error,
                                                     const ReadBeginning& beginning)
{
    auto db = OpenArchiveDatabase(ctx.databasePath, false, &error);
    const SessionData data = sessionOfRead(ctx, started, archiveSettings, db.get(), events, beginning);
    db.reset();
    return saveSession(ctx.databasePath, data, error);
}

std::string afterStoringPass(const PassState& pass,
                             const std::filesystem::path& session,
                             const std::filesystem::path& databasePath,
                             DateTime now,
                             int kept)
{
    if (pass.PassDone != 1 || pass.PassMode != 1)
        return sessionKeptMessage(session);
    const std::string error = markSessionStored(session, now);
    pruneSessions(databasePath, kept);
    return error.empty() ? "" : "Не удалось отметить файл сеанса как помещенный в базу: " + error;
}

} // namespace kest
