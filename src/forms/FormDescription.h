#pragma once

#include "common/IniFile.h"

#include <optional>
#include <string>

namespace kest {

/// Parameter types of a standard form (the T keys).
enum FormParameterType
{
    kParamText = 0,
    kParamArchiveValue = 1,
    kParamTableColumn = 2,
    kParamFormula = 3,
    kParamResult = 4,
    kParamFixedText = 5,
    kParamTable = 6,
};

/// The description file OPIS.INI of a standard form, read for one controller: the keys
/// that have a controller-specific form (0A1FN5 beside N5) take it first.
class FormDescription
{
public:
    static constexpr const char* kFileName = "OPIS.INI";

    FormDescription() = default;
    FormDescription(IniFile ini, std::string controllerHex);

    /// OPIS.INI in the form's folder, whatever its letter case there.
    static FormDescription load(const std::filesystem::path& folder, const std::string& controllerHex);

    /// The archive kind of the form: 0 hourly, 1 daily, 2 monthly, 3 interval. A form
    /// without the key, or with a kind the program does not know, is a daily form.
    int type() const;
    /// The table of the period title: 0 none, 1 upper, 2 main, 3 lower.
    int titleTable() const { return m_ini.readInteger("TABL", "OT", 0); }
    int titleColumn() const { return m_ini.readInteger("TABL", "OTKOL", 0); }
    int titleRow() const { return m_ini.readInteger("TABL", "OTROW", 0); }

    /// The type of parameter k; 0 when the key is missing.
    int parameterType(int k) const { return plainInteger('T', k, kParamText); }

    /// The controller-specific key, or the plain one when that is missing or empty.
    std::optional<std::string> value(char letter, int k) const;
    std::optional<std::string> plainValue(char letter, int k) const;
    /// The same as a whole number; a missing key, or one that is not a number, gives `def`.
    int integer(char letter, int k, int def) const;
    int plainInteger(char letter, int k, int def) const;

    const std::string& controllerHex() const { return m_controllerHex; }
    const IniFile& file() const { return m_ini; }

private:
    IniFile m_ini;
    std::string m_controllerHex;
};

/// Key names of the HEAD section: N5, and 0A1FN5 for controller 0A1F.
std::string formKey(char letter, int k);
std::string controllerFormKey(const std::string& controllerHex, char letter, int k);

} // namespace kest
