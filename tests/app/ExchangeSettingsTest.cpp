#include "app/ExchangeSettings.h"

#include "TestSupport.h"
#include "common/CodePage.h"
#include "common/IniFile.h"
#include "db/ArchiveStore.h"

#include <gtest/gtest.h>

using namespace kest;
using kest::test::TempDir;

TEST(ExchangeSettings, FirstStartCreatesAnEmptyFileAndUsesDefaults)
{
    TempDir home;
    const ExchangeSettings s = LoadExchangeSettings(home.path());
    EXPECT_TRUE(std::filesystem::exists(home / "NN.INI"));
    EXPECT_EQ(test::readFile(home / "NN.INI"), "");
    EXPECT_EQ(s.DARH, 365);
    EXPECT_EQ(s.DARD, 365);
    EXPECT_EQ(s.DARM, 365);
    EXPECT_EQ(s.Dok, 365);
    EXPECT_EQ(s.Dare, 100);
    EXPECT_EQ(s.KOLP, 3);
    EXPECT_EQ(s.TWORK, 3);
    EXPECT_EQ(s.Port, "Com2");
    EXPECT_EQ(s.DatabasePath, home.path().string() + "/");
    EXPECT_FALSE(s.SettingsMissing);
}

TEST(ExchangeSettings, GarbageClampingAndMissingMarks)
{
    TempDir home;
    test::writeFile(home / "nn.ini", "[time]\r\nDARH=abc\r\ndarm=12\r\nDARE=7\r\nKOLP=0\r\nTWORK=40\r\n"
                                     "PUT=/data/kest\r\nRS-232=\r\nDARD=-1\r\n");
    const ExchangeSettings s = LoadExchangeSettings(home.path());
    EXPECT_EQ(s.DARH, 365);
    EXPECT_EQ(s.DARM, 12);
    EXPECT_EQ(s.Dare, 7);
    EXPECT_EQ(s.KOLP, 1) << "the spin control clamps 0 to 1";
    EXPECT_EQ(s.TWORK, 15);
    EXPECT_EQ(s.DatabasePath, "/data/kest/");
    EXPECT_EQ(s.Port, "Com2");
    EXPECT_TRUE(s.SettingsMissing) << "DARD of -1 is message 41";
    EXPECT_FALSE(std::filesystem::exists(home / "NN.INI") && std::filesystem::exists(home / "nn.ini") &&
                 !std::filesystem::equivalent(home / "NN.INI", home / "nn.ini"))
        << "an existing nn.ini is used, not a second file";
}

TEST(ExchangeSettings, SaveWritesAllNineKeys)
{
    TempDir home;
    test::writeFile(home / "NN.INI", "[Other]\r\nx=1\r\n[TIME]\r\nRS-232=com3\r\nPUT=/d\r\n");
    ExchangeSettings s = LoadExchangeSettings(home.path());
    EXPECT_EQ(comPortIndex(s.Port), 2);
    ASSERT_EQ(SaveExchangeSettings(home.path(), s), "");
    const IniFile ini = IniFile::load(home / "NN.INI");
    EXPECT_EQ(ini.keys("TIME"), (std::vector<std::string>{"RS-232", "PUT", "DARH", "DARD", "DARm", "Dok",
                                                          "Dare", "KOLP", "TWORK"}));
    EXPECT_EQ(ini.readString("TIME", "RS-232", ""), "COM3");
    EXPECT_EQ(ini.readString("TIME", "PUT", ""), "/d/");
    EXPECT_EQ(ini.readInteger("Other", "x", 0), 1) << "other sections are kept";

    s.Port = "/dev/ttyUSB0";
    ASSERT_EQ(SaveExchangeSettings(home.path(), s), "");
    EXPECT_EQ(LoadExchangeSettings(home.path()).Port, "/dev/ttyUSB0");
}

TEST(ExchangeSettings, DerivedLinkTiming)
{
    ExchangeSettings s;
    EXPECT_EQ(linkRetryDelayFor(3), 3030);
    EXPECT_EQ(linkRetryDelayFor(0), 3000);
    s.KOLP = 7;
    s.TWORK = 1;
    EXPECT_EQ(linkTimingFor(s).LinkAttempts, 7);
    EXPECT_EQ(linkTimingFor(s).LinkRetryDelay, 1010);
    EXPECT_EQ(LinkTiming{}.LinkAttempts, 2);
    EXPECT_EQ(withTrailingSeparator(""), "/");
    EXPECT_EQ(comPortIndex("COM7"), -1);
    EXPECT_EQ(comPortIndex("Com1"), 0);
}

TEST(ExchangeSettings, DepthLimitsKeepEachArchiveKindApart)
{
    ExchangeSettings s;
    s.DARH = 10;
    s.DARD = 20;
    s.DARM = 30;
    s.Dok = 40;
    const DepthLimits depth = depthLimitsFor(s);
    EXPECT_EQ(depth.hourly, 10);
    EXPECT_EQ(depth.daily, 20);
    EXPECT_EQ(depth.monthly, 30);
    EXPECT_EQ(depth.interval, 40);
}
