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
    return pass.PassDone == 1 && pass.PassMode == 1 ? kExitOk : kExitFailure;
}

} // namespace kest
