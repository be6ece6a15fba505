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

/// "file" or "server" as the test's name: a parameter printed by gtest's default
/// would be the address of the text, which differs between the listing of the tests
/// and their run, so ctest's filter would match no test and report it passed.
inline std::string engineName(const ::testing::TestParamInfo<const char*>& info)
{
    return info.param;
}

/// Instantiates a suite of EngineTest on both engines.
#define KEST_ON_BOTH_ENGINES(suite) \
    INSTANTIATE_TEST_SUITE_P(BothEngines, suite, ::testing::Values("file", "server"), ::kest::test::engineName)

} // namespace kest::test
