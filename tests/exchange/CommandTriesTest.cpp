#include "common/EventPump.h"
#include "common/ExchangeLog.h"
#include "common/Prompter.h"
#include "exchange/ExchangeContext.h"
#include "link/FakePort.h"
#include "registrar/Catalog.h"
#include "registrar/RegistrarImage.h"

#include <gtest/gtest.h>

namespace kest::test {
namespace {

class CommandTriesTest : public ::testing::Test
{
protected:
    CommandTriesTest()
        : port(clock),
          link(port, clock), ctx{link, state, pump, log, prompter, catalog, image, clock, 3, 2, "", nullptr}
    {
        EXPECT_TRUE(link.OpenPort("/dev/fake", 3));
        clock.sleeps.clear();
    }

    struct CountingPump final : EventPump
    {
        void processEvents() override
        {
            ++calls;
            if (stopAt == calls) {
                state->StopRequested = true;
                state->ExchangeStatus = kStatusStopped;
            }
        }
        int calls = 0;
        int stopAt = -1;
        ExchangeState* state = nullptr;
    };

    FakeClock clock;
    FakePort port;
    RegistrarLink link;
    ExchangeState state;
    CountingPump pump;
    MemoryExchangeLog log;
    MemoryPrompter prompter;
    Catalog catalog;
    RegistrarImage image;
    ExchangeContext ctx;
};

TEST_F(CommandTriesTest, FailedTriesPauseByFactorAndStopAtSuccess)
{
    std::vector<int> results = {4, 1, 0, 0};
    int calls = 0;
    EXPECT_EQ(RunCommandWithTries(ctx, 500, [&] { return results[static_cast<std::size_t>(calls++)]; }), 0);
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(clock.sleeps, (std::vector<std::int64_t>{1000, 1000}));
    EXPECT_EQ(pump.calls, 6);

    // Every try fails: the pause follows the last one too.
    clock.sleeps.clear();
    calls = 0;
    EXPECT_EQ(RunCommandWithTries(ctx, 1000, [&] { return ++calls, 5; }), 5);
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(clock.sleeps, (std::vector<std::int64_t>{2000, 2000, 2000}));
}

TEST_F(CommandTriesTest, StopOrNoTriesSendsNothing)
{
    int calls = 0;
    state = {17, true, {}};
    EXPECT_EQ(RunCommandWithTries(ctx, 1000, [&] { return ++calls, 0; }), 17);
    EXPECT_EQ(calls, 0);
    EXPECT_TRUE(clock.sleeps.empty());

    state = {0, false, {}};
    EXPECT_EQ(RunCommandWithTries(ctx, 0, 3, 1000, [&] { return ++calls, 1; }), 0);
    EXPECT_EQ(calls, 0);

    // A stop pressed during the first try: no second command, no pause.
    pump.state = &state;
    pump.stopAt = pump.calls + 2;
    EXPECT_EQ(RunCommandWithTries(ctx, 1000, [&] { return ++calls, 1; }), kStatusStopped);
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(clock.sleeps.empty());
}

} // namespace
} // namespace kest::test
