#include "db/ArchiveServerCheck.h"

#include "db/ArchiveTables.h"
#include "db/PgDatabase.h"

namespace kest {
namespace {

std::string joined(const std::vector<std::string>& names)
{
    std::string text;
    for (const auto& n : names)
        text += (text.empty() ? "" : ", ") + n;
    return text;
}

} // namespace

ArchiveServerCheck CheckArchiveServer(const std::string& connection)
{
    ArchiveServerCheck check;
    if (connection.empty()) {
        check.problem = "сервер не указан: архив хранится в файле";
        return check;
    }
    auto db = PgDatabase::open(connection, &check.problem);
    if (!db)
        return check;
    check.connected = true;
    check.version = db->serverVersion();
    for (const auto& t : kArchiveDatabaseTables)
        (db->hasTable(t) ? check.present : check.missing).push_back(t);
    check.mayWrite = check.missing.empty() && db->mayWrite();
    return check;
}

std::string ArchiveServerCheckText(const ArchiveServerCheck& check)
{
    if (!check.connected)
        return "Нет соединения с сервером:\n" + check.problem;
    std::string text = "Сервер: " + check.version + "\n";
    text += "Таблицы есть: " + (check.present.empty() ? std::string("нет") : joined(check.present)) + "\n";
    if (!check.missing.empty())
        text += "Таблиц нет: " + joined(check.missing) + " (их создаст kest init)\n";
    text += check.mayWrite ? "Запись в архив разрешена" : "Запись в архив не разрешена (только чтение)";
    return text;
}

std::string ArchiveInUseText(const std::filesystem::path& databasePath, const std::string& server)
{
    if (server.empty())
        return "Архив: файл " + (databasePath / kDatabaseFile).string();
    return "Архив: " + DescribeArchiveServer(server);
}

} // namespace kest
