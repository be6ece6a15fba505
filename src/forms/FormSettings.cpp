#include "forms/FormSettings.h"

#include "common/CodePage.h"
#include "common/IniFile.h"
#include "forms/FormDescription.h"

#include <algorithm>

namespace kest {
namespace {

constexpr const char* kHead = "HEAD";
/// Archive numbers of one kind run from 0 to 63.
constexpr int kArchiveLimit = 64;

bool allDigits(std::string_view text)
{
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

/// The whole number a text of digits holds (blanks around it allowed); nothing else.
std::optional<long long> digitsNumber(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    if (!allDigits(text) || text.size() > 12)
        return std::nullopt;
    return std::stoll(std::string(text));
}

std::string numberText(std::string_view text)
{
    const auto n = digitsNumber(text);
    return n ? std::to_string(*n) : std::string();
}

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

} // namespace

const std::vector<std::string>& FormTotalNames()
{
    static const std::vector<std::string> names{"Сумма", "Среднее", "Нараст. итог", "Время наработки"};
    return names;
}

const std::vector<std::string>& FormDecimalChoices()
{
    static const std::vector<std::string> choices{"0", "1", "2", "3", "4"};
    return choices;
}

bool IsArchiveNumberText(std::string_view text)
{
    if (text.empty())
        return true;
    const auto n = digitsNumber(text);
    return n && text.front() != ' ' && text.back() != ' ' && *n < kArchiveLimit;
}

std::optional<std::string> ArchiveNumberKey(std::string_view text, char key)
{
    if (key == '\b')
        return std::string(text.substr(0, text.empty() ? 0 : text.size() - 1));
    if (key < '0' || key > '9')
        return std::nullopt;
    std::string next(text);
    next += key;
    if (!IsArchiveNumberText(next))
        return std::nullopt;
    return next;
}

std::optional<std::string> ControllerHexOfChoice(std::string_view entry)
{
    const auto close = entry.rfind(')');
    if (close == std::string_view::npos || close < 4)
        return std::nullopt;
    const std::string_view hex = entry.substr(close - 4, 4);
    if (!std::all_of(hex.begin(), hex.end(), isHexDigit))
        return std::nullopt;
    return upperCase(hex);
}

FormSettings::FormSettings(const std::filesystem::path& formFolder)
    : m_file(findFileNoCase(formFolder, FormDescription::kFileName))
{
}

std::vector<FormParameterRow> FormSettings::parameterRows(const std::string& controllerHex) const
{
    const FormDescription desc(IniFile::load(m_file), "");
    const IniFile& ini = desc.file();
    std::vector<FormParameterRow> rows;
    for (int k = 1;; ++k) {
        const std::string name = desc.plainValue('H', k).value_or("");
        if (name.empty())
            break;
        const int type = desc.parameterType(k);
        const int moment = desc.plainInteger('P', k, 0);
        const bool listed = type == kParamText || (type == kParamArchiveValue && moment != 2 && moment != 3 &&
                                                   desc.plainInteger('V', k, 0) != 1);
        if (!listed)
            continue;
        FormParameterRow row;
        row.k = k;
        row.name = name;
        row.value = ini.value(kHead, controllerFormKey(controllerHex, 'N', k)).value_or("");
        row.formValue = desc.plainValue('N', k).value_or("");
        row.archive = type == kParamArchiveValue;
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<FormArchiveRow> FormSettings::archiveRows() const
{
    const FormDescription desc(IniFile::load(m_file), "");
    std::vector<FormArchiveRow> rows;
    for (int k = 1;; ++k) {
        const std::string name = desc.plainValue('H', k).value_or("");
        if (name.empty())
            break;
        if (desc.parameterType(k) != kParamTableColumn)
            continue;
        FormArchiveRow row;
        row.k = k;
        row.name = name;
        row.archive = desc.plainValue('N', k).value_or("");
        const int total = desc.plainInteger('I', k, 0);
        row.totalType = total >= 0 && total < static_cast<int>(FormTotalNames().size()) ? total : -1;
        row.decimals = desc.plainValue('P', k).value_or("2");
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string FormSettings::write(const std::vector<Change>& changes)
{
    IniFile ini = IniFile::load(m_file);
    if (!ini.readable())
        return "не удалось прочитать " + m_file.string();
    for (const Change& c : changes)
        ini.writeString(kHead, c.key, c.value);
    return ini.save();
}

std::string FormSettings::storeParameter(const std::string& controllerHex,
                                         const FormParameterRow& row,
                                         const std::string& text)
{
    return write({{controllerFormKey(controllerHex, 'N', row.k), row.archive ? numberText(text) : text}});
}

std::string FormSettings::pasteParameters(const std::string& controllerHex,
                                          const std::vector<FormParameterRow>& rows,
                                          const std::vector<std::string>& held)
{
    std::vector<Change> changes;
    for (std::size_t i = 0; i < rows.size() && i < held.size(); ++i)
        changes.push_back({controllerFormKey(controllerHex, 'N', rows[i].k),
                           rows[i].archive ? numberText(held[i]) : held[i]});
    return changes.empty() ? std::string() : write(changes);
}

std::string FormSettings::clearParameters(const std::string& controllerHex,
                                          const std::vector<FormParameterRow>& rows)
{
    std::vector<Change> changes;
    for (const FormParameterRow& row : rows)
        changes.push_back({controllerFormKey(controllerHex, 'N', row.k), ""});
    return changes.empty() ? std::string() : write(changes);
}

std::string FormSettings::storeArchiveNumber(int k, const std::string& text)
{
    const std::string number = numberText(text);
    if (number.empty())
        return {};
    return write({{formKey('N', k), number}});
}

std::string FormSettings::storeTotalType(int k, int totalType)
{
    if (totalType < 0 || totalType >= static_cast<int>(FormTotalNames().size()))
        return {};
    return write({{formKey('I', k), std::to_string(totalType)}});
}

std::string FormSettings::storeDecimals(int k, const std::string& text)
{
    return write({{formKey('P', k), numberText(text)}});
}

} // namespace kest
