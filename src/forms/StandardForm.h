#pragma once

#include "common/DateTime.h"
#include "forms/FormDescription.h"
#include "grid/TableModel.h"
#include "reports/BlankFile.h"
#include "reports/ReportPeriod.h"

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kest {

class ArchiveDatabase;
class ExchangeLog;
class Prompter;

/// Parameter numbers of a form run from 0 to this; markers above it stay text.
constexpr int kMaxFormParameter = 150;
/// A cell gives up to this many markers.
constexpr int kMaxCellMarkers = 10;
/// The period entry and blank number the standard forms use.
constexpr int kFormBlankNumber = 140;

/// The value texts of a form's parameters and whether each was produced in the
/// current filling. The texts outlive a filling (a result shown above its formula
/// shows the previous filling's value); the flags are cleared at every filling.
/// An archive value or a formula result also keeps the number it was shown from:
/// a formula computes from that number, not from the text rounded for the cell.
struct ParameterTable
{
    std::array<std::string, kMaxFormParameter + 1> text;
    std::array<std::optional<double>, kMaxFormParameter + 1> number;
    std::array<bool, kMaxFormParameter + 1> computed{};
};

/// The three filled tables of a form.
struct FilledForm
{
    TableModel upgrid;   ///< m1.ini
    TableModel basegrid; ///< m2.ini
    TableModel downgrid; ///< m3.ini
    int TIP = 1;         ///< the form's archive kind
};

/// Everything one filling needs. The window keeps `parameters`, `ablini` and
/// `periods` between fillings; the period is `periods[kFormBlankNumber]`.
struct FormRequest
{
    std::filesystem::path DatabasePath;
    std::string folder;        ///< the form's folder name in DatabasePath
    std::string ControllerHex; ///< four upper-case hexadecimal digits
    ParameterTable& parameters;
    BlankRecord& ablini; ///< scratch blank of the table steps
    PeriodTable& periods;
    Prompter& prompter;
    ExchangeLog* log = nullptr;
    /// ',' until the first record of the run was read or stored, '.' after that.
    char decimalSeparator = ',';
};

enum class FormOutcome
{
    Filled,
    /// The archive database is missing or refused, the form could not be loaded (no
    /// such folder, a broken table file) or a
    /// formula met a text that is not a number; `message` says which. After a
    /// formula error the tables hold what was filled up to that cell.
    Failed,
};

struct FormResult
{
    FormOutcome outcome = FormOutcome::Failed;
    std::string message;
    /// The database engine's reason when the archive database could not be used
    /// (`message` is then message 43).
    std::string detail;
};

/// The standard-form list: "нет", then the form folders of DatabasePath by name.
/// Hidden folders (a leading dot) and folders the user may not write (read-only) are
/// not forms, as the program has always passed over folders with such attributes.
std::vector<std::string> StandardFormList(const std::filesystem::path& DatabasePath);

/// The form's folder in DatabasePath, found whatever its letter case; nothing when
/// there is none.
std::optional<std::filesystem::path> FindFormFolder(const std::filesystem::path& DatabasePath,
                                                    const std::string& folder);

/// The archive kind of the form in that folder (TIP of OPIS.INI, 1 without it): the
/// window sets the blank type from it before it asks for the period.
int StandardFormType(const std::filesystem::path& formFolder);

/// Loads the form's three tables, writes the period title into its cell and replaces
/// every marker for the controller and the period: the one call of a filling.
FormResult FillStandardForm(FormRequest& request, FilledForm& form);

/// The period title line of a form of `formType`.
std::string FormPeriodTitle(int formType, const ReportPeriod& period);

/// The moment an archive value is taken at: the period's start (`end` false) or end,
/// by form type; and the text that moments 2 and 3 show for it.
DateTime FormMoment(int formType, const ReportPeriod& period, bool end);
std::string FormMomentText(int formType, const ReportPeriod& period, bool end);

/// The one message of a filling whose tables asked for more than 16 columns.
std::string ColumnsLeftOutMessage(const std::vector<int>& parameters);

/// A number as a form shows it: at least 8 characters, right-aligned with leading
/// blanks, `decimals` digits after the separator.
std::string FormatFormValue(double value, int decimals, char separator);

/// The markers of one cell text, for the window-free parts of the filling.
class FormFiller
{
public:
    FormFiller(FormRequest& request, const FormDescription& description, ArchiveDatabase* db);

    /// The parameter numbers of the markers of a cell text, in order (at most ten).
    /// Archive values and formulas met in the text are computed on the way. A formula
    /// whose first operand is not a number stops with `error()` set.
    std::vector<int> ScanCellMarkers(const std::string& text);

    /// The value of a formula of markers and + - * / from left to right, without
    /// precedence. Nothing when an operand holds the controller's "no value".
    std::optional<double> EvaluateFormula(const std::string& formula);

    /// The stored value of archive `archive` of the form's kind at `moment`; "..."
    /// (no value) when there is no such row, the query fails or the reading is the
    /// controller's "no value": a missing reading must not bill as zero.
    std::string FetchArchiveValue(int archive, DateTime moment);

    /// Replaces every marker of number n in the text by `value`.
    static void ReplaceMarker(std::string& text, int n, const std::string& value);

    /// Fills one loaded table; false after a formula error.
    bool fillTable(TableModel& table);

    const std::string& error() const { return m_error; }
    /// The table-column parameters that did not fit a table's 16 columns.
    const std::vector<int>& columnsLeftOut() const { return m_columnsLeftOut; }

private:
    std::string& valueOf(int n) { return m_request.parameters.text[static_cast<std::size_t>(n)]; }
    std::optional<double>& numberOf(int n) { return m_request.parameters.number[static_cast<std::size_t>(n)]; }
    /// Sets n's text and the number it stands for (none for a text parameter).
    void setValue(int n, std::string text, std::optional<double> number);
    /// The number an archive value stands for; nothing for "no value".
    std::optional<double> fetchArchiveNumber(int archive, DateTime moment);
    /// A value read from the archive as text, with the run's decimal separator.
    std::string unformatted(double v) const;
    /// The number an operand stands for: the kept one, else its text read as a number.
    std::optional<double> operandValue(int m);
    bool computed(int n) const { return m_request.parameters.computed[static_cast<std::size_t>(n)]; }
    void setComputed(int n) { m_request.parameters.computed[static_cast<std::size_t>(n)] = true; }
    std::string textParameter(int n);
    void archiveParameter(int n, bool formatted);
    void formula(int n, const std::string& text);
    /// The number an operand text holds, either separator taken; nothing otherwise.
    std::optional<double> operandNumber(const std::string& text) const;
    void removeFormula(std::string& text, int n);
    /// Gives the table's row-count parameter (the R key of marker n) its count.
    void setRowCount(int n, int rows);
    /// Empties the cells of the columns past a blank's 16 and notes their parameters.
    void leaveOutColumns(TableModel& table, int c, int r, int columns);
    /// The table step of marker n at (c, r); returns the columns it covers.
    int tableStep(TableModel& table, int c, int r, int n);

    FormRequest& m_request;
    const FormDescription& m_desc;
    ArchiveDatabase* m_db;
    int m_type;
    std::string m_error;
    /// Table-column parameters past the blank's 16 columns, said once per filling.
    std::vector<int> m_columnsLeftOut;
};

} // namespace kest
