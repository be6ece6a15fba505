#include "forms/FormSettings.h"

#include "TestSupport.h"
#include "common/CodePage.h"
#include "common/IniFile.h"
#include "forms/FormDescription.h"

#include <gtest/gtest.h>

namespace kest {
namespace {

using test::TempDir;

constexpr const char* kOpis = "[TABL]\r\nTIP=1\r\n[HEAD]\r\n"
                              "H1=Потребитель\r\nT1=0\r\nN1=____\r\n0A1FN1=Котельная\r\n"
                              "H2=Расход\r\nT2=1\r\nN2=5\r\nP2=1\r\n"
                              "H3=Дата\r\nT3=1\r\nN3=5\r\nP3=2\r\n"
                              "H4=Скрытый\r\nT4=1\r\nN4=5\r\nV4=1\r\n"
                              "H5=Колонка Q\r\nT5=2\r\nN5=1\r\nI5=2\r\n"
                              "H6=Формула\r\nT6=3\r\n"
                              "H7=Колонка t\r\nT7=2\r\nN7=7\r\nP7=3\r\nI7=9\r\n"
                              "T9=0\r\nH9=После пропуска\r\n";

class FormSettingsTest : public ::testing::Test
{
protected:
    FormSettingsTest() { test::writeFile(dir / "OPIS.INI", utf8ToCp1251(kOpis)); }

    std::optional<std::string> key(const std::string& name) const
    {
        return IniFile::load(dir / "OPIS.INI").value("HEAD", name);
    }

    TempDir dir;
    FormSettings settings{dir.path()};
};

TEST_F(FormSettingsTest, ListsWhatTheWindowEdits)
{
    const auto rows = settings.parameterRows("0A1F");
    // A date text (P 2) and a hidden value (V 1) are not listed; the list ends at the
    // first parameter without a name.
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].k, 1);
    EXPECT_EQ(rows[0].value, "Котельная");
    EXPECT_EQ(rows[0].formValue, "____");
    EXPECT_FALSE(rows[0].archive);
    EXPECT_EQ(rows[1].k, 2);
    // A controller without its own key shows nothing, though the form has N2.
    EXPECT_EQ(rows[1].value, "");
    EXPECT_EQ(rows[1].formValue, "5");
    EXPECT_TRUE(rows[1].archive);
    EXPECT_EQ(settings.parameterRows("0B00")[0].value, "");

    const auto columns = settings.archiveRows();
    ASSERT_EQ(columns.size(), 2u);
    EXPECT_EQ(columns[0].archive, "1");
    EXPECT_EQ(columns[0].totalType, 2);
    EXPECT_EQ(columns[0].decimals, "2");
    EXPECT_EQ(columns[1].totalType, -1);
    EXPECT_EQ(columns[1].decimals, "3");
}

// Each store reaches the file at once, under the controller's own key; the plain keys
// of the form stay, and an emptied value makes the filling take them again.
TEST_F(FormSettingsTest, StoresControllerKeysAtOnce)
{
    const auto rows = settings.parameterRows("0A1F");
    ASSERT_EQ(settings.storeParameter("0A1F", rows[0], "Котельная №2"), "");
    ASSERT_EQ(settings.storeParameter("0A1F", rows[1], "07"), "");
    EXPECT_EQ(key("0A1FN1"), "Котельная №2");
    EXPECT_EQ(key("0A1FN2"), "7");
    EXPECT_EQ(key("N1"), "____");
    EXPECT_EQ(key("N2"), "5");

    ASSERT_EQ(settings.storeParameter("0A1F", rows[1], ""), "");
    EXPECT_EQ(key("0A1FN2"), "");
    const FormDescription filled = FormDescription::load(dir.path(), "0A1F");
    EXPECT_EQ(filled.integer('N', 2, -1), 5);

    ASSERT_EQ(settings.storeArchiveNumber(5, "12"), "");
    ASSERT_EQ(settings.storeArchiveNumber(7, ""), "");
    ASSERT_EQ(settings.storeTotalType(5, 3), "");
    ASSERT_EQ(settings.storeDecimals(5, "4"), "");
    ASSERT_EQ(settings.storeDecimals(7, ""), "");
    EXPECT_EQ(key("N5"), "12");
    EXPECT_EQ(key("N7"), "7");
    EXPECT_EQ(key("I5"), "3");
    EXPECT_EQ(key("P5"), "4");
    EXPECT_EQ(key("P7"), "");
    // The other sections and keys are kept as they were.
    EXPECT_EQ(IniFile::load(dir / "OPIS.INI").readInteger("TABL", "TIP", 0), 1);
    EXPECT_EQ(key("H9"), "После пропуска");
}

TEST_F(FormSettingsTest, CopyPasteAndClearAcrossControllers)
{
    const auto rows = settings.parameterRows("0A1F");
    ASSERT_EQ(settings.storeParameter("0A1F", rows[1], "12"), "");
    std::vector<std::string> held;
    for (const auto& row : settings.parameterRows("0A1F"))
        held.push_back(row.value);

    ASSERT_EQ(settings.pasteParameters("0B02", settings.parameterRows("0B02"), held), "");
    EXPECT_EQ(key("0B02N1"), "Котельная");
    EXPECT_EQ(key("0B02N2"), "12");
    EXPECT_EQ(key("0A1FN1"), "Котельная");

    ASSERT_EQ(settings.clearParameters("0A1F", rows), "");
    EXPECT_EQ(key("0A1FN1"), "");
    EXPECT_EQ(key("0A1FN2"), "");
    EXPECT_EQ(key("0B02N2"), "12");
    EXPECT_EQ(FormDescription::load(dir.path(), "0A1F").value('N', 1), "____");
}

TEST(FormSettingsKeysTest, ArchiveNumberDigitFilter)
{
    // 6 then 5 would make 65: the 5 is refused; 63 is the largest number.
    EXPECT_EQ(ArchiveNumberKey("", '6'), "6");
    EXPECT_EQ(ArchiveNumberKey("6", '5'), std::nullopt);
    EXPECT_EQ(ArchiveNumberKey("6", '3'), "63");
    EXPECT_EQ(ArchiveNumberKey("0", '7'), "07");
    EXPECT_EQ(ArchiveNumberKey("07", '1'), std::nullopt);
    EXPECT_EQ(ArchiveNumberKey("6", 'a'), std::nullopt);
    EXPECT_EQ(ArchiveNumberKey("6", '-'), std::nullopt);
    EXPECT_EQ(ArchiveNumberKey("63", '\b'), "6");
    EXPECT_EQ(ArchiveNumberKey("", '\b'), "");
    // A number of the file past the limit takes no digit, only backspace.
    EXPECT_EQ(ArchiveNumberKey("100", '1'), std::nullopt);
    EXPECT_EQ(ArchiveNumberKey("100", '\b'), "10");

    EXPECT_TRUE(IsArchiveNumberText(""));
    EXPECT_TRUE(IsArchiveNumberText("63"));
    EXPECT_FALSE(IsArchiveNumberText("64"));
    EXPECT_FALSE(IsArchiveNumberText("1 "));
    EXPECT_FALSE(IsArchiveNumberText("99999999999999999999"));
}

TEST(FormSettingsKeysTest, ControllerHexOfAChoice)
{
    EXPECT_EQ(ControllerHexOfChoice("Котельная 1 (0a1f)"), "0A1F");
    EXPECT_EQ(ControllerHexOfChoice("ЦТП (скв. 2) (1B00)"), "1B00");
    EXPECT_EQ(ControllerHexOfChoice("нет"), std::nullopt);
    EXPECT_EQ(ControllerHexOfChoice("(12)"), std::nullopt);
    EXPECT_EQ(ControllerHexOfChoice("Имя (ZZZZ)"), std::nullopt);
}

} // namespace
} // namespace kest
