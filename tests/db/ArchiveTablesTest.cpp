#include "db/ArchiveTables.h"

#include "TestSupport.h"
#include "db/Query.h"

#include <gtest/gtest.h>

using namespace kest;
using kest::test::TempDir;

namespace {

class ArchiveTablesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string error;
        db = OpenArchiveDatabase(dir.path(), true, &error);
        ASSERT_TRUE(db) << error;
    }
    DateTime at(int y, int m, int d, int h = 0) { return *encodeDateTime(y, m, d, h); }

    TempDir dir;
    std::unique_ptr<ArchiveDatabase> db;
};

} // namespace

TEST(ArchiveKeyTest, KeysJoinControllerKindAndNumber)
{
    EXPECT_EQ(ArchiveKey(0x0A1F, ArchiveKind::Daily, 0x1F), 10613023);
    EXPECT_EQ(ArchiveKey(0x0412, ArchiveKind::Hourly, 5), 0x0412 * 4096 + 5);
    EXPECT_EQ(ArchiveKey(0xFFFF, ArchiveKind::Interval, 13), 0xFFFF * 4096 + 3 * 256 + 13);
    EXPECT_NE(ArchiveKey(1, ArchiveKind::Daily, 0), ArchiveKey(1, ArchiveKind::Monthly, 0));
}

TEST_F(ArchiveTablesTest, ControllerRowsAreAddedOnceAndNamesStoreUnchanged)
{
    ASSERT_TRUE(EnsureControllerRows(*db, 1042).ok());
    auto row = SelectController(*db, 1042);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->sname, " ");
    EXPECT_EQ(row->rday, 1);
    EXPECT_EQ(SelectIntervalMinutes(*db, 1042), 5);

    const std::string name = "Котельная 'Заря'; DROP TABLE meranb; -- \"№1\"";
    ASSERT_TRUE(UpdateControllerName(*db, 1042, name).ok());
    ASSERT_TRUE(UpdateControllerSettlement(*db, 1042, 9, 25, 1, 0).ok());
    ASSERT_TRUE(EnsureControllerRows(*db, 1042).ok()) << "an existing controller is left as it is";
    row = SelectController(*db, 1042);
    EXPECT_EQ(row->sname, name);
    EXPECT_EQ(row->rhour, 9);
    EXPECT_EQ(row->rday, 25);
    EXPECT_EQ(row->avans, 1);
    EXPECT_EQ(SelectIntervalMinutes(*db, 1042), 5) << "an interval of 0 is stored as 5";
    ASSERT_TRUE(UpdateControllerSettlement(*db, 1042, 9, 25, 1, 1).ok());
    EXPECT_EQ(SelectIntervalMinutes(*db, 1042), 1);
    EXPECT_EQ(SelectIntervalMinutes(*db, 7), 5) << "a controller without a row reads as 5";

    ASSERT_TRUE(UpdateControllerName(*db, 1042, std::string(60, 'x') + "ЖЖ").ok());
    EXPECT_EQ(SelectController(*db, 1042)->sname, std::string(50, 'x'));
    ASSERT_TRUE(UpdateControllerName(*db, 1042, std::string(49, 'x') + "ЖЖ").ok());
    EXPECT_EQ(SelectController(*db, 1042)->sname, std::string(49, 'x') + "Ж") << "cut by characters";

    ASSERT_TRUE(EnsureControllerRows(*db, 5).ok());
    std::vector<ControllerRow> all;
    ASSERT_TRUE(SelectAllControllers(*db, all).ok());
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].scode, 5);
}

TEST_F(ArchiveTablesTest, DuplicateKeyIsTellableFromOtherFailures)
{
    const ArchiveRow row{at(2026, 1, 1, 5), ArchiveKey(1, ArchiveKind::Hourly, 0), 21.5};
    ASSERT_TRUE(AppendArchiveRow(*db, ArchiveKind::Hourly, row).ok());
    const DbStatus dup = AppendArchiveRow(*db, ArchiveKind::Hourly, row);
    EXPECT_EQ(dup.code, DbStatus::KeyViolation);
    EXPECT_EQ(dup.message, "Key violation.");
    EXPECT_TRUE(AppendArchiveRow(*db, ArchiveKind::Daily, row).ok()) << "other tables are separate";

    ASSERT_TRUE(WriteArchiveRow(*db, ArchiveKind::Hourly, {row.sdate, row.scode, 30.0}).ok());
    std::optional<double> v;
    ASSERT_TRUE(SelectArchiveValue(*db, ArchiveKind::Hourly, row.scode, row.sdate, v).ok());
    EXPECT_EQ(v, 30.0);

    ASSERT_TRUE(db->execute("DROP TABLE arhivm").ok());
    const DbStatus other = AppendArchiveRow(*db, ArchiveKind::Monthly, row);
    EXPECT_EQ(other.code, DbStatus::Failed);
    EXPECT_NE(other.message, "Key violation.");
    EXPECT_NE(other.message.find("arhivm"), std::string::npos) << other.message;
    EXPECT_FALSE(RequireTables(*db, kArchiveDatabaseTables).ok());
}

TEST_F(ArchiveTablesTest, RangesComeBackInTimeOrderAndDeletesAreRanged)
{
    const auto key = ArchiveKey(0x0A1F, ArchiveKind::Interval, 2);
    for (int h : {5, 1, 3, 2, 4})
        ASSERT_TRUE(AppendArchiveRow(*db, ArchiveKind::Interval, {at(2026, 2, 1, h), key, double(h)}).ok());
    ASSERT_TRUE(AppendArchiveRow(*db, ArchiveKind::Interval, {at(2026, 2, 1, 3), key + 1, 99}).ok());

    std::vector<ArchiveRow> rows;
    ASSERT_TRUE(
        SelectArchiveRange(*db, ArchiveKind::Interval, key, at(2026, 2, 1, 2), at(2026, 2, 1, 4), rows).ok());
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].svalue, 2);
    EXPECT_EQ(rows[2].svalue, 4);
    EXPECT_EQ(rows[1].sdate, at(2026, 2, 1, 3));

    ASSERT_TRUE(DeleteArchiveRowsBefore(*db, ArchiveKind::Interval, key, at(2026, 2, 1, 2)).ok());
    ASSERT_TRUE(DeleteIntervalRowsFrom(*db, key, at(2026, 2, 1, 5)).ok());
    ASSERT_TRUE(SelectArchiveRange(*db, ArchiveKind::Interval, key, 0, at(2100, 1, 1), rows).ok());
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows.front().svalue, 2);
    EXPECT_EQ(rows.back().svalue, 4);
    ASSERT_TRUE(SelectArchiveRange(*db, ArchiveKind::Interval, key + 1, 0, at(2100, 1, 1), rows).ok());
    EXPECT_EQ(rows.size(), 1u) << "another archive's rows are never touched";
}

TEST_F(ArchiveTablesTest, QueryWalksEditsDeletesAndAppends)
{
    const auto key = ArchiveKey(1, ArchiveKind::Daily, 0);
    for (int d = 1; d <= 3; ++d)
        ASSERT_TRUE(AppendArchiveRow(*db, ArchiveKind::Daily, {at(2026, 3, d), key, double(d)}).ok());

    Query q(static_cast<SqliteDatabase&>(*db), "arhivd");
    q.setSql("select * from arhivd where scode = :arhcode");
    q.setParam(":arhcode", std::int64_t{key});
    ASSERT_TRUE(q.open().ok());
    ASSERT_EQ(q.recordCount(), 3u);
    EXPECT_EQ(q.fieldTime("SDATE"), at(2026, 3, 1));
    q.next();
    ASSERT_TRUE(q.deleteCurrent().ok());
    EXPECT_EQ(q.fieldDouble("svalue"), 3.0) << "the cursor stands on the row after the deleted one";
    q.setField("svalue", 30.0);
    ASSERT_TRUE(q.post().ok());
    EXPECT_EQ(q.append({toSqlText(at(2026, 3, 1)), std::int64_t{key}, 7.0}).code, DbStatus::KeyViolation);
    ASSERT_TRUE(q.append({toSqlText(at(2026, 3, 9)), std::int64_t{key}, std::string("9.5")}).ok());

    std::vector<ArchiveRow> rows;
    ASSERT_TRUE(SelectArchiveRange(*db, ArchiveKind::Daily, key, 0, at(2100, 1, 1), rows).ok());
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1].svalue, 30.0);
    EXPECT_EQ(rows[2].svalue, 9.5) << "a number passed as text is stored as a number";

    Query bad(static_cast<SqliteDatabase&>(*db), "nosuch");
    bad.setSql("select * from nosuch");
    EXPECT_FALSE(bad.open().ok());
}

TEST(ArchiveDatabaseTest, ForeignOrDamagedFilesAreRefused)
{
    TempDir dir;
    std::string error;
    EXPECT_FALSE(OpenArchiveDatabase(dir.path(), false, &error)) << "absent file without create";

    test::writeFile(dir / kDatabaseFile, "this is a text file, not a database\n");
    EXPECT_FALSE(OpenArchiveDatabase(dir.path(), false, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(OpenArchiveDatabase(dir.path(), true, &error)) << "create never overwrites a foreign file";
    EXPECT_EQ(test::readFile(dir / kDatabaseFile), "this is a text file, not a database\n");
}
