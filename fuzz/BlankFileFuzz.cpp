// Any bytes as BLANK.INI: counting and loading every blank never crashes and keeps
// the record's numbers inside their ranges.
#include "reports/BlankFile.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace kest;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::filesystem::path dir = [] {
        auto d = std::filesystem::temp_directory_path() / ("kest-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(d);
        return d;
    }();
    {
        std::ofstream out(dir / "BLANK.INI", std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    BlankState state;
    state.DatabasePath = dir;
    const int count = CountBlanks(state);
    for (int n = 1; n <= count && n <= 8; ++n)
        LoadBlank(state, n);
    return 0;
}
