#include "app/ReportHome.h"
#include "import/ParadoxWriter.h"
#include "import/PxLib.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace kest;
using namespace kest::test;

namespace {

/// Hours of March 1–2 2024 of controller 0412 (archives 1 to 3) and of January 2024
/// of 1A2F (archive 4), as the old program kept them and as Kest would have them.
struct OldRow
{
    DateTime time;
    std::int64_t key;
    double value;
};

std::vector<OldRow> oldHours()
{
    std::vector<OldRow> rows;
    const DateTime march = *encodeDateTime(2024, 3, 1);
    for (int h = 0; h < 48; ++h) {
        const DateTime t = march + h * kOneHour;
        rows.push_back({t, ArchiveKey(0x0412, ArchiveKind::Hourly, 1), 0.125 * h});
        rows.push_back({t, ArchiveKey(0x0412, ArchiveKind::Hourly, 2), 1000.0 + 2 * h});
        rows.push_back({t, ArchiveKey(0x0412, ArchiveKind::Hourly, 3), 70.0 + h % 3});
    }
    const DateTime january = *encodeDateTime(2024, 1, 1);
    for (int h = 0; h < 31 * 24; ++h)
        rows.push_back({january + h * kOneHour, ArchiveKey(0x1A2F, ArchiveKind::Hourly, 4), 0.5 + h % 24});
    return rows;
}

void writeOldHours(const std::filesystem::path& file)
{
    const auto rows = oldHours();
    writeParadoxTableFrom(file, archiveColumns(), static_cast<long>(rows.size()), [&](long i) {
        const auto p = decodeDateTime(rows[i].time);
        return PxRow{pxTimestamp(p.year, p.month, p.day, p.hour), double(rows[i].key), rows[i].value};
    });
}

class ImportCommandTest : public ::testing::Test
{
protected:
    int kest(const TempDir& home, const std::string& args, std::string* out = nullptr, std::string* err = nullptr)
    {
        std::string ignored;
        return runCommand(std::string(KEST_BIN) + " --home '" + home.path().string() + "' " + args,
                          out ? out : &ignored, err);
    }
    std::string outputs(const TempDir& home)
    {
        std::string err;
        EXPECT_EQ(runCommand(januaryReportCommand(home, home / "r.csv"), nullptr, &err), 0) << err;
        EXPECT_EQ(kest(home,
                       "form --form 'часовая ВЕДОМОСТЬ' --controller 412 --from 2024-03-01 --to 2024-03-02 "
                       "--out '" + (home / "f.csv").string() + "'",
                       nullptr, &err),
                  0)
            << err;
        return readFile(home / "r.csv") + readFile(home / "f.csv");
    }

    TempDir old;
};

} // namespace

TEST_F(ImportCommandTest, ReportsAndFormsOverImportedMonthsShowTheOldRows)
{
    writeOldHours(old / "ARHIVH.DB");
    writeParadoxTable(old / "meranb.db", controllerColumns(),
                      {{double(0x0412), std::string("\x8C\xA5\xE0\xA0\xAD"), 0.0, 1.0, 0.0}}, 866);

    TempDir direct;
    {
        auto db = prepareReportHome(direct);
        for (const auto& r : oldHours())
            ASSERT_TRUE(AppendArchiveRow(*db, ArchiveKind::Hourly, {r.time, r.key, r.value}).ok());
        ASSERT_TRUE(EnsureControllerRows(*db, 0x0412).ok());
        ASSERT_TRUE(UpdateControllerName(*db, 0x0412, "Меран").ok());
    }
    ASSERT_EQ(kest(direct, "init"), 0);

    TempDir imported;
    (void)prepareReportHome(imported);
    ASSERT_EQ(kest(imported, "init"), 0);
    std::string out, err;
    ASSERT_EQ(kest(imported, "import --check '" + old.path().string() + "'", &out, &err), 0) << err;
    EXPECT_NE(out.find("arhivh.db: прочитано 888 из 888, помещено 888, уже в архиве 0, пропущено 0"),
              std::string::npos)
        << out;
    ASSERT_EQ(kest(imported, "import '" + old.path().string() + "'", &out, &err), 0) << err;
    EXPECT_NE(out.find("arhivd.db: нет в папке, пропущена"), std::string::npos) << out;

    const std::string expected = outputs(direct);
    EXPECT_NE(expected.find("02-03 час ;0,25;1004,00;72,00;"), std::string::npos) << expected;
    EXPECT_EQ(outputs(imported), expected);
}

TEST_F(ImportCommandTest, ABadTableFailsTheCommandAfterTheOthers)
{
    writeOldHours(old / "arhivh.db");
    writeFile(old / "arhivd.db", "This is no table, only text of the old program's notes.\n" + std::string(200, '.'));
    TempDir home;
    (void)prepareReportHome(home);
    std::string out, err;
    EXPECT_EQ(kest(home, "import '" + old.path().string() + "'", &out, &err), 1);
    EXPECT_NE(err.find((old / "arhivd.db").string() + ": not a Paradox data table"), std::string::npos) << err;
    EXPECT_NE(out.find("arhivh.db: прочитано 888 из 888, помещено 888"), std::string::npos) << out;
    EXPECT_EQ(kest(home, "import '" + (old / "missing").string() + "'", &out, &err), 1);
}

// A kill at any moment leaves whole transactions; the next run stores exactly the rest.
TEST_F(ImportCommandTest, AKilledImportIsCompletedByTheNextRun)
{
    const std::int64_t key = ArchiveKey(0x0001, ArchiveKind::Hourly, 0);
    writeParadoxTableFrom(old / "arhivh.db", archiveColumns(), 120000, [&](long i) {
        return PxRow{pxTimestamp(2020, 1, 1) + i * 3600000.0, double(key), double(i)};
    });
    TempDir home;
    (void)prepareReportHome(home);
    const std::string import = std::string(KEST_BIN) + " --home '" + home.path().string() + "' import '" +
                               old.path().string() + "'";
    ASSERT_EQ(runCommand("(" + import + " >/dev/null 2>&1 & pid=$!; sleep 0.1; kill -9 $pid; wait $pid) || true"), 0);
    std::string out, err;
    ASSERT_EQ(runCommand(import, &out, &err), 0) << err;
    std::string error;
    auto db = OpenArchiveDatabase(home / "data", false, &error);
    std::vector<ArchiveRow> rows;
    ASSERT_TRUE(SelectArchiveRange(*db, ArchiveKind::Hourly, key, 0, 1e6, rows).ok());
    ASSERT_EQ(rows.size(), 120000u) << out;
    for (std::size_t i = 0; i < rows.size(); ++i)
        ASSERT_EQ(rows[i].svalue, double(i));
    // What the first run committed is counted as there, and the rest as stored.
    const auto at = out.find("помещено ");
    ASSERT_NE(at, std::string::npos) << out;
    const long stored = std::stol(out.substr(at + std::string("помещено ").size()));
    const auto there = out.find("уже в архиве ");
    const long existing = std::stol(out.substr(there + std::string("уже в архиве ").size()));
    EXPECT_EQ(stored + existing, 120000) << out;
    EXPECT_EQ(existing % 5000, 0) << out; // whole transactions only
}
