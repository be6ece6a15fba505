#include "link/FakePort.h"
#include "link/RegistrarLink.h"

#include <gtest/gtest.h>
#include <numeric>

namespace kest::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes withChecksum(Bytes data)
{
    const auto sum = std::accumulate(data.begin(), data.end(), 0u);
    data.push_back(static_cast<std::uint8_t>(0x100 - (sum & 0xFF)));
    return data;
}

Bytes pageWithSum(std::uint8_t seed, std::size_t size = 256)
{
    Bytes page(size);
    for (std::size_t i = 0; i < size; ++i)
        page[i] = static_cast<std::uint8_t>(seed + i * 7);
    page.push_back(static_cast<std::uint8_t>(std::accumulate(page.begin(), page.end(), 0u)));
    return page;
}

class ExchangeTest : public ::testing::Test
{
protected:
    ExchangeTest() : port(clock), link(port, clock)
    {
        EXPECT_TRUE(link.OpenPort("/dev/fake", 3));
        port.events.clear();
        clock.sleeps.clear();
    }

    /// A request-link registrar: 04 for every 05, `ack` for a frame, then `reply`.
    void answerFrames(std::uint8_t ack, const Bytes& reply)
    {
        port.onWrite = [this, ack, reply](const Bytes& w) {
            if (w.size() == 1 && w[0] == 0x05) {
                port.arrive({0x04}, 5);
            } else {
                port.arrive({ack}, 10);
                port.arrive(reply, 40);
            }
        };
    }

    /// Pauses longer than the line-settling ones.
    std::vector<std::int64_t> longPauses() const
    {
        std::vector<std::int64_t> out;
        for (auto s : clock.sleeps)
            if (s > 20)
                out.push_back(s);
        return out;
    }

    FakeClock clock;
    FakePort port;
    RegistrarLink link;
    LinkBuffer buffer{};
};

TEST_F(ExchangeTest, MemoryReadSendsFrameAfterHandshakeAndTakesReply)
{
    Bytes data(128);
    std::iota(data.begin(), data.end(), 1);
    answerFrames(0x06, withChecksum(data));
    EXPECT_EQ(link.ReadMemoryCmd3(0xFF00, 128, buffer), 0);
    ASSERT_EQ(port.writes.size(), 2u);
    EXPECT_EQ(port.writes[0], Bytes{0x05});
    EXPECT_EQ(port.writes[1], (Bytes{0x04, 0x03, 0xFF, 0x00, 0x80, 0x7E}));
    EXPECT_TRUE(std::equal(data.begin(), data.end(), buffer.begin()));
    // 2400 baud and more than 50 bytes: 3 + 2 seconds for the reply.
    EXPECT_EQ(port.readTimeoutMs, 5000);
    EXPECT_TRUE(port.dtr);
    EXPECT_FALSE(port.rts);

    port.writes.clear();
    answerFrames(0x06, withChecksum(Bytes(8, 0x11)));
    EXPECT_EQ(link.ReadMemoryCmd2(0x1200, 8, buffer), 0);
    EXPECT_EQ(port.writes[1], (Bytes{0x04, 0x02, 0x12, 0x00, 0x08, 0xE4}));
    EXPECT_EQ(port.readTimeoutMs, 3000);
}

TEST_F(ExchangeTest, ReplyTimeoutFollowsSpeedAndLength)
{
    struct Case
    {
        int speed;
        int length;
        int timeoutMs;
    };
    for (const Case c : {Case{0, 8, 8000}, Case{1, 8, 5000}, Case{2, 60, 7000}, Case{3, 60, 5000},
                         Case{5, 50, 3000}, Case{7, 51, 5000}}) {
        link.CurrentSpeedIndex = c.speed;
        answerFrames(0x06, withChecksum(Bytes(static_cast<std::size_t>(c.length), 0x42)));
        EXPECT_EQ(link.ReadMemoryCmd3(0x0100, static_cast<std::uint8_t>(c.length), buffer), 0);
        EXPECT_EQ(port.readTimeoutMs, c.timeoutMs) << "speed " << c.speed << " length " << c.length;
    }
}

TEST_F(ExchangeTest, ZeroReplyLengthEndsAtTheAcknowledge)
{
    answerFrames(0x06, {});
    std::array<std::uint8_t, 4> frame = {2, 0x10, 0x20, 0};
    EXPECT_EQ(link.ExchangeRequest(frame, 0, false, {}), 0);
    EXPECT_EQ(frame[3], 0xD0);
    EXPECT_EQ(port.readTimeoutMs, 1000);

    // A frame that lies about its length, or a reply that would not fit, sends nothing.
    port.writes.clear();
    std::array<std::uint8_t, 4> liar = {5, 1, 2, 0};
    EXPECT_EQ(link.ExchangeRequest(liar, 0, false, {}), kStatusNoBytes);
    std::array<std::uint8_t, 8> small{};
    EXPECT_EQ(link.ExchangeRequest(frame, 8, false, small), kStatusNoData);
    EXPECT_TRUE(port.writes.empty());
}

TEST_F(ExchangeTest, SilentLineGivesNoAnswerAfterEveryAttemptAndPause)
{
    link.Timing = {3, 3000};
    const auto start = clock.ms;
    EXPECT_EQ(link.ReadMemoryCmd3(0xFF00, 128, buffer), kStatusNoAnswer);
    EXPECT_EQ(port.writes, (std::vector<Bytes>{{0x05}, {0x05}, {0x05}}));
    EXPECT_EQ(longPauses(), (std::vector<std::int64_t>{3000, 3000}));
    // Each attempt waits one second of silence for its 04.
    EXPECT_EQ(port.writeTimes[1] - port.writeTimes[0], 1000 + 3000 + 1);
    EXPECT_LT(clock.ms - start, 9100);
}

TEST_F(ExchangeTest, AttemptsBelowOneCountAsOne)
{
    link.Timing = {0, 3000};
    EXPECT_EQ(link.ReadPage(0, buffer), kStatusNoAcknowledge);
    EXPECT_EQ(port.writes.size(), 1u);
    EXPECT_TRUE(longPauses().empty());
}

TEST_F(ExchangeTest, NoiseBeforeTheGrantIsIgnoredWithinTheWindow)
{
    port.onWrite = [this](const Bytes& w) {
        if (w.size() == 1) {
            port.arrive({0x00, 0xFF, 0x13, 0x06}, 200);
            port.arrive({0x04}, 900);
        } else {
            port.arrive({0x06}, 5);
            port.arrive(withChecksum({0x12, 0x34}), 20);
        }
    };
    EXPECT_EQ(link.ReadMemoryCmd3(0x0000, 2, buffer), 0);
    EXPECT_EQ(buffer[2], 0xBA);

    // Noise that keeps coming past 1.728 s without a 04.
    link.Timing = {1, 3000};
    port.writes.clear();
    port.onWrite = [this](const Bytes&) {
        for (int t = 100; t < 3000; t += 100)
            port.arrive({0x55}, t);
    };
    EXPECT_EQ(link.ReadMemoryCmd3(0x0000, 2, buffer), kStatusNoAnswer);
    EXPECT_EQ(port.writes.size(), 1u);
}

TEST_F(ExchangeTest, FrameOutcomesGiveTheirCodes)
{
    link.Timing = {2, 3000};
    struct Case
    {
        const char* name;
        std::uint8_t ack;
        Bytes reply;
        int code;
    };
    const Bytes good = withChecksum(Bytes(8, 0x31));
    Bytes bad = good;
    bad.back() ^= 1;
    const Bytes shortReply(good.begin(), good.end() - 1);
    for (const Case& c : {Case{"rejected", 0x15, good, kStatusSendChecksum},
                          Case{"unacknowledged", 0x00, {}, kStatusNoAcknowledge},
                          Case{"bad checksum", 0x06, bad, kStatusReceiveChecksum},
                          Case{"short reply", 0x06, shortReply, kStatusNoData}}) {
        port.writes.clear();
        clock.sleeps.clear();
        answerFrames(c.ack, c.reply);
        EXPECT_EQ(link.ReadMemoryCmd3(0x4000, 8, buffer), c.code) << c.name;
        // Both attempts went out, each with its own 05, the second after the pause.
        ASSERT_EQ(port.writes.size(), 4u) << c.name;
        EXPECT_EQ(port.writes[2], Bytes{0x05}) << c.name;
        EXPECT_EQ(longPauses(), std::vector<std::int64_t>{3000}) << c.name;
    }
}

TEST_F(ExchangeTest, UnwritableLineGivesNoBytes)
{
    port.writeSucceeds = false;
    EXPECT_EQ(link.ReadMemoryCmd3(0xFF00, 128, buffer), kStatusNoBytes);
}

TEST_F(ExchangeTest, SecondAttemptSucceedsAfterARejectedFrame)
{
    int frames = 0;
    port.onWrite = [&](const Bytes& w) {
        if (w.size() == 1) {
            port.arrive({0x04}, 5);
            return;
        }
        port.arrive({++frames == 1 ? std::uint8_t{0x15} : std::uint8_t{0x06}}, 5);
        if (frames > 1)
            port.arrive(withChecksum({1, 2, 3, 4, 5, 6, 7, 8}), 20);
    };
    EXPECT_EQ(link.ReadMemoryCmd3(0x0800, 8, buffer), 0);
    EXPECT_EQ(frames, 2);
    EXPECT_EQ(buffer[7], 8);
}

TEST_F(ExchangeTest, EchoedFrameIsSkippedBeforeTheAcknowledge)
{
    port.onWrite = [this](const Bytes& w) {
        if (w.size() == 1) {
            port.arrive({0x04}, 5);
        } else {
            // The echo holds a 06 of its own that must not count as the answer.
            Bytes echo = w;
            echo[1] = 0x06;
            port.arrive(echo, 1);
            port.arrive({0x15}, 10);
        }
    };
    std::array<std::uint8_t, 4> frame = {2, 0x06, 0x06, 0};
    link.Timing = {1, 3000};
    EXPECT_EQ(link.ExchangeRequest(frame, 0, true, {}), kStatusSendChecksum);
}

TEST_F(ExchangeTest, PageTransferResults)
{
    link.Timing = {2, 3000};
    struct Case
    {
        const char* name;
        Bytes reply;
        int code;
    };
    Bytes wrongSum = pageWithSum(3);
    wrongSum.back() ^= 0x80;
    Bytes noSum = pageWithSum(4);
    noSum.pop_back();
    for (const Case& c :
         {Case{"good", pageWithSum(1), 0}, Case{"255 bytes", pageWithSum(2, 255), 1},
          Case{"no sum byte", noSum, 1}, Case{"wrong sum", wrongSum, 4}, Case{"silence", {}, 2}}) {
        port.writes.clear();
        clock.sleeps.clear();
        port.onWrite = [this, reply = c.reply](const Bytes&) { port.arrive(reply, 30); };
        EXPECT_EQ(link.ReadPage(0x0001, buffer), c.code) << c.name;
        EXPECT_EQ(port.writes[0], (Bytes{0x02, 0x00, 0x01, 0xFD})) << c.name;
        EXPECT_EQ(port.writes.size(), c.code == 0 ? 1u : 2u) << c.name;
        if (c.code == 0)
            EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), c.reply.begin()));
        else
            EXPECT_EQ(longPauses(), std::vector<std::int64_t>{3000}) << c.name;
    }
    port.writes.clear();
    EXPECT_EQ(link.ReadPage(0, buffer), 2);
    EXPECT_EQ(port.writes[0], (Bytes{0x02, 0x00, 0x00, 0xFE}));
}

TEST_F(ExchangeTest, ProbeAnsweredOnlyBy04AfterTheFramingChange)
{
    port.onWrite = [this](const Bytes&) {
        port.arrive({0x33}, 120);
        port.arrive({0x04}, 150);
    };
    EXPECT_TRUE(link.ProbeRegistrar());
    // The 05 left in the open framing; the probe framing came after it.
    const auto write = std::find(port.events.begin(), port.events.end(), "framing probe");
    ASSERT_NE(write, port.events.end());
    EXPECT_EQ(port.writes, std::vector<Bytes>{{0x05}});
    EXPECT_EQ(port.readTimeoutMs, 100);

    port.onWrite = nullptr;
    const auto start = clock.ms;
    EXPECT_FALSE(link.ProbeRegistrar());
    EXPECT_GE(clock.ms - start, 150 + 1728);
    EXPECT_LT(clock.ms - start, 150 + 1728 + 110);
}

TEST_F(ExchangeTest, OpenPortSetsLineByLinkKind)
{
    link.ClosePort();
    port.events.clear();
    EXPECT_TRUE(link.OpenPort("Com2", 3));
    EXPECT_EQ(port.device, "/dev/ttyS1");
    EXPECT_EQ(port.events, (std::vector<std::string>{"open /dev/ttyS1", "speed 3", "framing open", "dtr 0",
                                                     "rts 0", "discard in"}));
    link.PageLink = 1;
    EXPECT_TRUE(link.OpenPort("/dev/ttyUSB0", 5));
    EXPECT_TRUE(port.dtr);
    EXPECT_EQ(link.CurrentSpeedIndex, 5);

    link.ClosePort();
    port.events.clear();
    link.ClosePort();
    EXPECT_TRUE(port.events.empty());
    EXPECT_FALSE(link.hasPort());

    port.openSucceeds = false;
    EXPECT_FALSE(link.OpenPort("com7", 3));
    EXPECT_EQ(port.device, "/dev/ttyS6");
    EXPECT_TRUE(link.hasPort());
    EXPECT_FALSE(link.portOpen());
}

} // namespace
} // namespace kest::test
