#pragma once

#include "TestSupport.h"
#include "db/ArchiveTables.h"

#include <filesystem>
#include <memory>
#include <string>

namespace kest::test {

/// A program folder for `kest report`: NN.INI pointing at home/data, the delivered
/// example blanks and an empty archive database there, open for the test to fill.
inline std::unique_ptr<Database> prepareReportHome(const TempDir& home)
{
    const auto data = home / "data";
    std::filesystem::create_directories(data);
    writeFile(home / "NN.INI", "[TIME]\r\nPUT=" + data.string() + "/\r\n");
    std::filesystem::copy_file(std::filesystem::path(KEST_SOURCE_DIR) / "data/blanks/BLANK.INI",
                               data / "BLANK.INI");
    std::string error;
    return OpenArchiveDatabase(data, true, &error);
}

} // namespace kest::test
