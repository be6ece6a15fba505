#include "forms/FormDescription.h"

#include <charconv>

namespace kest {
namespace {

constexpr const char* kHead = "HEAD";

std::optional<int> wholeNumber(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    int v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return v;
}

} // namespace

std::string formKey(char letter, int k)
{
    return std::string(1, letter) + std::to_string(k);
}

std::string controllerFormKey(const std::string& controllerHex, char letter, int k)
{
    return controllerHex + formKey(letter, k);
}

FormDescription::FormDescription(IniFile ini, std::string controllerHex)
    : m_ini(std::move(ini)), m_controllerHex(std::move(controllerHex))
{
}

FormDescription FormDescription::load(const std::filesystem::path& folder, const std::string& controllerHex)
{
    return FormDescription(IniFile::load(findFileNoCase(folder, kFileName)), controllerHex);
}

int FormDescription::type() const
{
    const int tip = m_ini.readInteger("TABL", "TIP", 1);
    return tip >= 0 && tip <= 3 ? tip : 1;
}

std::optional<std::string> FormDescription::plainValue(char letter, int k) const
{
    return m_ini.value(kHead, formKey(letter, k));
}

std::optional<std::string> FormDescription::value(char letter, int k) const
{
    // A value cleared in the settings window leaves the key empty; the form's own
    // value then applies again.
    if (!m_controllerHex.empty()) {
        auto own = m_ini.value(kHead, controllerFormKey(m_controllerHex, letter, k));
        if (own && !own->empty())
            return own;
    }
    return plainValue(letter, k);
}

int FormDescription::integer(char letter, int k, int def) const
{
    const auto v = value(letter, k);
    const auto n = v ? wholeNumber(*v) : std::nullopt;
    return n ? *n : def;
}

int FormDescription::plainInteger(char letter, int k, int def) const
{
    const auto v = plainValue(letter, k);
    const auto n = v ? wholeNumber(*v) : std::nullopt;
    return n ? *n : def;
}

} // namespace kest
