#include "TestSupport.h"
#include "db/ArchiveTables.h"

#include <gtest/gtest.h>
#include <unistd.h>

using namespace kest;
using kest::test::TempDir;

namespace {

int runKest(const TempDir& home,
            const std::string& args,
            std::string* out = nullptr,
            std::string* err = nullptr)
{
    return test::runCommand(std::string(KEST_BIN) + " --home '" + home.path().string() + "' " + args, out,
                            err);
}

const std::string kMessage43 =
    "Отсутствуют необходимые базы, проверьте путь к базе, их наличие, целостность баз или "
    "обратитесь к администратору.";

} // namespace

TEST(InitCommand, CreatesTheDatabaseOnceAndLeavesItAlone)
{
    TempDir home;
    test::writeFile(home / "NN.INI", "[TIME]\r\nPUT=" + (home / "data").string() + "\r\n");
    std::string out;
    ASSERT_EQ(runKest(home, "init", &out), 0);
    EXPECT_NE(out.find("Database created"), std::string::npos);
    {
        std::string error;
        auto db = OpenArchiveDatabase(home / "data", false, &error);
        ASSERT_TRUE(db);
        EXPECT_TRUE(RequireTables(*db, kArchiveDatabaseTables).ok());
        ASSERT_TRUE(AppendArchiveRow(*db, ArchiveKind::Hourly, {1.0, 1, 2.0}).ok());
    }
    ASSERT_EQ(runKest(home, "init", &out), 0);
    EXPECT_NE(out.find("already present"), std::string::npos);
    std::string error;
    auto db = OpenArchiveDatabase(home / "data", false, &error);
    std::vector<ArchiveRow> rows;
    ASSERT_TRUE(SelectArchiveRange(*db, ArchiveKind::Hourly, 1, 0, 2, rows).ok());
    EXPECT_EQ(rows.size(), 1u);
}

TEST(InitCommand, ForeignFilesAndMissingTablesGiveMessage43)
{
    TempDir home;
    std::string err;
    test::writeFile(home / kDatabaseFile, "not a database");
    EXPECT_EQ(runKest(home, "init", nullptr, &err), 1);
    EXPECT_NE(err.find(kMessage43), std::string::npos) << err;
    EXPECT_EQ(test::readFile(home / kDatabaseFile), "not a database");

    std::filesystem::remove(home / kDatabaseFile);
    {
        std::string error;
        auto db = OpenArchiveDatabase(home.path(), true, &error);
        ASSERT_TRUE(db->execute("DROP TABLE detail").ok());
    }
    EXPECT_EQ(runKest(home, "init", nullptr, &err), 1);
    EXPECT_NE(err.find(kMessage43), std::string::npos);
}

TEST(InitCommand, ReadOnlyDataFolder)
{
    TempDir home;
    std::filesystem::create_directories(home / "ro");
    test::writeFile(home / "NN.INI", "[TIME]\r\nPUT=" + (home / "ro").string() + "\r\n");
    using std::filesystem::perms;
    std::filesystem::permissions(home / "ro", perms::owner_read | perms::owner_exec | perms::group_read |
                                                  perms::group_exec | perms::others_read |
                                                  perms::others_exec);
    std::string command = std::string(KEST_BIN) + " --home '" + home.path().string() + "' init";
    if (geteuid() == 0) {
        // Root writes into read-only folders, so the program runs as nobody, from a
        // copy that nobody may execute.
        std::filesystem::copy_file(KEST_BIN, home / "kest");
        std::filesystem::permissions(home.path(), perms::all);
        std::filesystem::permissions(home / "NN.INI", perms::all);
        command = "setpriv --reuid=65534 --regid=65534 --clear-groups '" + (home / "kest").string() +
                  "' --home '" + home.path().string() + "' init";
    }
    std::string err;
    EXPECT_EQ(test::runCommand(command, nullptr, &err), 1);
    EXPECT_NE(err.find(kMessage43), std::string::npos) << err;
    EXPECT_FALSE(std::filesystem::exists(home / "ro" / kDatabaseFile));
}

TEST(CommandLine, VersionHelpAndBadUsage)
{
    TempDir home;
    std::string out, err;
    EXPECT_EQ(runKest(home, "--version", &out), 0);
    EXPECT_EQ(out.rfind("kest ", 0), 0u);
    EXPECT_EQ(runKest(home, "--help", &out), 0);
    EXPECT_NE(out.find("report --blank NAME"), std::string::npos);
    EXPECT_EQ(runKest(home, "frobnicate", nullptr, &err), 1);
    EXPECT_NE(err.find("Unknown command"), std::string::npos);
    EXPECT_EQ(runKest(home, "report --blank", nullptr, &err), 1);
}

TEST(CommandLine, MissingSettingsAreReportedAndTheCommandGoesOn)
{
    TempDir home;
    test::writeFile(home / "NN.INI", "[TIME]\r\nDARH=-1\r\nPUT=" + home.path().string() + "\r\n");
    std::string err;
    EXPECT_EQ(runKest(home, "init", nullptr, &err), 0);
    EXPECT_NE(err.find("Не найден инифайл (nn.ini)"), std::string::npos) << err;
    EXPECT_TRUE(std::filesystem::exists(home / kDatabaseFile));
}
