#include "db/ArchiveTables.h"
#include "import/FolderImport.h"
#include "import/ParadoxWriter.h"
#include "import/PxLib.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace kest;
using namespace kest::test;

namespace {

const std::int64_t kHourKey = ArchiveKey(0x1A2F, ArchiveKind::Hourly, 4);
const std::int64_t kDayKey = ArchiveKey(0x1A2F, ArchiveKind::Daily, 0);

long countControllers(ArchiveDatabase& db)
{
    std::vector<ControllerRow> rows;
    EXPECT_TRUE(db.selectAllControllers(rows).ok());
    return static_cast<long>(rows.size());
}

long countHourlyRows(ArchiveDatabase& db)
{
    std::vector<std::int64_t> keys;
    EXPECT_TRUE(db.selectArchiveKeys(ArchiveKind::Hourly, 0, std::int64_t{1} << 28, keys).ok());
    long n = 0;
    for (const std::int64_t key : keys) {
        std::vector<ArchiveRow> rows;
        EXPECT_TRUE(db.selectArchiveRange(ArchiveKind::Hourly, key, 0, 1e6, rows).ok());
        n += static_cast<long>(rows.size());
    }
    return n;
}

class FolderImportTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string error;
        db = OpenArchiveDatabase(archive.path(), true, &error);
        ASSERT_TRUE(db) << error;
    }

    /// An old installation's folder: controllers in both code pages, hourly rows with
    /// one of each fault, a daily table, an index file and a stray file beside them.
    void writeOldFolder()
    {
        writeParadoxTable(old / "MERANB.DB", controllerColumns(),
                          {{double(0x1A2F), std::string("\xCA\xEE\xF2\xE5\xEB\xFC\xED\xE0\xFF"), 9.0, 1.0, 1.0},
                           {double(0x0412), std::string("\xCD\xE0\xF1\xEE\xF1\xED\xE0\xFF"), 8.0, 2.0, 0.0},
                           {double(0x10000), std::string("x"), 0.0, 1.0, 0.0}},
                          1251);
        writeParadoxTable(old / "merane.db", intervalColumns(), {{double(0x1A2F), 0.0}, {PxCell{}, 10.0}});
        writeIndexedParadoxTable(old / "ArhivH.db", archiveColumns(),
                          {{pxTimestamp(2024, 1, 1, 0), double(kHourKey), 1.5},
                           {pxTimestamp(2024, 1, 1, 1), double(kHourKey), PxCell{}},
                           {pxTimestamp(1989, 12, 31, 23), double(kHourKey), 2.0},
                           {pxTimestamp(2024, 1, 1, 2, 0, 0, 500), double(kHourKey), 3.0},
                           {pxTimestamp(2024, 1, 1, 3), double(1 << 28), 4.0},
                           {pxTimestamp(2024, 1, 1, 4), double(0x1A2F400), 5.0},
                           {pxTimestamp(2024, 1, 1, 5), double(kHourKey), 0.0},
                           {pxTimestamp(2024, 1, 1, 6), double(kHourKey), 7.0}},
                                 2);
        writeParadoxTable(old / "arhivd.DB", {{"SDATE", pxfDate, 4}, {"SCODE", pxfLong, 4}, {"SVALUE", pxfCurrency, 8}},
                          {{pxDate(2024, 1, 1), double(kDayKey), 24.25}});
        writeFile(old / "detail.px", std::string(4096, '\x01'));
        writeFile(old / "notes.txt", "old notes");
    }

    const TableSummary& table(const ImportSummary& s, const std::string& name)
    {
        for (const auto& t : s.tables) {
            if (t.table == name)
                return t;
        }
        throw std::runtime_error("no summary for " + name);
    }

    TempDir archive;
    TempDir old;
    std::unique_ptr<ArchiveDatabase> db;
};

} // namespace

TEST_F(FolderImportTest, RowsAreStoredOrPassedOverByReasonAndArchiveRowsWin)
{
    writeOldFolder();
    // Kest read 1A2F itself: its name and its 06:00 value stay as Kest has them.
    ASSERT_TRUE(EnsureControllerRows(*db, 0x1A2F).ok());
    ASSERT_TRUE(UpdateControllerName(*db, 0x1A2F, "Котельная 1").ok());
    ASSERT_TRUE(AppendArchiveRow(*db, ArchiveKind::Hourly, {*encodeDateTime(2024, 1, 1, 6), kHourKey, 70}).ok());

    const ImportSummary s = ImportFolder(old.path(), *db, {});
    EXPECT_TRUE(s.ok()) << summaryLines(s).back();

    const TableSummary& hours = table(s, "arhivh.db");
    EXPECT_EQ(hours.file.filename(), "ArhivH.db");
    ASSERT_TRUE(std::filesystem::exists(old / "ArhivH.PX")); // its primary index, passed over
    EXPECT_EQ(hours.read, 8);
    EXPECT_EQ(hours.stored, 2); // 00:00 and the zero at 05:00
    EXPECT_EQ(hours.existing, 1);
    EXPECT_EQ(hours.skipped[int(SkipReason::EmptyField)], 1);
    EXPECT_EQ(hours.skipped[int(SkipReason::DateOutOfRange)], 1);
    EXPECT_EQ(hours.skipped[int(SkipReason::FractionalSeconds)], 1);
    EXPECT_EQ(hours.skipped[int(SkipReason::NotArchiveKey)], 2);
    std::optional<double> v;
    ASSERT_TRUE(SelectArchiveValue(*db, ArchiveKind::Hourly, kHourKey, *encodeDateTime(2024, 1, 1, 6), v).ok());
    EXPECT_EQ(v, 70.0);
    ASSERT_TRUE(SelectArchiveValue(*db, ArchiveKind::Hourly, kHourKey, *encodeDateTime(2024, 1, 1, 5), v).ok());
    EXPECT_EQ(v, 0.0);
    ASSERT_TRUE(SelectArchiveValue(*db, ArchiveKind::Hourly, kHourKey, *encodeDateTime(2024, 1, 1, 1), v).ok());
    EXPECT_FALSE(v); // empty, never 0
    ASSERT_TRUE(SelectArchiveValue(*db, ArchiveKind::Daily, kDayKey, *encodeDateTime(2024, 1, 1), v).ok());
    EXPECT_EQ(v, 24.25);

    // The unknown controller gets the old values, the known one keeps Kest's.
    const auto added = SelectController(*db, 0x0412);
    ASSERT_TRUE(added);
    EXPECT_EQ(added->sname, "Насосная");
    EXPECT_EQ(added->rhour, 8);
    EXPECT_EQ(added->rday, 2);
    const TableSummary& controllers = table(s, "meranb.db");
    EXPECT_EQ(controllers.stored, 1);
    EXPECT_EQ(controllers.existing, 1);
    EXPECT_EQ(controllers.skipped[int(SkipReason::NotControllerCode)], 1);
    EXPECT_EQ(SelectController(*db, 0x1A2F)->sname, "Котельная 1");
    ASSERT_EQ(controllers.differences.size(), 3u); // sname, rhour, avans; rday is 1 in both
    EXPECT_NE(controllers.differences[0].find("«Котельная 1»"), std::string::npos);
    EXPECT_NE(controllers.differences[0].find("«Котельная»"), std::string::npos);
    EXPECT_EQ(SelectIntervalMinutes(*db, 0x1A2F), 5);
    EXPECT_EQ(table(s, "merane.db").skipped[int(SkipReason::EmptyField)], 1);

    // Absent tables are named and do not make the import fail.
    EXPECT_FALSE(table(s, "arhivm.db").present());
    EXPECT_FALSE(table(s, "detail.db").present());
    const auto lines = summaryLines(s);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "detail.db: нет в папке, пропущена"), lines.end());
}

TEST_F(FolderImportTest, ASecondRunAndACheckAddNothing)
{
    writeOldFolder();
    const ImportSummary check = ImportFolder(old.path(), *db, {true});
    EXPECT_TRUE(check.ok());
    EXPECT_EQ(countHourlyRows(*db), 0);
    EXPECT_EQ(countControllers(*db), 0);
    EXPECT_EQ(table(check, "arhivh.db").stored, 3);

    const ImportSummary first = ImportFolder(old.path(), *db, {});
    EXPECT_EQ(table(first, "arhivh.db").stored, 3);
    EXPECT_EQ(countHourlyRows(*db), 3);
    const ImportSummary second = ImportFolder(old.path(), *db, {});
    EXPECT_TRUE(second.ok());
    EXPECT_EQ(table(second, "arhivh.db").stored, 0);
    EXPECT_EQ(table(second, "arhivh.db").existing, 3);
    EXPECT_EQ(table(second, "meranb.db").stored, 0);
    EXPECT_EQ(countHourlyRows(*db), 3);
    EXPECT_EQ(countControllers(*db), 2);
}

TEST_F(FolderImportTest, StoppingEndsAfterAWholeTransactionAndTheNextRunFinishes)
{
    const std::int64_t key = ArchiveKey(0x0001, ArchiveKind::Hourly, 0);
    writeParadoxTableFrom(old / "arhivh.db", archiveColumns(), 1000, [&](long i) {
        return PxRow{pxTimestamp(2023, 1, 1) + i * 3600000.0, double(key), double(i)};
    });
    struct StopAtOnce : ImportProgress
    {
        bool stopRequested() override { return true; }
    } stop;
    ImportOptions options;
    options.rowsPerTransaction = 300;
    const ImportSummary stopped = ImportFolder(old.path(), *db, options, &stop);
    EXPECT_TRUE(stopped.stopped);
    EXPECT_FALSE(stopped.ok());
    EXPECT_EQ(table(stopped, "arhivh.db").read, 300);
    EXPECT_NE(table(stopped, "arhivh.db").problem.find("300 из 1000"), std::string::npos);
    EXPECT_EQ(countHourlyRows(*db), 300);

    const ImportSummary rest = ImportFolder(old.path(), *db, options);
    EXPECT_TRUE(rest.ok());
    EXPECT_EQ(table(rest, "arhivh.db").stored, 700);
    EXPECT_EQ(table(rest, "arhivh.db").existing, 300);
    EXPECT_EQ(countHourlyRows(*db), 1000);
}

TEST_F(FolderImportTest, TheOldFilesStayAsTheyWere)
{
    writeOldFolder();
    const auto file = old / "ArhivH.db";
    const auto size = std::filesystem::file_size(file);
    const auto mtime = std::filesystem::last_write_time(file);
    const std::string bytes = readFile(file);
    (void)ImportFolder(old.path(), *db, {});
    EXPECT_EQ(std::filesystem::file_size(file), size);
    EXPECT_EQ(std::filesystem::last_write_time(file), mtime);
    EXPECT_EQ(readFile(file), bytes);
}
