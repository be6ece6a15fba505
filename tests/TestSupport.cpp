#include "TestSupport.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace kest::test {

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "kest-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(m_path, ec);
}

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

int runCommand(const std::string& command, std::string* out, std::string* err)
{
    TempDir dir;
    const auto outPath = dir / "out";
    const auto errPath = dir / "err";
    const std::string full = command + " >'" + outPath.string() + "' 2>'" + errPath.string() + "' </dev/null";
    const int status = std::system(full.c_str());
    if (out)
        *out = readFile(outPath);
    if (err)
        *err = readFile(errPath);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace kest::test
