#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kest {

/// A row of the settings window's parameter list: a text (type 0) or an archive
/// number (type 1) that one controller may have of its own.
struct FormParameterRow
{
    int k = 0;
    std::string name;  ///< Hk
    std::string value; ///< the controller's own Nk; "" when it has none
    /// The form's plain Nk, which a filling takes when the controller has no value.
    std::string formValue;
    bool archive = false; ///< type 1: only archive numbers 0..63 are typed
};

/// A row of the settings window's archive list: one column of the form's table.
struct FormArchiveRow
{
    int k = 0;
    std::string name;     ///< Hk
    std::string archive;  ///< Nk as the file holds it
    int totalType = 0;    ///< Ik; -1 for a value that names no total type
    std::string decimals; ///< Pk, "2" when missing
};

/// The total type names of the archive list, by number.
const std::vector<std::string>& FormTotalNames();
/// The decimals the archive list offers.
const std::vector<std::string>& FormDecimalChoices();

/// Archive numbers are typed digit by digit and stay below 64. The text after a key
/// (a digit, or '\b' for backspace, which takes the last character off) typed at the
/// end of `text`; nothing when the key is refused.
std::optional<std::string> ArchiveNumberKey(std::string_view text, char key);
/// An empty text or a run of digits whose number is below 64.
bool IsArchiveNumberText(std::string_view text);

/// The controller's code of a controller list entry ("Котельная 1 (0A1F)"): the four
/// characters before the closing parenthesis, in upper case. Nothing for "нет" and for
/// an entry without four hexadecimal digits there.
std::optional<std::string> ControllerHexOfChoice(std::string_view entry);

/// The part of a form's OPIS.INI that the settings window edits: per controller the
/// texts and archive numbers of the parameters, per form the table columns. Every
/// store reads the file, changes its keys and writes it back at once, as the profile
/// functions do, so keys written elsewhere in the meantime are kept. Each store
/// returns "" or the reason the file could not be written.
class FormSettings
{
public:
    /// OPIS.INI of the form in `formFolder`, whatever its letter case there.
    explicit FormSettings(const std::filesystem::path& formFolder);

    const std::filesystem::path& file() const { return m_file; }

    /// Types 0 and 1 in parameter order; a type 1 is left out when its P is 2 or 3 (a
    /// date text) or its V is 1. The list stops at the first parameter without a name.
    std::vector<FormParameterRow> parameterRows(const std::string& controllerHex) const;
    /// The type-2 parameters (table columns) in parameter order.
    std::vector<FormArchiveRow> archiveRows() const;

    /// Stores a value under the controller's own key: a text as it is, an archive
    /// number as the number, or empty when the text holds none. An empty value lets
    /// the form's own value apply again.
    [[nodiscard]] std::string
    storeParameter(const std::string& controllerHex, const FormParameterRow& row, const std::string& text);
    /// Stores the held texts, the i-th for the i-th row, in one write ("Вставить").
    [[nodiscard]] std::string pasteParameters(const std::string& controllerHex,
                                              const std::vector<FormParameterRow>& rows,
                                              const std::vector<std::string>& held);
    /// Empties the controller's own value of every row ("Очистить").
    [[nodiscard]] std::string clearParameters(const std::string& controllerHex,
                                              const std::vector<FormParameterRow>& rows);

    /// The archive list's cells; they belong to the form, not to one controller. An
    /// empty archive number is not stored.
    [[nodiscard]] std::string storeArchiveNumber(int k, const std::string& text);
    [[nodiscard]] std::string storeTotalType(int k, int totalType);
    [[nodiscard]] std::string storeDecimals(int k, const std::string& text);

private:
    struct Change
    {
        std::string key;
        std::string value;
    };
    [[nodiscard]] std::string write(const std::vector<Change>& changes);

    std::filesystem::path m_file;
};

} // namespace kest
