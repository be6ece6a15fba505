#include "exchange/ExchangeContext.h"

#include "common/EventPump.h"
#include "registrar/Catalog.h"

namespace kest {

int RunCommandWithTries(
    ExchangeContext& ctx, int tries, int pauseSeconds, int factor, const std::function<int()>& command)
{
    for (int attempt = 1; attempt <= tries; ++attempt) {
        ctx.pump.processEvents();
        if (!ctx.state.StopRequested)
            ctx.state.ExchangeStatus = command();
        ctx.pump.processEvents();
        if (ctx.state.ExchangeStatus != kStatusOk && !ctx.state.StopRequested)
            ctx.clock.sleepMs(static_cast<std::int64_t>(pauseSeconds) * factor);
        if (ctx.state.ExchangeStatus == kStatusOk)
            break;
    }
    return ctx.state.ExchangeStatus;
}

int RunCommandWithTries(ExchangeContext& ctx, int factor, const std::function<int()>& command)
{
    return RunCommandWithTries(ctx, ctx.tries, ctx.pauseSeconds, factor, command);
}

int limitedRecordCount(int count, int recordLimit)
{
    return recordLimit > 0 && recordLimit < count ? recordLimit : count;
}

int passRecordCount(const ExchangeContext& ctx)
{
    const int count = ctx.catalog.count;
    return ctx.link.PageLink == 1 ? limitedRecordCount(count, ctx.recordLimit) : count;
}

} // namespace kest
