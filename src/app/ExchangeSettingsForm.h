#pragma once

#include "app/ExchangeSettings.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kest {

/// The choice of the serial device on the settings face (comset): "Com1".."Com6"
/// (COMn opens /dev/ttyS<n-1>), then the other serial devices present now, in name
/// order: on-board ports past the sixth (ttyS<n>, n >= 6) that the kernel found a
/// UART for (their `type` under `sysTtyDir` is not 0: the kernel makes the device
/// nodes whether or not a port is fitted) and the USB adapters plugged in (ttyUSB*,
/// ttyACM* under `devDir`); last `current` when it is none of these, so that a device
/// the user gave (a pty, an adapter unplugged for the moment) stays selectable and is
/// written back as it stands. The stable names of the adapters in
/// `devDir`/serial/by-id follow the devices: they stay the same whichever USB socket
/// an adapter is plugged into.
std::vector<std::string> serialDeviceChoices(const std::string& current,
                                             const std::filesystem::path& devDir = "/dev",
                                             const std::filesystem::path& sysTtyDir = "/sys/class/tty");

/// The text an item shows: a device with an adapter behind it gets the adapter's
/// name (read from its /dev/serial/by-id link) beside it, a by-id name the device it
/// stands for; the others show as they are.
std::string serialDeviceLabel(const std::string& choice, const std::filesystem::path& devDir = "/dev");

/// The adapter's name in a /dev/serial/by-id link name:
/// "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0" is "FTDI FT232R USB UART A50285BI".
std::string adapterName(const std::string& byIdName);

/// The item that shows `port`: COM1..COM6 in any case are items 0..5, anything else
/// the item of the same text; -1 when there is none.
int serialDeviceIndex(const std::vector<std::string>& choices, const std::string& port);

/// What RS-232 gets for a chosen item: "COM1".."COM6" for the six, the path as it
/// stands otherwise.
std::string portOfChoice(const std::string& item);

/// The texts of the five depth edits (Edit1, Edit4, Edit3, Edit5, Edit6).
struct DepthTexts
{
    std::string DARH, DARD, DARM, Dok, Dare;
};

/// The depth edits' shared change handler: each edit whose text is not empty sets
/// its key. A text that is no whole number (too long for one, pasted) leaves its
/// key as it was.
void applyDepthTexts(ExchangeSettings& settings, const DepthTexts& texts);

/// The path field shows DatabasePath without its final separator ("/" shows empty).
std::string pathFieldText(const std::string& databasePath);

/// The depth edits take the digits and backspace only.
bool depthKeyAccepted(char32_t key);

/// The path field takes backspace, blank, digits, ':', '\\', '/', Latin and Cyrillic
/// letters (Ё and ё too); ',' and '.' become `decimalSeparator`; every other
/// character is dropped (nothing).
std::optional<char32_t> pathKey(char32_t key, char32_t decimalSeparator);

} // namespace kest
