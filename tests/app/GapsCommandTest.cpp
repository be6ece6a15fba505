#include "ReportHome.h"
#include "db/EngineTest.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace kest {
namespace {

using test::readFile;
using test::runCommand;
using test::TempDir;

class GapsCommandTest : public test::EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        auto db = test::prepareReportHome(dir, server);
        const DateTime start = *encodeDateTime(2024, 3, 1);
        for (int h = 0; h < 48; ++h) {
            if (h != 30)
                WriteArchiveRow(*db, ArchiveKind::Hourly,
                                {start + h * kOneHour, ArchiveKey(0x1A2F, ArchiveKind::Hourly, 4), 1.0});
        }
        WriteArchiveRow(*db, ArchiveKind::Daily, {start, ArchiveKey(0x1A2F, ArchiveKind::Daily, 2), 1.0});
    }

    int gaps(const std::string& args, std::string* out = nullptr, std::string* err = nullptr)
    {
        return runCommand(std::string(KEST_BIN) + " --home '" + dir.path().string() + "' gaps " + args, out,
                          err);
    }

    TempDir dir;
};

TEST_P(GapsCommandTest, WritesTheTableToStdoutOrAFile)
{
    const std::string expected = "Контроллер;Архив;Номер;Ожидается;Есть;Вне сетки;Пропуски\n"
                                 "1A2F;часовой;04;48;47;0;02.03.2024 06:00\n"
                                 "1A2F;суточный;02;2;1;0;02.03.2024\n";
    std::string out, err;
    ASSERT_EQ(gaps("--from 2024-03-01 --to 2024-03-02", &out, &err), 0) << err;
    EXPECT_EQ(out, expected);

    const std::string csv = (dir / "gaps.CSV").string();
    ASSERT_EQ(
        gaps("--from 2024-03-01 --to 2024-03-02 --controller 1a2f --kind daily --out " + csv, &out, &err), 0)
        << err;
    EXPECT_EQ(out, "");
    EXPECT_EQ(readFile(csv), "Контроллер;Архив;Номер;Ожидается;Есть;Вне сетки;Пропуски\n"
                             "1A2F;суточный;02;2;1;0;02.03.2024\n");
}

TEST_P(GapsCommandTest, RefusesBadOptionsAndAMissingDatabase)
{
    std::string err;
    EXPECT_EQ(gaps("--from 2024-03-02 --to 2024-03-01", nullptr, &err), 1);
    EXPECT_NE(err.find("Неверно указан диапазон"), std::string::npos);
    EXPECT_EQ(gaps("--from 2024-03-01"), 1);
    EXPECT_EQ(gaps("--from 2024-03-01 --to 2024-02-30"), 1);
    EXPECT_EQ(gaps("--from 2024-03-01 --to 2024-03-02 --controller 1A2F0"), 1);
    EXPECT_EQ(gaps("--from 2024-03-01 --to 2024-03-02 --controller XY"), 1);
    EXPECT_EQ(gaps("--from 2024-03-01 --to 2024-03-02 --controller -1"), 1);
    EXPECT_EQ(gaps("--from 2024-03-01 --to 2024-03-02 --kind weekly"), 1);
    EXPECT_EQ(gaps("--from 2024-03-01 --to 2024-03-02 --out gaps.xlsx"), 1);

    loseArchive(dir / "data");
    EXPECT_EQ(gaps("--from 2024-03-01 --to 2024-03-02", nullptr, &err), 1);
    EXPECT_NE(err.find("Отсутствуют необходимые базы"), std::string::npos);
}

KEST_ON_BOTH_ENGINES(GapsCommandTest);

} // namespace
} // namespace kest
