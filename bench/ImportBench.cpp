// A year of hourly rows of 16 archives (140,160 rows) imported from an old Paradox
// table into an empty archive, against the storing pass storing the very same rows
// from registrar records in the same run. The import is fast enough when it takes
// at most one and a half times as long. The import streams the records, so the
// memory it adds does not grow with the table: a quarter and a whole year are
// imported and the growth of the resident size reported for each.
#include "db/ArchiveStore.h"
#include "import/FolderImport.h"
#include "import/ParadoxWriter.h"
#include "registrar/RegistrarImage.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace kest;

namespace {

constexpr int kArchives = 16;
constexpr std::int64_t kController = 0x0412;
// A function, not a global: the date helpers' own constants may not be set up yet
// while this file's globals are.
DateTime yearStart()
{
    return *encodeDateTime(2025, 1, 1);
}

std::filesystem::path freshDir(const std::string& name)
{
    const auto dir = std::filesystem::temp_directory_path() /
                     ("kest-importbench-" + name + "-" + std::to_string(getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

double valueAt(int archive, long hour)
{
    return archive * 1000.0 + static_cast<double>(hour) * 0.25;
}

/// Registrar visits every three days at half past eleven at night; each brings the
/// hours from midnight three days before up to ten at night, so together they cover
/// 2025 hour by hour. A last visit just after New Year brings the final hour.
std::vector<ImageRecord> yearOfVisits()
{
    RegistrarImage image;
    ResetRegistrarImage(image);
    std::vector<DateTime> times;
    for (DateTime day = yearStart() + 3; day < yearStart() + 365; day += 3)
        times.push_back(day + 23.5 * kOneHour);
    times.push_back(yearStart() + 364 + 23.5 * kOneHour);
    times.push_back(yearStart() + 365);
    std::vector<ImageRecord> visits;
    for (const DateTime t : times) {
        ImageRecord rec = image.record(1);
        rec.RecordTime = t;
        rec.RecordYear = decodeDateTime(t).year;
        const long firstHour = std::lround((dateOf(t) - 3 - yearStart()) * 24);
        for (int k = 0; k < kArchives; ++k) {
            rec.Settings.HourlyFlags[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(k);
            for (int s = 0; s < kHourlySlots; ++s)
                rec.Hourly[static_cast<std::size_t>(k)][static_cast<std::size_t>(s)] = valueAt(k, firstHour + s);
        }
        visits.push_back(rec);
    }
    return visits;
}

long storedRows(ArchiveDatabase& db)
{
    std::vector<std::int64_t> keys;
    (void)db.selectArchiveKeys(ArchiveKind::Hourly, 0, std::int64_t{1} << 28, keys);
    long rows = 0;
    for (const std::int64_t key : keys) {
        std::vector<ArchiveRow> range;
        (void)db.selectArchiveRange(ArchiveKind::Hourly, key, 0, 1e6, range);
        rows += static_cast<long>(range.size());
    }
    return rows;
}

/// The old table with the same rows, `hours` hours of each archive.
std::filesystem::path oldTable(long hours)
{
    const auto dir = freshDir("old-" + std::to_string(hours));
    test::writeParadoxTableFrom(dir / "arhivh.db", test::archiveColumns(), hours * kArchives, [](long i) {
        const long hour = i / kArchives;
        const int k = static_cast<int>(i % kArchives);
        const auto p = decodeDateTime(yearStart() + hour * kOneHour);
        return test::PxRow{test::pxTimestamp(p.year, p.month, p.day, p.hour),
                           double(ArchiveKey(kController, ArchiveKind::Hourly, k)), valueAt(k, hour)};
    });
    return dir;
}

long residentKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return 0;
}

void BM_StoringPassStoresAYear(benchmark::State& state)
{
    const auto visits = yearOfVisits();
    long rows = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const auto dir = freshDir("store");
        std::string error;
        auto db = OpenArchiveDatabase(dir, true, &error);
        ArchiveStore store(*db, StoreVariant::Request, DepthLimits{400, 400, 400, 400},
                           *encodeDateTime(2026, 1, 1));
        state.ResumeTiming();
        for (const auto& rec : visits) {
            if (!store.storeRecord(rec, kController).ok())
                state.SkipWithError("the storing pass failed");
        }
        state.PauseTiming();
        rows = storedRows(*db);
        db.reset();
        std::filesystem::remove_all(dir);
        state.ResumeTiming();
    }
    state.counters["rows"] = static_cast<double>(rows);
}

void BM_ImportAYear(benchmark::State& state)
{
    const long hours = state.range(0);
    const auto old = oldTable(hours);
    long rows = 0;
    long growth = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const auto dir = freshDir("import");
        std::string error;
        auto db = OpenArchiveDatabase(dir, true, &error);
        const long before = residentKb();
        state.ResumeTiming();
        const ImportSummary summary = ImportFolder(old, *db, {});
        state.PauseTiming();
        growth = std::max(growth, residentKb() - before);
        if (!summary.ok())
            state.SkipWithError(summaryLines(summary).back().c_str());
        rows = storedRows(*db);
        db.reset();
        std::filesystem::remove_all(dir);
        state.ResumeTiming();
    }
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["rss_growth_kB"] = static_cast<double>(growth);
    std::filesystem::remove_all(old);
}

} // namespace

BENCHMARK(BM_StoringPassStoresAYear)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_ImportAYear)->Arg(8760 / 4)->Arg(8760)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
