#include "exchange/Connection.h"

#include "exchange/FakeExchange.h"

#include <gtest/gtest.h>

namespace kest::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

class ConnectionTest : public ::testing::Test, protected FakeExchange
{
protected:
    ConnectionTest() : FakeExchange(1, 1, "/nonexistent/") { link.Timing = {2, 3000}; }

    std::size_t pageRequests() const
    {
        return static_cast<std::size_t>(
            std::count(port.writes.begin(), port.writes.end(), Bytes{0x02, 0x00, 0x00, 0xFE}));
    }
};

TEST_F(ConnectionTest, NothingAttachedProbesThenTriesThePageLinkAndFails)
{
    link.PageLink = 1; // left from an earlier connection: the first open raises DTR
    const auto start = clock.ms;
    EXPECT_FALSE(EstablishConnection(ctx, "Com2"));
    EXPECT_EQ(state.ExchangeStatus, kStatusNoAnswer);
    EXPECT_EQ(port.events[0], "open /dev/ttyS1");
    EXPECT_EQ(port.events[3], "dtr 1");

    // One 05, then LinkAttempts page reads of page 0 at 9600 baud, 3 s apart.
    ASSERT_EQ(port.writes.size(), 3u);
    EXPECT_EQ(port.writes[0], Bytes{0x05});
    EXPECT_EQ(pageRequests(), 2u);
    const auto probe = port.writeTimes[1] - start;
    EXPECT_GE(probe, 50 + 100 + 1728);
    EXPECT_LT(probe, 50 + 100 + 1728 + 150);
    // A page read on a silent line waits 1 s for the page and 1 s for its sum.
    EXPECT_EQ(port.writeTimes[2] - port.writeTimes[1], 1000 + 11 + 1000 + 3000 + 1);
    EXPECT_EQ(link.PageLink, 1);
    EXPECT_EQ(port.speedIndex, 5);
    EXPECT_EQ(port.framing, Framing::Open);
    EXPECT_TRUE(port.dtr);
    EXPECT_TRUE(link.portOpen());
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(ConnectionTest, PortThatCannotBeOpenedIsReportedByName)
{
    port.openSucceeds = false;
    EXPECT_FALSE(EstablishConnection(ctx, "/dev/ttyNONE"));
    EXPECT_EQ(prompter.errors, std::vector<std::string>{"Неверный номер СОМ-порта /dev/ttyNONE"});
    EXPECT_EQ(state.ExchangeStatus, kStatusNoAnswer);
    EXPECT_FALSE(link.hasPort());
    EXPECT_TRUE(port.writes.empty());
}

TEST_F(ConnectionTest, StopLeftFromAnEarlierReadSkipsThePageRead)
{
    state = {kStatusStopped, true, {}};
    EXPECT_FALSE(EstablishConnection(ctx, "Com1"));
    EXPECT_EQ(pageRequests(), 0u);
    EXPECT_EQ(state.ExchangeStatus, kStatusNoAnswer);

    // With a status of 0 held from before, the skipped test counts as connected and
    // the catalog read that follows finds the line silent.
    port.writes.clear();
    state = {kStatusOk, true, {}};
    EXPECT_TRUE(EstablishConnection(ctx, "Com1"));
    EXPECT_EQ(pageRequests(), 2u); // the catalog's first page, LinkAttempts times
    EXPECT_EQ(state.ExchangeStatus, kStatusNoAcknowledge);
    EXPECT_EQ(log.lines,
              (std::vector<std::string>{exchangeLogLine(kStatusNoAcknowledge), "** Конец обмена **"}));
}

TEST_F(ConnectionTest, AnsweredProbeKeepsTheRequestLinkInProbeFraming)
{
    // A request-link registrar with an empty catalog.
    port.onWrite = [this](const Bytes& w) {
        if (w == Bytes{0x05}) {
            port.arrive({0x04}, 110);
            return;
        }
        Bytes reply(128, 0xFF);
        reply.push_back(0x80); // 128 × FF + 80 sums to 0
        port.arrive({0x06}, 5);
        port.arrive(reply, 50);
    };
    EXPECT_TRUE(EstablishConnection(ctx, "Com2"));
    EXPECT_EQ(link.PageLink, 0);
    EXPECT_EQ(port.speedIndex, 3);
    EXPECT_EQ(port.framing, Framing::Probe);
    EXPECT_EQ(port.writes[2], (Bytes{0x04, 0x03, 0xFF, 0x00, 0x80, 0x7E}));
    EXPECT_EQ(state.ExchangeStatus, kStatusOk);
    EXPECT_EQ(log.lines,
              (std::vector<std::string>{"Регистратор пуст", "Конец обмена", "** Каталог считан **"}));
}

} // namespace
} // namespace kest::test
