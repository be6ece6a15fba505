#include "app/ProgramDir.h"

#include "TestSupport.h"
#include "app/ExchangeSettings.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>

using namespace kest;
using kest::test::TempDir;

namespace {

/// Sets an environment variable for one test and puts the old value back.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const std::string& value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv()
    {
        if (m_old)
            setenv(m_name, m_old->c_str(), 1);
        else
            unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

} // namespace

// An installed program: no NN.INI beside /usr/bin/kest, so the settings and the
// archive follow the desktop's folders and nothing is written beside the executable.
TEST(ProgramDir, InstalledProgramKeepsSettingsAndArchiveInTheUsersFolders)
{
    TempDir root;
    std::filesystem::create_directories(root / "usr/bin");
    ScopedEnv config("XDG_CONFIG_HOME", (root / "config").string());
    ScopedEnv data("XDG_DATA_HOME", (root / "data").string());

    const auto dir = resolveProgramDir(std::nullopt, root / "usr/bin/kest");
    EXPECT_EQ(dir, root / "config/kest");
    EXPECT_TRUE(std::filesystem::is_directory(dir));
    const ExchangeSettings s = LoadExchangeSettings(dir);
    EXPECT_EQ(s.DatabasePath, (root / "data/kest").string() + "/");
    EXPECT_TRUE(std::filesystem::exists(dir / "NN.INI"));
    EXPECT_TRUE(std::filesystem::is_empty(root / "usr/bin"));

    // A PUT the user chose wins over the default.
    test::writeFile(dir / "NN.INI", "[TIME]\r\nPUT=/srv/kest\r\n");
    EXPECT_EQ(LoadExchangeSettings(dir).DatabasePath, "/srv/kest/");
}

// The rules ignore a relative XDG folder; without HOME the account's home is used,
// never the executable's folder.
TEST(ProgramDir, RelativeXdgFolderOrMissingHomeFallsBackToTheAccountsHome)
{
    TempDir root;
    ScopedEnv config("XDG_CONFIG_HOME", "relative/config");
    ScopedEnv home("HOME", root.path().string());
    EXPECT_EQ(resolveProgramDir(std::nullopt, root / "bin/kest"), root / ".config/kest");
    {
        ScopedEnv noData("XDG_DATA_HOME", "");
        EXPECT_EQ(defaultArchiveDir(root / ".config/kest"), root / ".local/share/kest");
    }
    unsetenv("HOME");
    const auto dir = resolveProgramDir(std::nullopt, root / "bin/kest");
    EXPECT_EQ(dir.filename(), "kest");
    EXPECT_NE(dir.parent_path().parent_path(), root / "bin");
}

// --home and a build folder with NN.INI beside the executable keep the archive beside NN.INI.
TEST(ProgramDir, HomeFolderAndFolderBesideTheExecutableKeepTheArchiveThere)
{
    TempDir root;
    ScopedEnv config("XDG_CONFIG_HOME", (root / "config").string());
    const auto home = resolveProgramDir(root / "demo", root / "build/kest");
    EXPECT_EQ(home, root / "demo");
    EXPECT_EQ(LoadExchangeSettings(home).DatabasePath, (root / "demo").string() + "/");

    std::filesystem::create_directories(root / "build");
    test::writeFile(root / "build/nn.ini", "");
    const auto beside = resolveProgramDir(std::nullopt, root / "build/kest");
    EXPECT_EQ(beside, root / "build");
    EXPECT_EQ(LoadExchangeSettings(beside).DatabasePath, (root / "build").string() + "/");
    EXPECT_FALSE(std::filesystem::exists(root / "config"));
}
