#pragma once

#include "TestSupport.h"
#include "db/ArchiveTables.h"

#include <filesystem>
#include <memory>
#include <string>

namespace kest::test {

/// A program folder for `kest report`: NN.INI pointing at home/data, the delivered
/// example blanks and an empty archive database there, open for the test to fill.
/// With a `server` the archive is there and NN.INI names it.
inline std::unique_ptr<ArchiveDatabase> prepareReportHome(const TempDir& home, const std::string& server = "")
{
    const auto data = home / "data";
    std::filesystem::create_directories(data);
    writeFile(home / "NN.INI", "[TIME]\r\nPUT=" + data.string() + "/\r\n" +
                                   (server.empty() ? "" : "SERVER=" + server + "\r\n"));
    UseArchiveServer(server);
    std::filesystem::copy_file(std::filesystem::path(KEST_SOURCE_DIR) / "data/blanks/BLANK.INI",
                               data / "BLANK.INI");
    std::string error;
    return OpenArchiveDatabase(data, true, &error);
}

/// Hourly values 1 of archive 4 of controller 1A2F, every hour of January 2024: a
/// month of the example hourly blank, more than a page long.
inline void fillJanuaryHours(ArchiveDatabase& db)
{
    const DateTime start = *encodeDateTime(2024, 1, 1);
    for (int h = 0; h < 31 * 24; ++h)
        WriteArchiveRow(db, ArchiveKind::Hourly,
                        {start + h * kOneHour, ArchiveKey(0x1A2F, ArchiveKind::Hourly, 4), 1});
}

/// `kest report` of the example hourly blank over January 2024 into `out`.
inline std::string januaryReportCommand(const TempDir& home, const std::filesystem::path& out)
{
    return std::string(KEST_BIN) + " --home '" + home.path().string() +
           "' report --blank 'Часовой отчет МЕРАН 1A2F' --from 2024-01-01 --to 2024-01-31 --to-hour 23 --out "
           "'" +
           out.string() + "'";
}

} // namespace kest::test
