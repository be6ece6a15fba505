// How long the windows go without their events during an exchange with kest-sim, and
// how soon "СТОП" ends an exchange with a silent line: the program's waits as they
// are ("responsive") against the same link waiting in one piece ("whole"), in the
// same run. The full paced read compares the two for speed.

#include "BenchSimulator.h"
#include "EventLoopGaps.h"
#include "common/ExchangeLog.h"
#include "common/Prompter.h"
#include "db/ArchiveTables.h"
#include "exchange/ArchivePasses.h"
#include "exchange/CatalogReader.h"
#include "exchange/Connection.h"
#include "link/LinkWaits.h"
#include "link/TermiosPort.h"
#include "registrar/Catalog.h"
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
using bench::EventLoopGaps;

/// kest-sim on a pty speaking the page link, with `extra` arguments.
class Simulator : public bench::BenchSimulator
{
public:
    Simulator(const std::string& records, std::vector<std::string> extra)
        : BenchSimulator(records, withPageLink(std::move(extra)))
    {
    }

private:
    static std::vector<std::string> withPageLink(std::vector<std::string> extra)
    {
        extra.insert(extra.begin(), {"--link", "page"});
        return extra;
    }
};

/// `count` records of controllers 0101.., each with hourly, daily, extended hourly
/// and interval archives, so that a record takes some thirty pages and its storing
/// some time.
std::string records(int count)
{
    std::ostringstream text;
    for (int i = 1; i <= count; ++i)
        text << "record\ncontroller " << std::hex << (0x0100 + i) << std::dec << "\ntime 01.03.2026 10:" << 10 + i
             << "\nhourly 1 ramp 1 1\nhourly 2 ramp 5 1\ndaily 1 ramp 30 1\nmonthly 1 ramp 40 1\n"
                "extended 1 ramp 0 1\ninterval 1 ramp 0 1\n";
    return text.str();
}

/// The program's exchange with its waits sliced (`responsive`) or, as a baseline,
/// with every wait in one piece and events only at the fixed points.
struct Rig
{
    Rig(const Simulator& sim, bool responsive)
        : responsive(responsive), waits(gaps, state), slicedClock(system, waits), slicedPort(port, system, waits),
          link(responsive ? static_cast<SerialPort&>(slicedPort) : port,
               responsive ? static_cast<Clock&>(slicedClock) : system),
          ctx{link, state, gaps, log, prompter, catalog, image, responsive ? static_cast<Clock&>(slicedClock) : system,
              2, 1, sim.dir().string() + "/", nullptr}
    {
        if (responsive)
            link.watchStop(&state);
        link.Timing = {2, 1010};
        std::string error;
        OpenArchiveDatabase(sim.dir(), true, &error);
    }

    bool responsive;
    SystemClock system;
    TermiosPort port;
    ExchangeState state;
    EventLoopGaps gaps{state};
    WaitPump waits;
    ResponsiveClock slicedClock;
    ResponsivePort slicedPort;
    RegistrarLink link;
    MemoryExchangeLog log;
    MemoryPrompter prompter;
    Catalog catalog;
    RegistrarImage image;
    ExchangeContext ctx;
};

void variantLabel(benchmark::State& state, bool responsive)
{
    state.SetLabel(responsive ? "responsive" : "whole");
}

// Replies 0.3 s late: the catalog read, then the reading pass of two records.
void BM_GapsSlowReplies(benchmark::State& state)
{
    const bool responsive = state.range(0) == 1;
    variantLabel(state, responsive);
    Simulator sim(records(2), {"--reply-delay", "300"});
    double catalogGap = 0, readingGap = 0;
    for (auto _ : state) {
        Rig rig(sim, responsive);
        if (!EstablishConnection(rig.ctx, sim.device())) {
            state.SkipWithError("no connection");
            return;
        }
        rig.gaps.start();
        ReadCatalogCommand(rig.ctx);
        catalogGap = static_cast<double>(rig.gaps.finish());
        PassState pass;
        rig.gaps.start();
        ReadingPass(rig.ctx, pass);
        readingGap = static_cast<double>(rig.gaps.finish());
        if (pass.PassDone != 1)
            state.SkipWithError("reading pass failed");
    }
    state.counters["catalog_gap_ms"] = catalogGap;
    state.counters["reading_gap_ms"] = readingGap;
}

// The storing pass of 32 full records.
void BM_GapsStoringPass(benchmark::State& state)
{
    Simulator sim(records(32), {});
    Rig rig(sim, true);
    PassState pass;
    if (!EstablishConnection(rig.ctx, sim.device()) || ReadCatalogCommand(rig.ctx) != 0) {
        state.SkipWithError("no connection");
        return;
    }
    ReadingPass(rig.ctx, pass);
    double gap = 0;
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(sim.dir() / kDatabaseFile);
        std::string error;
        OpenArchiveDatabase(sim.dir(), true, &error);
        state.ResumeTiming();
        rig.gaps.start();
        StoringPass(rig.ctx, pass, DepthLimits{36500, 36500, 36500, 36500});
        gap = static_cast<double>(rig.gaps.finish());
        if (pass.PassDone != 1)
            state.SkipWithError("storing pass failed");
    }
    state.counters["storing_gap_ms"] = gap;
}

// A registrar that never answers: the catalog read with its repeats, and "СТОП"
// pressed 1.5 s in.
void BM_GapsSilentLine(benchmark::State& state)
{
    const bool responsive = state.range(0) == 1;
    variantLabel(state, responsive);
    Simulator sim(records(2), {"--silent", "1000000"});
    double gap = 0, stopToEnd = 0;
    for (auto _ : state) {
        Rig rig(sim, responsive);
        rig.link.PageLink = 1;
        if (!rig.link.OpenPort(sim.device(), 5)) {
            state.SkipWithError("no simulator");
            return;
        }
        rig.gaps.start(1500);
        ReadCatalogCommand(rig.ctx);
        stopToEnd = static_cast<double>(rig.gaps.sinceStopMs());
        gap = static_cast<double>(rig.gaps.finish());
        if (rig.state.ExchangeStatus != kStatusStopped)
            state.SkipWithError("not stopped");
    }
    state.counters["gap_ms"] = gap;
    state.counters["stop_to_end_ms"] = stopToEnd;
}

// Connection, catalog and reading pass of three records with the simulator pacing
// its bytes at 9600 baud: the sliced waits must not make the read slower.
void BM_FullPagedRead(benchmark::State& state)
{
    const bool responsive = state.range(0) == 1;
    variantLabel(state, responsive);
    Simulator sim(records(3), {"--pace"});
    for (auto _ : state) {
        Rig rig(sim, responsive);
        PassState pass;
        if (!EstablishConnection(rig.ctx, sim.device()) || ReadCatalogCommand(rig.ctx) != 0) {
            state.SkipWithError("no connection");
            return;
        }
        ReadingPass(rig.ctx, pass);
        if (pass.PassDone != 1)
            state.SkipWithError("reading pass failed");
    }
}

} // namespace

BENCHMARK(BM_GapsSlowReplies)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_GapsStoringPass)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_GapsSilentLine)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_FullPagedRead)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
