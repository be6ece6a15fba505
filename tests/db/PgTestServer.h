#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace kest::test {

/// A PostgreSQL server of the tests' own: initdb into a temporary folder, listening
/// on a socket in that folder and on the loopback address, on a private port, run by an unprivileged user
/// when the tests run as root. Started on first use, stopped and removed at exit.
class PgTestServer
{
public:
    /// The one server of this test run; nullptr when the binaries are missing and
    /// KEST_REQUIRE_PG is not set (the caller skips). With KEST_REQUIRE_PG set, a
    /// server that cannot start fails the test.
    static PgTestServer* get(std::string* why = nullptr);

    /// A new empty database on the server, as a connection string.
    std::string freshDatabase();
    /// The connection string of `dbname` for `user`.
    std::string connection(const std::string& dbname, const std::string& user = "kest") const;
    /// Runs statements as the superuser in `dbname`; empty on success, else the reason.
    std::string run(const std::string& dbname, const std::string& sql) const;

    /// pg_ctl stop -m immediate, and start again on the same folder and port.
    bool stopImmediately();
    bool start();

    const std::filesystem::path& socketDir() const { return m_dir; }
    int port() const { return m_port; }

    ~PgTestServer();

private:
    PgTestServer() = default;
    bool init(std::string& why);
    std::string asServerUser(const std::string& command) const;

    std::filesystem::path m_bin;
    std::filesystem::path m_dir;
    int m_port = 0;
    int m_databases = 0;
    bool m_running = false;
};

/// The test server into `out` (a PgTestServer*); without one the test fails where
/// KEST_REQUIRE_PG is set (CI) and is skipped elsewhere.
#define KEST_TEST_SERVER(out)                                                                                   \
    do {                                                                                                        \
        std::string why__;                                                                                      \
        out = ::kest::test::PgTestServer::get(&why__);                                                          \
        if (!out) {                                                                                             \
            if (std::getenv("KEST_REQUIRE_PG"))                                                                 \
                FAIL() << why__;                                                                                \
            GTEST_SKIP() << why__;                                                                              \
        }                                                                                                       \
    } while (0)

/// "" for the file, or a fresh server database when `engine` is "server"; skips or
/// fails the test as KEST_TEST_SERVER does.
#define KEST_ENGINE_CONNECTION(engine, out)                                                                      \
    do {                                                                                                        \
        out.clear();                                                                                            \
        if (std::string(engine) == "server") {                                                                  \
            ::kest::test::PgTestServer* server__ = nullptr;                                                     \
            KEST_TEST_SERVER(server__);                                                                         \
            out = server__->freshDatabase();                                                                    \
        }                                                                                                       \
    } while (0)

} // namespace kest::test
