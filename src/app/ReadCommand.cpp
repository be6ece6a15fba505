#include "app/CommandLine.h"
#include "app/ConsoleSession.h"
#include "exchange/ArchivePasses.h"
#include "exchange/Connection.h"

namespace kest {

// Connect, read every record into the image, store the image: the exchange
// window's three buttons in a row. Success only when the storing pass went through.
int CommandRead(CommandContext& ctx)
{
    ConsoleSession session(ctx.settings, ctx.out, ctx.err);
    ExchangeState& state = session.state();
    const bool connected = EstablishConnection(session.exchange(), ctx.settings.Port);
    PassState pass;
    if (connected && state.ExchangeStatus == kStatusOk && !state.StopRequested) {
        ReadingPass(session.exchange(), pass);
        if (pass.PassDone == 1)
            StoringPass(session.exchange(), pass, depthLimitsFor(ctx.settings));
    }
    if (pass.PassDone == 1 && pass.PassMode == 1)
        return kExitOk;
    // A store that the database refused leaves the exchange status alone.
    const bool storeRefused = pass.PassMode == 1 && state.ExchangeStatus == kStatusOk;
    return session.fail(storeRefused ? kStatusDatabase : state.ExchangeStatus);
}

} // namespace kest
