#include "db/PgTestServer.h"

#include "TestSupport.h"
#include "db/PgDatabase.h"

#include <cstdlib>
#include <memory>
#include <unistd.h>

namespace kest::test {
namespace {

std::string quoted(const std::string& s)
{
    return "'" + s + "'";
}

} // namespace

PgTestServer* PgTestServer::get(std::string* why)
{
    static std::unique_ptr<PgTestServer> server;
    static std::string failure;
    static bool tried = false;
    if (!tried) {
        tried = true;
        std::unique_ptr<PgTestServer> made(new PgTestServer());
        if (made->init(failure))
            server = std::move(made);
    }
    if (!server && why)
        *why = failure;
    return server.get();
}

bool PgTestServer::init(std::string& why)
{
    const char* bin = std::getenv("KEST_PG_BIN");
    m_bin = bin ? bin : "/usr/lib/postgresql/15/bin";
    if (!std::filesystem::exists(m_bin / "initdb") || !std::filesystem::exists(m_bin / "pg_ctl")) {
        why = "PostgreSQL 15 is not installed (" + (m_bin / "initdb").string() + ")";
        return false;
    }
    char pattern[] = "/tmp/kest-pg-XXXXXX";
    if (!::mkdtemp(pattern)) {
        why = "no temporary folder for the server";
        return false;
    }
    m_dir = pattern;
    std::filesystem::permissions(m_dir, std::filesystem::perms::all);
    m_port = 20000 + static_cast<int>(::getpid() % 20000);
    std::string out, err;
    const std::string initdb = (m_bin / "initdb").string() + " -D " + quoted((m_dir / "data").string()) +
                               " -U kest -A trust --no-sync -E UTF8 --locale=C.UTF-8";
    if (runCommand(asServerUser(initdb), &out, &err) != 0) {
        why = "initdb failed: " + err + out;
        return false;
    }
    // A port another program holds makes the start fail: the next one is tried.
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (start())
            return true;
        m_port = 20000 + (m_port - 20000 + 997) % 20000;
    }
    why = "the test server did not start: " + readFile(m_dir / "log");
    return false;
}

std::string PgTestServer::asServerUser(const std::string& command) const
{
    // initdb refuses root, and CI runs the tests as root.
    if (::geteuid() != 0)
        return command;
    return "runuser -u nobody -- sh -c " + quoted(command);
}

bool PgTestServer::start()
{
    // The socket serves the tests; the loopback address is there for the one test
    // that needs TCP (libpq never uses TLS on a socket).
    const std::string options = "-k " + m_dir.string() + " -c listen_addresses=127.0.0.1 -p " + std::to_string(m_port) +
                                " -c fsync=off -c max_connections=40";
    const std::string cmd = (m_bin / "pg_ctl").string() + " -D " + (m_dir / "data").string() + " -l " +
                            (m_dir / "log").string() + " -w -o \"" + options + "\" start";
    std::string out, err;
    m_running = runCommand(asServerUser(cmd) + " >/dev/null 2>&1") == 0;
    return m_running;
}

bool PgTestServer::stopImmediately()
{
    const std::string cmd = (m_bin / "pg_ctl").string() + " -D " + (m_dir / "data").string() + " -w -m immediate stop";
    const bool stopped = runCommand(asServerUser(cmd) + " >/dev/null 2>&1") == 0;
    if (stopped)
        m_running = false;
    return stopped;
}

PgTestServer::~PgTestServer()
{
    if (m_running)
        stopImmediately();
    std::error_code ec;
    std::filesystem::remove_all(m_dir, ec);
}

std::string PgTestServer::connection(const std::string& dbname, const std::string& user) const
{
    return "host=" + m_dir.string() + " port=" + std::to_string(m_port) + " dbname=" + dbname + " user=" + user;
}

std::string PgTestServer::run(const std::string& dbname, const std::string& sql) const
{
    std::string error;
    auto db = PgDatabase::open(connection(dbname), &error);
    if (!db)
        return error;
    const DbStatus s = db->execute(sql);
    return s.ok() ? "" : s.message;
}

std::string PgTestServer::freshDatabase()
{
    const std::string name = "kest" + std::to_string(++m_databases);
    const std::string problem = run("postgres", "CREATE DATABASE " + name);
    if (!problem.empty())
        return "dbname=nosuch-" + problem;
    return connection(name);
}

} // namespace kest::test
