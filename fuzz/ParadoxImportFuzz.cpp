// Any bytes as an old table: the import names the fault or reads the rows, never
// crashes, and stores nothing when the check refuses the file.
#include "db/ArchiveTables.h"
#include "import/FolderImport.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

using namespace kest;

namespace {

struct Place
{
    std::filesystem::path folder;
    std::unique_ptr<Database> db;

    Place()
    {
        folder = std::filesystem::temp_directory_path() / ("kest-fuzz-px-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder / "old");
        std::string error;
        db = OpenArchiveDatabase(folder, true, &error);
        if (!db)
            std::abort();
    }
    ~Place() { std::filesystem::remove_all(folder); }
};

void writeBytes(const std::filesystem::path& file, const std::uint8_t* data, std::size_t size)
{
    std::FILE* f = std::fopen(file.c_str(), "wb");
    if (f == nullptr)
        std::abort();
    std::fwrite(data, 1, size, f);
    std::fclose(f);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Place place;
    // The same bytes as a controller table and as an archive table, so both kinds of
    // rows are read from whatever the header promises.
    writeBytes(place.folder / "old" / "meranb.db", data, size);
    writeBytes(place.folder / "old" / "arhivh.db", data, size);
    ImportOptions options;
    options.checkOnly = true;
    const ImportSummary summary = ImportFolder(place.folder / "old", *place.db, options);
    for (const auto& t : summary.tables) {
        if (t.present() && !t.whole && t.problem.empty())
            std::abort(); // a table that was not read whole always says why
        if (t.read > t.records)
            std::abort();
    }
    return 0;
}
