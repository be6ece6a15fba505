#pragma once

#include "db/ArchiveTables.h"
#include "db/PgTestServer.h"

#include <gtest/gtest.h>

namespace kest::test {

/// A test that runs once on the SQLite file and once on a fresh server database;
/// `server` is empty for the file. The fixture's own SetUp calls this one first and
/// returns when it skipped.
class EngineTest : public ::testing::TestWithParam<const char*>
{
protected:
    void SetUp() override
    {
        KEST_ENGINE_CONNECTION(GetParam(), server);
        UseArchiveServer(server);
    }
    void TearDown() override { UseArchiveServer(""); }
    bool onServer() const { return !server.empty(); }

    /// Takes the archive away: the file is deleted, on the server the tables go.
    void loseArchive(const std::filesystem::path& databasePath)
    {
        if (!onServer()) {
            std::filesystem::remove(databasePath / kDatabaseFile);
            return;
        }
        std::string error;
        auto db = OpenArchiveDatabase(databasePath, false, &error);
        ASSERT_TRUE(db) << error;
        ASSERT_TRUE(db->execute("DROP TABLE meranb, merane, arhivh, arhivd, arhivm, detail").ok());
    }

    std::string server;
};

/// Instantiates a suite of EngineTest on both engines.
#define KEST_ON_BOTH_ENGINES(suite) INSTANTIATE_TEST_SUITE_P(BothEngines, suite, ::testing::Values("file", "server"))

} // namespace kest::test
