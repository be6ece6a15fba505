#include "ReportHome.h"
#include "TestSupport.h"
#include "db/ArchiveCopy.h"
#include "db/PgTestServer.h"

#include <gtest/gtest.h>

namespace kest {
namespace {

using test::runCommand;
using test::TempDir;

class CopyCommandTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        test::PgTestServer* server = nullptr;
        KEST_TEST_SERVER(server);
        archive = server->freshDatabase();
        auto db = test::prepareReportHome(fileHome);
        ASSERT_TRUE(db);
        ASSERT_TRUE(EnsureControllerRows(*db, 0x1A2F).ok());
        ASSERT_TRUE(UpdateControllerName(*db, 0x1A2F, "Котельная №2").ok());
        ASSERT_TRUE(UpdateControllerSettlement(*db, 0x1A2F, 9, 25, 1, 10).ok());
        const DateTime start = *encodeDateTime(2024, 3, 1);
        for (int h = 0; h < 50; ++h)
            ASSERT_TRUE(WriteArchiveRow(*db, ArchiveKind::Hourly, {start + h * kOneHour, ArchiveKey(0x1A2F, ArchiveKind::Hourly, h % 3), h / 7.0}).ok());
        ASSERT_TRUE(WriteArchiveRow(*db, ArchiveKind::Daily, {start, ArchiveKey(0x1A2F, ArchiveKind::Daily, 2), 1.5}).ok());
        ASSERT_TRUE(WriteArchiveRow(*db, ArchiveKind::Monthly, {start, ArchiveKey(0x1A2F, ArchiveKind::Monthly, 1), 80}).ok());
        ASSERT_TRUE(WriteArchiveRow(*db, ArchiveKind::Interval, {start + 1.0 / 288, ArchiveKey(0x1A2F, ArchiveKind::Interval, 0), -2.25}).ok());
        db.reset();
        (void)test::prepareReportHome(serverHome, archive);
        UseArchiveServer("");
    }

    int copy(const TempDir& home, const std::string& to, std::string& out, std::string& err)
    {
        return runCommand(std::string(KEST_BIN) + " --home '" + home.path().string() + "' copy --to '" + to + "'", &out,
                          &err);
    }

    std::string archive;
    TempDir fileHome, serverHome;
};

TEST_F(CopyCommandTest, AFileGoesOntoTheServerAndBackWithTheSameChecksums)
{
    std::string out, err;
    ASSERT_EQ(copy(fileHome, archive, out, err), 0) << out << err;
    EXPECT_NE(out.find("arhivh\t50\t50\t50\t0\t"), std::string::npos) << out;
    EXPECT_NE(out.find("meranb\t1\t1\t1\t0\t"), std::string::npos) << out;
    EXPECT_EQ(out.find("NO"), std::string::npos) << out;

    ASSERT_EQ(copy(fileHome, archive, out, err), 0) << out << err;
    EXPECT_NE(out.find("arhivh\t50\t50\t0\t50\t"), std::string::npos) << "rows the target has are kept: " << out;

    const auto backup = serverHome / "backup.sqlite";
    ASSERT_EQ(copy(serverHome, backup.string(), out, err), 0) << out << err;
    EXPECT_NE(out.find("detail\t1\t1\t1\t0\t"), std::string::npos) << out;

    // A backup whose rows differ from the server's is kept as it is and reported.
    {
        std::string error;
        auto db = OpenCopyTarget(backup.string(), &error);
        ASSERT_TRUE(db) << error;
        ASSERT_TRUE(WriteArchiveRow(*db, ArchiveKind::Daily, {*encodeDateTime(2024, 3, 1), ArchiveKey(0x1A2F, ArchiveKind::Daily, 2), 9}).ok());
    }
    EXPECT_EQ(copy(serverHome, backup.string(), out, err), 1);
    EXPECT_NE(out.find("arhivd\t1\t1\t0\t1\t"), std::string::npos) << out;
    EXPECT_NE(out.find("NO"), std::string::npos) << out;

    EXPECT_EQ(copy(serverHome, "host=/nonexistent dbname=x", out, err), 1);
    EXPECT_NE(err.find("/nonexistent"), std::string::npos) << err;
}

} // namespace
} // namespace kest
