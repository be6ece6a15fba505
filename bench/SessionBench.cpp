// A full registrar (32 records, every archive of every kind) read in-process into a
// session file, then `kest store` of that file (unpack, run the readers over the
// recording, store) against the storing pass alone of the same image, in the same
// run. Re-reading from the file may add at most 20 % to the storing pass.
#include "RecordFile.h"
#include "SessionMaker.h"
#include "app/CommandLine.h"
#include "app/ConsoleSession.h"
#include "common/AtomicFile.h"
#include "db/ArchiveTables.h"
#include "session/SessionFolder.h"
#include "session/SessionRun.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <unistd.h>

using namespace kest;

namespace {

struct Fixture
{
    std::filesystem::path dir;
    std::filesystem::path file;
    SessionData session;
    std::uintmax_t size = 0;
};

std::filesystem::path home(const Fixture& f)
{
    return f.dir / "home";
}

/// A program folder whose database is empty again.
void emptyDatabase(const Fixture& f)
{
    const auto data = home(f) / "data";
    std::filesystem::remove_all(data);
    std::filesystem::create_directories(data);
    std::string error;
    OpenArchiveDatabase(data, true, &error);
}

const Fixture& fixture()
{
    static Fixture f = [] {
        Fixture out;
        out.dir = std::filesystem::temp_directory_path() / ("kest-sessionbench-" + std::to_string(getpid()));
        std::filesystem::remove_all(out.dir);
        std::filesystem::create_directories(home(out) / "data");
        (void)writeFileAtomically(home(out) / "NN.INI",
                                  "[TIME]\r\nDARH=36500\r\nDARD=36500\r\nDARM=36500\r\nDok=36500\r\nPUT=" +
                                      (home(out) / "data").string() + "/\r\n");
        std::string error;
        const auto records = sim::ParseRecordFile(sim::fullRegistrarRecordFile(), error);
        const auto memory = sim::RegistrarMemory::build(*records, sim::LinkKind::Page, error);
        emptyDatabase(out);
        out.session = *sim::recordRead(*memory, sim::LinkKind::Page, home(out) / "data", error);
        out.file = *saveSession(out.dir, out.session, error);
        out.size = std::filesystem::file_size(out.file);
        std::atexit([] { std::filesystem::remove_all(fixture().dir); });
        return out;
    }();
    return f;
}

void BM_StoreFromSession(benchmark::State& state)
{
    const Fixture& f = fixture();
    std::ostringstream out, err;
    int status = -1;
    for (auto _ : state) {
        state.PauseTiming();
        emptyDatabase(f);
        out.str("");
        state.ResumeTiming();
        status =
            RunCommandLine({"kest", "--home", home(f).string(), "store", f.file.string()}, "kest", out, err);
    }
    if (status != 0)
        state.SkipWithError(err.str().c_str());
    state.counters["session_MB"] = static_cast<double>(f.size) / (1024.0 * 1024.0);
    state.counters["link_MB"] = static_cast<double>(f.session.exchanges.size()) / (1024.0 * 1024.0);
}

void BM_StoringPassOnly(benchmark::State& state)
{
    const Fixture& f = fixture();
    ExchangeSettings settings = LoadExchangeSettings(home(f));
    std::ostringstream out, err;
    int done = 0;
    for (auto _ : state) {
        state.PauseTiming();
        emptyDatabase(f);
        ReplayClock clock;
        ReplayPort port(f.session.exchanges, clock);
        ConsoleSession console(settings, out, err, &port, &clock);
        prepareReplay(console.exchange(), f.session);
        PassState pass;
        (void)replayRead(console.exchange(), pass, settings.Port, f.session, port);
        state.ResumeTiming();
        StoringPass(console.exchange(), pass, depthLimitsFor(settings), settings.DatabaseWait);
        done = pass.PassDone;
    }
    if (done != 1)
        state.SkipWithError("the storing pass failed");
}

void BM_EncodeSession(benchmark::State& state)
{
    const Fixture& f = fixture();
    for (auto _ : state)
        benchmark::DoNotOptimize(encodeSession(f.session));
}

} // namespace

BENCHMARK(BM_StoringPassOnly)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_StoreFromSession)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_EncodeSession)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
