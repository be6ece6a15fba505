#include "app/ConsoleSession.h"
#include "app/StoreOutcome.h"
#include "app/TerminalProgress.h"
#include "db/ArchiveTables.h"
#include "session/SessionFolder.h"
#include "session/SessionRun.h"

#include <ostream>
#include <unistd.h>

namespace kest {

bool stderrIsTerminal()
{
    return isatty(STDERR_FILENO) == 1;
}

int finishStoring(CommandContext& ctx,
                  ConsoleSession& console,
                  const PassState& pass,
                  const std::optional<std::filesystem::path>& session)
{
    ExchangeContext& exchange = console.exchange();
    const bool stored = pass.PassDone == 1 && pass.PassMode == 1;
    std::string text;
    if (session)
        text = afterStoringPass(pass, *session, ctx.settings.DatabasePath, exchange.clock.now(),
                                ctx.settings.SessionsKept);
    if (stored) {
        if (!text.empty())
            ctx.err << text << "\n";
        return kExitOk;
    }
    if (!text.empty())
        exchange.log.append(text);
    // A store that the database refused leaves the exchange status alone.
    const std::int32_t code = console.state().ExchangeStatus == kStatusOk ? kStatusDatabase
                                                                          : console.state().ExchangeStatus;
    return console.fail(code, text);
}

// The read kept in a session file, stored as `kest read` would have stored it: the
// same readers run over the recorded bytes, with the marks and controller values
// the read had, and the storing pass follows.
int CommandStore(CommandContext& ctx)
{
    if (ctx.arguments.size() != 1) {
        ctx.err << "kest store needs one session file: kest store FILE\n";
        return kExitFailure;
    }
    const std::filesystem::path file = ctx.arguments.front();
    std::string error;
    const auto data = loadSession(file, error);
    if (!data) {
        ctx.err << "Файл сеанса не помещен в базу данных: " << error << "\n";
        return kExitFailure;
    }

    ReplayClock clock;
    ReplayPort port(data->exchanges, clock);
    ConsoleSession session(ctx.settings, ctx.out, ctx.err, &port, &clock);
    ExchangeContext& exchange = session.exchange();
    prepareReplay(exchange, *data);
    TerminalProgress progress(ctx.err, exchange.catalog, exchange.link.PageLink);
    if (stderrIsTerminal()) {
        exchange.progress = &progress;
        session.setBeforeOutput([&progress] { progress.finish(); });
    }

    if (auto db = OpenArchiveDatabase(ctx.settings.DatabasePath, false, &error);
        db && RequireTables(*db, {"meranb", "merane"}).ok())
        (void)addSessionControllers(*db, *data);

    PassState pass;
    const std::string problem = replayRead(exchange, pass, ctx.settings.Port, *data, port);
    progress.finish();
    if (!problem.empty()) {
        ctx.err << "Файл сеанса " << file.string() << " не помещен в базу данных: " << problem << "\n";
        return kExitFailure;
    }
    StoringPass(exchange, pass, depthLimitsFor(ctx.settings), ctx.settings.DatabaseWait);
    return finishStoring(ctx, session, pass, file);
}

} // namespace kest
