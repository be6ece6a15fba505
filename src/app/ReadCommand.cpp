#include "app/CommandLine.h"
#include "app/ConsoleSession.h"
#include "app/StoreOutcome.h"
#include "app/TerminalProgress.h"
#include "exchange/ArchivePasses.h"
#include "exchange/Connection.h"
#include "session/RecordingPort.h"
#include "session/SessionRun.h"

#include <ostream>

namespace kest {

// Connect, read every record into the image, store the image: the exchange
// window's three buttons in a row. Success only when the storing pass went through.
// Before the storing pass the whole read goes into a session file, so a pass that
// fails (a locked or full disk, a kill) loses nothing: `kest store` takes it later.
int CommandRead(CommandContext& ctx)
{
    ConsoleSession session(ctx.settings, ctx.out, ctx.err);
    ExchangeContext& exchange = session.exchange();
    ExchangeState& state = session.state();
    TerminalProgress progress(ctx.err, exchange.catalog, exchange.link.PageLink);
    if (stderrIsTerminal()) {
        exchange.progress = &progress;
        session.setBeforeOutput([&progress] { progress.finish(); });
    }

    SystemClock clock;
    const std::string started = toSqlText(clock.now());
    const bool connected = EstablishConnection(exchange, ctx.settings.Port);
    PassState pass;
    if (!connected || state.ExchangeStatus != kStatusOk || state.StopRequested)
        return session.fail(state.ExchangeStatus);
    const std::string marks = currentArchiveSettings(ctx.settings.DatabasePath);
    ReadingPass(exchange, pass);
    progress.finish();
    if (pass.PassDone != 1)
        return session.fail(state.ExchangeStatus);

    std::string error;
    const auto file = keepReadSession(exchange, started, marks, session.recordedEvents(), error);
    if (!file) {
        // The storing pass still runs: the values are in memory.
        const std::string text = "Файл сеанса не записан: " + error;
        exchange.log.append(text);
        ctx.err << text << "\n";
    }
    // The progress line belongs to the reading pass.
    exchange.progress = nullptr;
    StoringPass(exchange, pass, depthLimitsFor(ctx.settings), ctx.settings.DatabaseWait);
    return finishStoring(ctx, session, pass, file);
}

} // namespace kest
