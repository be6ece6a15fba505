#include "SessionMaker.h"

#include "MemoryPort.h"
#include "common/EventPump.h"
#include "common/ExchangeLog.h"
#include "common/Prompter.h"
#include "db/ArchiveTables.h"
#include "exchange/Connection.h"
#include "exchange/ArchivePasses.h"
#include "registrar/RegistrarImage.h"
#include "session/RecordingPort.h"
#include "session/SessionRun.h"

#include <sstream>

namespace kest::sim {

std::string fullRegistrarRecordFile()
{
    std::ostringstream text;
    for (int r = 0; r < 32; ++r) {
        text << "record\ncontroller " << std::hex << 0x0100 + r << std::dec << "\ntime 15.03.2026 10:00\n";
        for (int k = 0; k < 32; ++k)
            text << "hourly " << k << " ramp " << r * 100 + k << " 0.25\n";
        for (int k = 0; k < 64; ++k)
            text << "daily " << k << " ramp " << k << " 1\n";
        for (int k = 0; k < 64; ++k)
            text << "monthly " << k << " ramp " << k << " 10\n";
        for (int k = 0; k < 28; ++k)
            text << "extended " << k << " ramp 0 1\n";
        for (int k = 0; k < 14; ++k)
            text << "interval " << k << " ramp 0 0.5\n";
    }
    return text.str();
}

std::optional<SessionData> recordRead(const RegistrarMemory& memory,
                                      LinkKind link,
                                      const std::filesystem::path& databasePath,
                                      std::string& error,
                                      ExchangeProgress* progress)
{
    ReplayClock clock;
    MemoryPort line(memory, link, clock);
    RecordingPort recording(line, [&] { return clock.monotonicUs(); });
    RegistrarLink registrar(recording, clock);
    ExchangeState state;
    NullEventPump pump;
    MemoryExchangeLog log;
    MemoryPrompter prompter;
    Catalog catalog;
    RegistrarImage image;
    ExchangeContext ctx{
        registrar, state, pump, log, prompter, catalog, image, clock, 3, 3, databasePath.string() + "/"};
    registrar.Timing = {3, 3030};
    ctx.progress = progress;
    const std::string marks = currentArchiveSettings(databasePath);
    PassState pass;
    if (!EstablishConnection(ctx, "memory") || state.ExchangeStatus != kStatusOk) {
        error = "no connection";
        return std::nullopt;
    }
    ReadingPass(ctx, pass);
    if (pass.PassDone != 1) {
        error = log.lines.empty() ? "the reading pass failed" : log.lines.back();
        return std::nullopt;
    }
    auto db = OpenArchiveDatabase(databasePath, false, &error);
    return sessionOfRead(ctx, "2026-03-15 10:30:00", marks, db.get(), recording.events());
}

} // namespace kest::sim
