#include "app/ExchangeSettingsForm.h"

#include <algorithm>
#include <charconv>
#include <system_error>

namespace kest {
namespace {

constexpr char32_t kBackspace = 0x08;

/// USB serial adapters: their device nodes exist only while the adapter is plugged
/// in. The on-board ports (ttyS*) are not listed: the kernel makes their nodes
/// whether or not a port is fitted, and Com1..Com6 name the first six anyway.
bool isAdapterName(const std::string& name)
{
    for (const char* prefix : {"ttyUSB", "ttyACM"}) {
        const std::string p = prefix;
        if (name.size() > p.size() && name.compare(0, p.size(), p) == 0 &&
            std::all_of(name.begin() + static_cast<std::ptrdiff_t>(p.size()), name.end(),
                        [](char c) { return c >= '0' && c <= '9'; }))
            return true;
    }
    return false;
}

/// ttyUSB2 before ttyUSB10.
bool deviceOrder(const std::string& a, const std::string& b)
{
    if (a.size() != b.size() && a.substr(0, 6) == b.substr(0, 6))
        return a.size() < b.size();
    return a < b;
}

} // namespace

std::vector<std::string> serialDeviceChoices(const std::string& current, const std::filesystem::path& devDir)
{
    std::vector<std::string> choices;
    for (int i = 1; i <= 6; ++i)
        choices.push_back("Com" + std::to_string(i));
    std::vector<std::string> adapters;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(devDir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (isAdapterName(name))
            adapters.push_back(name);
    }
    std::sort(adapters.begin(), adapters.end(), deviceOrder);
    for (const std::string& name : adapters)
        choices.push_back((devDir / name).string());
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
