#pragma once

#include <filesystem>
#include <string>

namespace kest::test {

/// A fresh folder under the system's temporary directory, removed with its contents
/// when the object goes away.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& bytes);

/// Runs a command through the shell; returns its exit status and fills what it printed.
int runCommand(const std::string& command, std::string* out = nullptr, std::string* err = nullptr);

} // namespace kest::test
