#include "app/TerminalProgress.h"

#include "RecordFile.h"
#include "SessionMaker.h"
#include "TestSupport.h"
#include "db/ArchiveTables.h"

#include <gtest/gtest.h>
#include <sstream>

namespace kest {
namespace {

TEST(TerminalProgressTest, LineSaysRecordShareAndTimeLeft)
{
    EXPECT_EQ(TerminalProgress::text(3, 32, "0412", 50, 200, 30.0),
              "Запись 3 из 32, МЕРАН 0412, 25 %, осталось 1 мин 30 с");
    EXPECT_EQ(TerminalProgress::text(1, 32, "0100", 10, 28000, 125.0),
              "Запись 1 из 32, МЕРАН 0100, 0 %, осталось 97 ч 11 мин");
    EXPECT_EQ(TerminalProgress::text(2, 2, "1A2F", 7, 7, 3.0), "Запись 2 из 2, МЕРАН 1A2F, 100 %");
    EXPECT_EQ(TerminalProgress::text(1, 1, "1A2F", 0, 7, 0.0), "Запись 1 из 1, МЕРАН 1A2F, 0 %");
}

// The share of the read is counted from the catalog alone; a wrong count per kind of
// archive would leave the line short of 100 % at the end, or reach it early.
TEST(TerminalProgressTest, CatalogForetellsEveryRequestOfTheRead)
{
    for (const auto& [file, link] : {std::pair{"page-link.txt", sim::LinkKind::Page},
                                     std::pair{"request-link.txt", sim::LinkKind::Request}}) {
        const std::string text =
            test::readFile(std::filesystem::path(KEST_SOURCE_DIR) / "data" / "sim" / file);
        std::string error;
        const auto records = sim::ParseRecordFile(text, error);
        const auto memory = sim::RegistrarMemory::build(*records, link, error);
        ASSERT_TRUE(memory) << error;
        test::TempDir dir;
        ASSERT_TRUE(OpenArchiveDatabase(dir.path(), true, &error));

        Catalog catalog;
        int pageLink = link == sim::LinkKind::Page ? 1 : 0;
        std::ostringstream line;
        TerminalProgress progress(line, catalog, pageLink);
        // A first read gives the catalog; the second is followed step by step.
        struct Steps final : ExchangeProgress
        {
            TerminalProgress* target = nullptr;
            void setPosition(int) override {}
            void step() override { target->step(); }
        } steps;
        steps.target = &progress;
        const auto session = sim::recordRead(*memory, link, dir.path(), error);
        ASSERT_TRUE(session) << error;
        catalog = session->catalog;
        progress.setPosition(0);
        ASSERT_TRUE(sim::recordRead(*memory, link, dir.path(), error, &steps)) << error;
        EXPECT_EQ(progress.done(), progress.total()) << file;
        EXPECT_NE(line.str().find(", 100 %"), std::string::npos) << file;
    }
}

} // namespace
} // namespace kest
