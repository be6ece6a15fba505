#include "db/ArchiveTables.h"

#include "common/CodePage.h"
#include "common/Hex.h"
#include "db/PgDatabase.h"
#include "db/SqliteDatabase.h"

namespace kest {
namespace {

std::string& serverInUse()
{
    static std::string server;
    return server;
}

} // namespace

const char* archiveTable(ArchiveKind kind)
{
    switch (kind) {
    case ArchiveKind::Hourly:
        return "arhivh";
    case ArchiveKind::Daily:
        return "arhivd";
    case ArchiveKind::Monthly:
        return "arhivm";
    case ArchiveKind::Interval:
        return "detail";
    }
    return "arhivh";
}

std::int64_t ArchiveKey(std::int64_t controllerCode, ArchiveKind kind, int number)
{
    const std::string text = toHex(static_cast<std::uint64_t>(controllerCode), 4) +
                             std::to_string(static_cast<int>(kind)) +
                             toHex(static_cast<std::uint64_t>(number), 2);
    return ParseHex(text);
}

void UseArchiveServer(std::string connection)
{
    serverInUse() = std::move(connection);
}

const std::string& ArchiveServer()
{
    return serverInUse();
}

std::string DescribeArchiveServer(const std::string& connection)
{
    const ServerConnection c = ReadServerConnection(connection);
    return c.shown.empty() ? c.problem : c.shown;
}

bool ArchiveFileMissing(const std::filesystem::path& databasePath)
{
    std::error_code ec;
    return ArchiveServer().empty() && !std::filesystem::exists(databasePath / kDatabaseFile, ec);
}

std::unique_ptr<ArchiveDatabase>
OpenArchiveDatabase(const std::filesystem::path& databasePath, bool create, std::string* error)
{
    std::unique_ptr<ArchiveDatabase> db;
    if (!ArchiveServer().empty())
        db = PgDatabase::open(ArchiveServer(), error);
    else
        db = SqliteDatabase::open(
        databasePath / kDatabaseFile,
        create ? SqliteDatabase::OpenMode::CreateIfMissing : SqliteDatabase::OpenMode::Existing, error);
    if (db && create) {
        const DbStatus made = db->createMissingTables();
        if (!made.ok()) {
            if (error)
                *error = made.message;
            return nullptr;
        }
    }
    return db;
}

DbStatus RequireTables(ArchiveDatabase& db, const std::vector<std::string>& tables)
{
    for (const auto& t : tables) {
        if (!db.hasTable(t))
            return DbStatus::failure("no such table: " + t);
    }
    return DbStatus::success();
}

DbStatus UpdateControllerName(ArchiveDatabase& db, std::int64_t code, const std::string& name)
{
    return db.updateControllerName(code, utf8Left(name, 50));
}

DbStatus UpdateControllerSettlement(ArchiveDatabase& db, std::int64_t code, int rhour, int rday, int avans, int smin)
{
    return db.updateControllerSettlement(code, rhour, rday, avans, smin == 0 ? 5 : smin);
}

int SelectIntervalMinutes(ArchiveDatabase& db, std::int64_t code)
{
    const int minutes = db.selectIntervalMinutes(code).value_or(0);
    return minutes == 0 ? 5 : minutes;
}

} // namespace kest
