#include "app/ExchangeSettingsForm.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <system_error>

namespace kest {
namespace {

constexpr char32_t kBackspace = 0x08;

/// The number after `prefix` in a device name, or -1.
int deviceNumber(const std::string& name, const std::string& prefix)
{
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
        !std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
                     [](char c) { return c >= '0' && c <= '9'; }) ||
        name.size() - prefix.size() > 4)
        return -1;
    return std::stoi(name.substr(prefix.size()));
}

/// An on-board port the kernel found a UART for.
bool uartFitted(const std::filesystem::path& sysTtyDir, const std::string& name)
{
    std::ifstream in(sysTtyDir / name / "type");
    int type = 0;
    return static_cast<bool>(in >> type) && type != 0;
}

bool isPresentDevice(const std::string& name, const std::filesystem::path& sysTtyDir)
{
    if (deviceNumber(name, "ttyUSB") >= 0 || deviceNumber(name, "ttyACM") >= 0)
        return true;
    // ttyS0..ttyS5 are Com1..Com6.
    return deviceNumber(name, "ttyS") >= 6 && uartFitted(sysTtyDir, name);
}

/// By kind, then by number: ttyUSB2 before ttyUSB10.
bool deviceOrder(const std::string& a, const std::string& b)
{
    const auto kindEnd = [](const std::string& n) { return n.find_first_of("0123456789"); };
    const std::string ka = a.substr(0, kindEnd(a)), kb = b.substr(0, kindEnd(b));
    if (ka != kb)
        return ka < kb;
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

/// The links of /dev/serial/by-id, in name order, each with the device it points to.
std::vector<std::pair<std::filesystem::path, std::filesystem::path>> byIdLinks(const std::filesystem::path& devDir)
{
    std::vector<std::pair<std::filesystem::path, std::filesystem::path>> links;
    std::error_code ec;
    const auto dir = devDir / "serial" / "by-id";
    for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code linkError;
        const auto target = std::filesystem::read_symlink(it->path(), linkError);
        if (!linkError)
            links.emplace_back(it->path(), (dir / target).lexically_normal());
    }
    std::sort(links.begin(), links.end());
    return links;
}

} // namespace

std::string adapterName(const std::string& byIdName)
{
    std::string name = byIdName;
    // The bus in front, the interface and port number behind say nothing to the user.
    if (const auto dash = name.find('-'); dash != std::string::npos && dash <= 4)
        name.erase(0, dash + 1);
    if (const auto pos = name.rfind("-if"); pos != std::string::npos && pos > 0)
        name.erase(pos);
    std::replace(name.begin(), name.end(), '_', ' ');
    return name;
}

std::string serialDeviceLabel(const std::string& choice, const std::filesystem::path& devDir)
{
    const std::filesystem::path path(choice);
    for (const auto& [link, device] : byIdLinks(devDir)) {
        if (path == link)
            return choice + "  (" + device.filename().string() + ")";
        if (path == device)
            return choice + "  — " + adapterName(link.filename().string());
    }
    return choice;
}

std::vector<std::string> serialDeviceChoices(const std::string& current,
                                             const std::filesystem::path& devDir,
                                             const std::filesystem::path& sysTtyDir)
{
    std::vector<std::string> choices;
    for (int i = 1; i <= 6; ++i)
        choices.push_back("Com" + std::to_string(i));
    std::vector<std::string> devices;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(devDir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (isPresentDevice(name, sysTtyDir))
            devices.push_back(name);
    }
    std::sort(devices.begin(), devices.end(), deviceOrder);
    for (const std::string& name : devices)
        choices.push_back((devDir / name).string());
    for (const auto& link : byIdLinks(devDir))
        choices.push_back(link.first.string());
    if (!current.empty() && serialDeviceIndex(choices, current) < 0)
        choices.push_back(current);
    return choices;
}

int serialDeviceIndex(const std::vector<std::string>& choices, const std::string& port)
{
    if (const int com = comPortIndex(port); com >= 0)
        return com;
    const auto it = std::find(choices.begin(), choices.end(), port);
    return it == choices.end() ? -1 : static_cast<int>(it - choices.begin());
}

std::string portOfChoice(const std::string& item)
{
    if (const int com = comPortIndex(item); com >= 0)
        return "COM" + std::to_string(com + 1);
    return item;
}

void applyDepthTexts(ExchangeSettings& settings, const DepthTexts& texts)
{
    const auto take = [](const std::string& text, int& key) {
        if (text.empty())
            return;
        int value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error == std::errc() && end == text.data() + text.size())
            key = value;
    };
    take(texts.DARH, settings.DARH);
    take(texts.DARD, settings.DARD);
    take(texts.DARM, settings.DARM);
    take(texts.Dok, settings.Dok);
    take(texts.Dare, settings.Dare);
}

std::string pathFieldText(const std::string& databasePath)
{
    if (!databasePath.empty() && databasePath.back() == '/')
        return databasePath.substr(0, databasePath.size() - 1);
    return databasePath;
}

bool depthKeyAccepted(char32_t key)
{
    return key == kBackspace || (key >= U'0' && key <= U'9');
}

std::optional<char32_t> pathKey(char32_t key, char32_t decimalSeparator)
{
    if (key == U',' || key == U'.')
        return decimalSeparator;
    const bool latin = (key >= U'A' && key <= U'Z') || (key >= U'a' && key <= U'z');
    const bool cyrillic = (key >= U'А' && key <= U'я') || key == U'Ё' || key == U'ё';
    const bool digit = key >= U'0' && key <= U'9';
    if (latin || cyrillic || digit || key == kBackspace || key == U' ' || key == U':' || key == U'\\' ||
        key == U'/')
        return key;
    return std::nullopt;
}

} // namespace kest
