#include "db/ArchiveTables.h"
#include "import/FolderImport.h"
#include "import/ParadoxTable.h"
#include "import/ParadoxWriter.h"
#include "import/PxLib.h"
#include "TestSupport.h"

#include <functional>
#include <gtest/gtest.h>

using namespace kest;
using namespace kest::test;

namespace {

const std::int64_t kKey = ArchiveKey(0x0001, ArchiveKind::Hourly, 0);

std::string goodHourlyTable(const TempDir& dir)
{
    const auto file = dir / "good.db";
    writeParadoxTableFrom(file, archiveColumns(), 500, [](long i) {
        return PxRow{pxTimestamp(2023, 1, 1) + i * 3600000.0, double(kKey), double(i)};
    });
    return readFile(file);
}

int u16At(const std::string& b, std::size_t at)
{
    return static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8);
}

void putU16(std::string& b, std::size_t at, int v)
{
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

struct Damage
{
    const char* what;
    std::function<void(std::string&)> apply;
    const char* message;
};

} // namespace

TEST(DamagedTable, EachFaultIsNamedAndNothingOfTheTableIsStored)
{
    TempDir dir;
    const std::string good = goodHourlyTable(dir);
    const int headerSize = u16At(good, 2);
    ASSERT_GT(u16At(good, 0x0C), 2) << "the table should span several blocks";
    const std::vector<Damage> damages = {
        {"cut short", [](std::string& b) { b.resize(b.size() - 100); }, "truncated"},
        {"only a header", [&](std::string& b) { b.resize(headerSize); }, "truncated"},
        {"tiny", [](std::string& b) { b.resize(40); }, "too short"},
        {"text", [](std::string& b) { b = std::string(3000, 'x'); }, "not a Paradox data table"},
        {"header size", [](std::string& b) { putU16(b, 2, 0xFFF0); }, "header size"},
        {"record size", [](std::string& b) { putU16(b, 0, u16At(b, 0) + 1); }, "record size"},
        {"block size", [](std::string& b) { b[5] = 7; }, "block size"},
        {"record count", [](std::string& b) { b[6] = static_cast<char>(b[6] + 1); }, "records"},
        {"block count", [](std::string& b) { putU16(b, 0x0C, u16At(b, 0x0C) + 1); }, "truncated"},
        {"extra block", [](std::string& b) { putU16(b, 0x0C, u16At(b, 0x0C) - 1); }, "more blocks"},
        {"link loop", [&](std::string& b) { putU16(b, headerSize, 1); }, "link back"},
        {"link outside", [&](std::string& b) { putU16(b, headerSize, 999); }, "points to block"},
        {"block records", [&](std::string& b) { putU16(b, headerSize + 4, 0x7FF0); }, "block 1"},
        {"field type", [](std::string& b) { b[0x78] = 0x30; }, "unknown type"},
        {"field count", [](std::string& b) { putU16(b, 0x21, 200); }, "field"},
        {"password", [](std::string& b) { b[0x25] = 1; }, "password"},
    };
    for (const auto& d : damages) {
        SCOPED_TRACE(d.what);
        TempDir old, archive;
        std::string bytes = good;
        d.apply(bytes);
        writeFile(old / "arhivh.db", bytes);
        writeParadoxTable(old / "arhivd.db", archiveColumns(),
                          {{pxTimestamp(2023, 1, 1), double(ArchiveKey(1, ArchiveKind::Daily, 0)), 1.0}});
        std::string error;
        auto db = OpenArchiveDatabase(archive.path(), true, &error);
        const ImportSummary s = ImportFolder(old.path(), *db, {});
        EXPECT_FALSE(s.ok());
        const TableSummary& hours = s.tables[2];
        EXPECT_EQ(hours.problem.rfind((old / "arhivh.db").string() + ": ", 0), 0u) << hours.problem;
        EXPECT_NE(hours.problem.find(d.message), std::string::npos) << hours.problem;
        EXPECT_EQ(hours.stored, 0);
        std::vector<ArchiveRow> rows;
        ASSERT_TRUE(SelectArchiveRange(*db, ArchiveKind::Hourly, kKey, 0, 1e6, rows).ok());
        EXPECT_TRUE(rows.empty());
        EXPECT_EQ(s.tables[3].stored, 1); // the daily table after it is imported
    }
}

TEST(DamagedTable, FieldsOfTheWrongTypeOrMissingAreNamed)
{
    TempDir old, archive;
    writeParadoxTable(old / "arhivh.db", {{"sdate", pxfAlpha, 20}, {"scode", pxfLong, 4}, {"svalue", pxfNumber, 8}},
                      {{std::string("2024-01-01"), 1.0, 1.0}});
    writeParadoxTable(old / "arhivd.db", {{"sdate", pxfTimestamp, 8}, {"scode", pxfLong, 4}}, {});
    writeParadoxTable(old / "meranb.db", {{"scode", pxfLong, 4}, {"sname", pxfNumber, 8}}, {});
    std::string error;
    auto db = OpenArchiveDatabase(archive.path(), true, &error);
    const ImportSummary s = ImportFolder(old.path(), *db, {});
    EXPECT_FALSE(s.ok());
    EXPECT_EQ(s.tables[2].problem, (old / "arhivh.db").string() +
                                       ": field sdate has the type alpha; the import takes timestamp, date");
    EXPECT_EQ(s.tables[3].problem, (old / "arhivd.db").string() + ": the table has no field svalue");
    EXPECT_EQ(s.tables[0].problem, (old / "meranb.db").string() +
                                       ": field sname has the type number; the import takes alpha");
}

// Every byte of the fixed header part, the field list and the first block's header
// set to a few values: the check refuses the file or pxlib reads it, never worse.
TEST(DamagedTable, SingleByteDamageNeverCrashes)
{
    TempDir dir;
    const std::string good = goodHourlyTable(dir);
    const std::size_t headerSize = static_cast<std::size_t>(u16At(good, 2));
    const auto file = dir / "t.db";
    int refused = 0;
    std::vector<std::size_t> places;
    for (std::size_t at = 0; at < 0x100; ++at)
        places.push_back(at);
    for (std::size_t at = headerSize; at < headerSize + 6; ++at)
        places.push_back(at);
    for (const std::size_t at : places) {
        for (const char value : {'\x00', '\x7F', '\xFF'}) {
            if (good[at] == value)
                continue;
            std::string bytes = good;
            bytes[at] = value;
            writeFile(file, bytes);
            std::string error;
            auto table = ParadoxTable::open(file, error);
            if (!table) {
                ++refused;
                continue;
            }
            for (long r = 0; r < table->recordCount(); ++r) {
                if (!table->readRecord(r, error))
                    break;
                for (int f = 0; f < static_cast<int>(table->header().fields.size()); ++f) {
                    (void)table->number(f);
                    (void)table->text(f);
                }
            }
        }
    }
    EXPECT_GT(refused, 0);
}
