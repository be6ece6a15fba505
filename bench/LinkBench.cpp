// The link over a pseudo-terminal with kest-sim at the other end: one page exchange,
// a full catalog read, and at 9600 baud with the simulator pacing its bytes, how
// much of a page exchange is the program's own time beyond the line's.

#include "BenchSimulator.h"
#include "common/EventPump.h"
#include "common/ExchangeLog.h"
#include "common/Prompter.h"
#include "db/ArchiveTables.h"
#include "exchange/ExchangeContext.h"
#include "link/TermiosPort.h"
#include "registrar/Catalog.h"
#include "exchange/CatalogReader.h"
#include "registrar/RegistrarImage.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace kest;

/// kest-sim beside the bench folder, serving 32 plain records on a pty.
class Simulator : public bench::BenchSimulator
{
public:
    Simulator(const std::string& link, bool pace) : BenchSimulator(plainRecords(), arguments(link, pace)) {}

private:
    static std::string plainRecords()
    {
        std::ostringstream records;
        for (int i = 1; i <= 32; ++i)
            records << "record\ncontroller " << std::hex << (0x0100 + i) << std::dec
                    << "\ntime 01.01.2026 10:" << (10 + i) << "\nhourly 1 ramp 1 1\n";
        return records.str();
    }
    static std::vector<std::string> arguments(const std::string& link, bool pace)
    {
        std::vector<std::string> args = {"--link", link};
        if (pace)
            args.push_back("--pace");
        return args;
    }
};

void pageExchange(benchmark::State& state, bool pace)
{
    Simulator sim("page", pace);
    SystemClock clock;
    TermiosPort port;
    RegistrarLink link(port, clock);
    link.PageLink = 1;
    link.Timing = {1, 10};
    if (!link.OpenPort(sim.device(), 5)) {
        state.SkipWithError("no simulator");
        return;
    }
    LinkBuffer page{};
    for (auto _ : state) {
        if (link.ReadPage(2, page) != 0)
            state.SkipWithError("page read failed");
    }
    // 4 request bytes and 257 reply bytes of 11 bits each at 9600 baud.
    const double lineMs = 261.0 * 11.0 / 9600.0 * 1000.0;
    state.counters["line_ms"] = pace ? lineMs : 0.0;
}

void BM_PageExchange(benchmark::State& state)
{
    pageExchange(state, false);
}
void BM_PageExchangePaced9600(benchmark::State& state)
{
    pageExchange(state, true);
}

void catalogRead(benchmark::State& state, const std::string& kind)
{
    Simulator sim(kind, false);
    SystemClock clock;
    TermiosPort port;
    RegistrarLink link(port, clock);
    link.PageLink = kind == "page" ? 1 : 0;
    link.Timing = {1, 10};
    if (!link.OpenPort(sim.device(), link.PageLink == 1 ? 5 : 3)) {
        state.SkipWithError("no simulator");
        return;
    }
    std::string error;
    OpenArchiveDatabase(sim.dir(), true, &error);
    ExchangeState exchange;
    NullEventPump pump;
    MemoryExchangeLog log;
    MemoryPrompter prompter;
    Catalog catalog;
    RegistrarImage image;
    ExchangeContext ctx{
        link, exchange, pump, log, prompter, catalog, image, clock, 1, 1, sim.dir().string() + "/", nullptr};
    for (auto _ : state) {
        log.lines.clear();
        if (ReadCatalogCommand(ctx) != 0 || catalog.count != 32)
            state.SkipWithError("catalog read failed");
    }
}

void BM_CatalogRead32PageLink(benchmark::State& state)
{
    catalogRead(state, "page");
}
void BM_CatalogRead32RequestLink(benchmark::State& state)
{
    catalogRead(state, "request");
}

} // namespace

BENCHMARK(BM_PageExchange)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PageExchangePaced9600)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
BENCHMARK(BM_CatalogRead32PageLink)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CatalogRead32RequestLink)->Unit(benchmark::kMillisecond)->UseRealTime();
