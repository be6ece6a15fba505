#include "app/ExchangeSettingsForm.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

namespace kest {
namespace {

TEST(ExchangeSettingsFormTest, DeviceChoiceKeepsEveryPathTheUserGave)
{
    test::TempDir dev, sys;
    for (const char* name :
         {"ttyUSB10", "ttyUSB2", "ttyACM0", "ttyS0", "ttyS7", "ttyS8", "ttyS9", "ttyUSB", "tty0"})
        test::writeFile(dev / name, "");
    // The kernel found a UART for ttyS0 and ttyS8 only.
    for (const auto& [name, type] :
         {std::pair{"ttyS0", "4\n"}, std::pair{"ttyS7", "0\n"}, std::pair{"ttyS8", "4\n"}}) {
        std::filesystem::create_directories(sys / name);
        test::writeFile(sys / name / "type", type);
    }
    const std::string usb2 = (dev / "ttyUSB2").string();
    const std::vector<std::string> expected = {"Com1",
                                               "Com2",
                                               "Com3",
                                               "Com4",
                                               "Com5",
                                               "Com6",
                                               (dev / "ttyACM0").string(),
                                               (dev / "ttyS8").string(),
                                               usb2,
                                               (dev / "ttyUSB10").string()};
    EXPECT_EQ(serialDeviceChoices("com3", dev.path(), sys.path()), expected);
    EXPECT_EQ(serialDeviceChoices(usb2, dev.path(), sys.path()), expected);

    // A pty, an unplugged adapter or COM7 joins the list and stays selected.
    for (const std::string port : {"/dev/pts/3", "/dev/ttyUSB5", "COM7"}) {
        const auto choices = serialDeviceChoices(port, dev.path(), sys.path());
        ASSERT_EQ(choices.size(), expected.size() + 1) << port;
        EXPECT_EQ(choices.back(), port);
        EXPECT_EQ(serialDeviceIndex(choices, port), static_cast<int>(expected.size()));
        EXPECT_EQ(portOfChoice(choices[static_cast<std::size_t>(serialDeviceIndex(choices, port))]), port);
    }
    EXPECT_EQ(serialDeviceIndex(expected, "com3"), 2);
    EXPECT_EQ(serialDeviceIndex(expected, usb2), 8);
    EXPECT_EQ(serialDeviceIndex(expected, "/dev/pts/9"), -1);
    EXPECT_EQ(portOfChoice("Com5"), "COM5");
    EXPECT_EQ(serialDeviceChoices("", dev.path().string() + "/missing").size(), 6u);
}

TEST(ExchangeSettingsFormTest, DepthTextsSetOnlyTheirOwnKeys)
{
    ExchangeSettings s;
    applyDepthTexts(s, {"30", "", "99999999999", "7x", "0"});
    EXPECT_EQ(s.DARH, 30);
    EXPECT_EQ(s.DARD, 365); // empty: untouched
    EXPECT_EQ(s.DARM, 365); // too long for a number
    EXPECT_EQ(s.Dok, 365);
    EXPECT_EQ(s.Dare, 0);
}

TEST(ExchangeSettingsFormTest, KeyFilters)
{
    for (char32_t c : {U'0', U'9', U'\b'})
        EXPECT_TRUE(depthKeyAccepted(c));
    for (char32_t c : {U'-', U'a', U' ', U'٣', U'.'})
        EXPECT_FALSE(depthKeyAccepted(c));

    for (char32_t c : {U'\b', U' ', U'7', U':', U'\\', U'/', U'q', U'Z', U'Ж', U'я', U'Ё', U'ё'})
        EXPECT_EQ(pathKey(c, U','), c);
    EXPECT_EQ(pathKey(U'.', U','), U',');
    EXPECT_EQ(pathKey(U',', U'.'), U'.');
    for (char32_t c : {U'_', U'-', U'*', U'"', U'ß', U'Ѓ', U'\t'})
        EXPECT_FALSE(pathKey(c, U',')) << static_cast<int>(c);

    EXPECT_EQ(pathFieldText("/data/kest/"), "/data/kest");
    EXPECT_EQ(pathFieldText("/"), "");
}

} // namespace
} // namespace kest

namespace kest {
namespace {

// The stable names of /dev/serial/by-id join the list after the devices; each device
// shows its adapter's name, and a chosen name is written to NN.INI as it stands.
TEST(ExchangeSettingsFormTest, StableAdapterNamesAreOfferedBesideTheirDevices)
{
    test::TempDir dev;
    test::writeFile(dev / "ttyUSB0", "");
    test::writeFile(dev / "ttyUSB1", "");
    std::filesystem::create_directories(dev / "serial/by-id");
    const std::string ftdi = "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    const std::string prolific = "usb-Prolific_Technology_Inc._USB-Serial_Controller-if00-port0";
    std::filesystem::create_symlink("../../ttyUSB0", dev / "serial/by-id" / ftdi);
    std::filesystem::create_symlink("../../ttyUSB1", dev / "serial/by-id" / prolific);

    const auto choices = serialDeviceChoices("COM1", dev.path(), dev.path());
    const std::string ftdiPath = (dev / "serial/by-id" / ftdi).string();
    ASSERT_EQ(choices.size(), 10u);
    EXPECT_EQ(choices[6], (dev / "ttyUSB0").string());
    EXPECT_EQ(choices[8], ftdiPath);
    EXPECT_EQ(serialDeviceLabel(choices[6], dev.path()),
              (dev / "ttyUSB0").string() + "  \u2014 FTDI FT232R USB UART A50285BI");
    EXPECT_EQ(serialDeviceLabel(choices[9], dev.path()), choices[9] + "  (ttyUSB1)");
    EXPECT_EQ(adapterName(prolific), "Prolific Technology Inc. USB-Serial Controller");
    EXPECT_EQ(serialDeviceLabel("Com2", dev.path()), "Com2");

    // The by-id name is what NN.INI keeps, not the ttyUSB it points to today.
    EXPECT_EQ(portOfChoice(choices[8]), ftdiPath);
    EXPECT_EQ(serialDeviceIndex(serialDeviceChoices(ftdiPath, dev.path(), dev.path()), ftdiPath), 8);
}

} // namespace
} // namespace kest
