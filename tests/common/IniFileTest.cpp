#include "common/IniFile.h"

#include "TestSupport.h"
#include "common/CodePage.h"

#include <gtest/gtest.h>

using namespace kest;
using kest::test::TempDir;

TEST(IniFile, NamesIgnoreCaseAndFirstDuplicateWins)
{
    const IniFile ini =
        IniFile::parse(utf8ToCp1251("[Time]\r\nDarm=10\r\ndarm=20\r\n[time]\nDARH=5\n[Блок]\nКлюч=1\n"));
    EXPECT_EQ(ini.readInteger("TIME", "DARM", 0), 10);
    EXPECT_EQ(ini.readInteger("time", "darh", 0), 0) << "keys of a later duplicate section are not seen";
    EXPECT_EQ(ini.sections(), (std::vector<std::string>{"Time", "Блок"}));
    EXPECT_EQ(ini.readInteger("БЛОК", "ключ", 0), 1) << "Cyrillic names ignore case too";
}

TEST(IniFile, IntegersThatAreNotIntegersReadAsDefault)
{
    const IniFile ini = IniFile::parse("[S]\na= 12 \nb=12abc\nc=\nd=-1\ne=99999999999\nf=+7\ng=1.5\n");
    EXPECT_EQ(ini.readInteger("S", "a", -9), 12);
    EXPECT_EQ(ini.readInteger("S", "b", -9), -9);
    EXPECT_EQ(ini.readInteger("S", "c", -9), -9);
    EXPECT_EQ(ini.readInteger("S", "d", -9), -1);
    EXPECT_EQ(ini.readInteger("S", "e", -9), -9);
    EXPECT_EQ(ini.readInteger("S", "f", -9), 7);
    EXPECT_EQ(ini.readInteger("S", "g", -9), -9);
    EXPECT_EQ(ini.readInteger("S", "missing", -9), -9);
    EXPECT_EQ(ini.readString("S", "missing", "x"), "x");
}

TEST(IniFile, WritesKeepUntouchedLinesAndAppendNewSections)
{
    IniFile ini = IniFile::parse("; comment\r\n[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n");
    ini.writeString("a", "Z", "3");  // new key after the section's last non-blank line
    ini.writeString("A", "X", "10"); // existing key keeps its spelling
    ini.writeString("C", "k", "v");  // new section at the end
    EXPECT_EQ(ini.serialize(), "; comment\r\n[A]\r\nx=10\r\nZ=3\r\n\r\n[B]\r\ny=2\r\n[C]\r\nk=v\r\n");

    ini.deleteKey("B", "Y");
    ini.eraseSection("a");
    EXPECT_EQ(ini.serialize(), "; comment\r\n[B]\r\n[C]\r\nk=v\r\n");
    EXPECT_EQ(ini.keys("C"), std::vector<std::string>{"k"});
}

TEST(IniFile, DamagedInputNeverCrashes)
{
    std::string bytes = "garbage without equals\n=novalue\n[unclosed\nkey=1\n[S]\nk";
    bytes += std::string("\0\0=\xFF\x98\x81", 7);
    bytes += "\n" + std::string(1 << 20, 'x') + "=long\n[S]\nbig=" + std::string(1 << 20, '7') + "\n";
    const IniFile ini = IniFile::parse(bytes);
    EXPECT_EQ(ini.readInteger("unclosed", "key", 0), 1);
    EXPECT_EQ(ini.readInteger("S", "big", 5), 5);
    EXPECT_EQ(ini.readString("S", std::string(1 << 20, 'x'), ""), "long");
    // Bytes that carry no character in the code page still survive a round trip.
    EXPECT_EQ(cp1251ToUtf8(utf8ToCp1251(cp1251ToUtf8("\x98\xFF"))), cp1251ToUtf8("\x98\xFF"));
}

TEST(IniFile, Windows1251OnDiskAndUtf8WithByteOrderMark)
{
    TempDir dir;
    const auto cp = dir / "cp.ini";
    IniFile ini = IniFile::load(cp);
    ini.writeString("Бланк", "Имя", "Отчет по теплу");
    ASSERT_EQ(ini.save(), "");
    EXPECT_EQ(test::readFile(cp), utf8ToCp1251("[Бланк]\r\nИмя=Отчет по теплу\r\n"));
    EXPECT_EQ(IniFile::load(cp).readString("бланк", "имя", ""), "Отчет по теплу");

    const auto u8 = dir / "u8.ini";
    test::writeFile(u8, "\xEF\xBB\xBF[Бланк]\nИмя=Тепло\n");
    IniFile utf = IniFile::load(u8);
    EXPECT_EQ(utf.readString("Бланк", "Имя", ""), "Тепло");
    utf.writeString("Бланк", "Имя", "Вода");
    ASSERT_EQ(utf.save(), "");
    EXPECT_EQ(test::readFile(u8), "\xEF\xBB\xBF[Бланк]\r\nИмя=Вода\r\n");
}

TEST(IniFile, Windows1251TextThatBeginsLikeAByteOrderMarkStaysWindows1251)
{
    // "п»ї" in Windows-1251 is EF BB BF; after a NUL byte, which reading drops, the
    // file is still Windows-1251, and a rewrite must not turn it into UTF-8.
    TempDir dir;
    const auto path = dir / "BLANK.INI";
    const std::string cp = std::string("\0", 1) + utf8ToCp1251("п»ї\r\n[Бланк]\r\nИмя=Тепло\r\n");
    test::writeFile(path, cp);
    IniFile ini = IniFile::load(path);
    ASSERT_EQ(ini.readString("бланк", "имя", ""), "Тепло");
    ASSERT_EQ(ini.save(), "");
    EXPECT_TRUE(test::readFile(path) == cp) << "the rewrite keeps the bytes as they were";
    IniFile again = IniFile::load(path);
    EXPECT_EQ(again.readString("бланк", "имя", ""), "Тепло");
    again.writeString("Бланк", "Цвет", "Красный");
    ASSERT_EQ(again.save(), "");
    EXPECT_EQ(IniFile::load(path).readString("БЛАНК", "ЦВЕТ", ""), "Красный");
}

TEST(IniFile, SaveIsAtomicAndReportsFailure)
{
    TempDir dir;
    IniFile ini = IniFile::load(dir / "a.ini");
    ini.writeString("S", "k", "v");
    ASSERT_EQ(ini.save(), "");
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        EXPECT_EQ(e.path().filename(), "a.ini") << "no temporary file is left behind";

    IniFile lost = IniFile::load(dir / "no-such-dir" / "a.ini");
    lost.writeString("S", "k", "v");
    EXPECT_NE(lost.save(), "");
}

TEST(IniFile, FilesAreFoundRegardlessOfCase)
{
    TempDir dir;
    test::writeFile(dir / "kest.ini", "[S]\n");
    EXPECT_EQ(findFileNoCase(dir.path(), "KEST.INI"), dir / "kest.ini");
    EXPECT_EQ(findFileNoCase(dir.path(), "BLANK.INI"), dir / "BLANK.INI");
}
