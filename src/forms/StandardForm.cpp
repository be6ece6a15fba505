#include "forms/StandardForm.h"

#include "common/CodePage.h"
#include "common/Hex.h"
#include "common/Prompter.h"
#include "db/ArchiveTables.h"
#include "grid/TableLayoutFile.h"
#include "link/ExchangeStatus.h"
#include "registrar/ValueEncoding.h"
#include "reports/ReportBuilder.h"
#include "reports/ReportRun.h"
#include "reports/ReportWords.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace kest {
namespace {

constexpr const char* kNoValueText = "...";
/// Marker digits past this many cannot name a parameter; the number is capped so that
/// a long run of digits cannot overflow.
constexpr int kNumberCap = 1000000;

bool isDigit(char ch)
{
    return ch >= '0' && ch <= '9';
}

/// The byte length of the UTF-8 character that starts at `at`.
std::size_t charLength(const std::string& text, std::size_t at)
{
    const auto b = static_cast<unsigned char>(text[at]);
    std::size_t n = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 1;
    return std::min(n, text.size() - at);
}

/// The byte offset `count` characters after `at` (clipped to the text).
std::size_t advanceChars(const std::string& text, std::size_t at, std::size_t count)
{
    while (count-- > 0 && at < text.size())
        at += charLength(text, at);
    return std::min(at, text.size());
}

/// The run of digits at `at`: its number (capped) and where it ends.
std::pair<int, std::size_t> readNumber(const std::string& text, std::size_t at)
{
    int n = 0;
    while (at < text.size() && isDigit(text[at])) {
        n = std::min(n * 10 + (text[at] - '0'), kNumberCap);
        ++at;
    }
    return {n, at};
}

bool inTable(int n)
{
    return n >= 0 && n <= kMaxFormParameter;
}

std::string dateOnly(DateTime t)
{
    return formatDate(t);
}

std::string twoDigits(int v)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

/// The first day of the month of t.
DateTime monthStart(DateTime t)
{
    const auto p = decodeDateTime(t);
    return *encodeDateTime(p.year, p.month, 1);
}

TableModel& tableOf(FilledForm& form, int which)
{
    return which == 1 ? form.upgrid : which == 2 ? form.basegrid : form.downgrid;
}

} // namespace

std::string ColumnsLeftOutMessage(const std::vector<int>& parameters)
{
    std::string list;
    for (int m : parameters)
        list += (list.empty() ? "" : ", ") + std::to_string(m);
    return "В таблице бланка больше " + std::to_string(kBlankColumns) + " столбцов: столбцы параметров " +
           list + " не заполнены.";
}

std::string FormatFormValue(double value, int decimals, char separator)
{
    std::string text = FormatReportValue(value, std::clamp(decimals, 0, 15), separator);
    if (text.size() < 8)
        text.insert(0, 8 - text.size(), ' ');
    return text;
}

DateTime FormMoment(int formType, const ReportPeriod& p, bool end)
{
    const DateTime day = end ? p.endDate : p.startDate;
    const int hour = end ? p.endHour : p.startHour;
    const int minute = end ? p.endMinute : p.startMinute;
    switch (formType) {
    case kHourlyBlank:
        return roundToSecond(day + hour * kOneHour);
    case kMonthlyBlank:
        return monthStart(day);
    case kIntervalBlank:
        return roundToSecond(day + hour * kOneHour + minute * kOneMinute);
    default:
        return day;
    }
}

std::string FormMomentText(int formType, const ReportPeriod& p, bool end)
{
    const DateTime t = FormMoment(formType, p, end);
    switch (formType) {
    case kHourlyBlank:
        return formatDate(t) + " " + std::to_string(end ? p.endHour : p.startHour) + ":00:00";
    case kIntervalBlank:
        return formatDate(t) + " " + formatTime(t);
    default:
        return dateOnly(t);
    }
}

std::string FormPeriodTitle(int formType, const ReportPeriod& p)
{
    const DateTime d1 = p.startDate, d2 = p.endDate;
    switch (formType) {
    case kHourlyBlank: {
        const DateTime s = roundToSecond(d1 + p.startHour * kOneHour);
        const DateTime e = roundToSecond(d2 + p.endHour * kOneHour);
        auto at = [](DateTime t) {
            const std::string time = formatTime(t);
            return time == "0:00:00" ? "0 часов " + formatDate(t) : time + " " + formatDate(t);
        };
        if (s == e)
            return "за " + at(s) + " года";
        return "за период с " + at(s) + " года по " + at(e) + " года";
    }
    case kMonthlyBlank: {
        const auto a = decodeDateTime(d1), b = decodeDateTime(d2);
        if (d1 == d2)
            return "за " + MonthName(a.month) + " " + std::to_string(a.year) + " года";
        return "за период с " + MonthNameGenitive(a.month) + " " + std::to_string(a.year) + " года по " +
               MonthName(b.month) + " " + std::to_string(b.year) + " года";
    }
    case kIntervalBlank:
        return "за период с " + twoDigits(p.startHour) + ":" + twoDigits(p.startMinute) + "  " +
               formatDate(d1) + " г. по " + twoDigits(p.endHour) + ":" + twoDigits(p.endMinute) + "  " +
               formatDate(d2) + " г.";
    default:
        if (d1 == d2)
            return "за " + formatDate(d1) + " года";
        return "за период с " + formatDate(d1) + " года по " + formatDate(d2) + " года";
    }
}

std::vector<std::string> StandardFormList(const std::filesystem::path& DatabasePath)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(DatabasePath, ec)) {
        const auto status = entry.symlink_status(ec);
        const std::string name = entry.path().filename().string();
        if (ec || status.type() != std::filesystem::file_type::directory || name.empty() ||
            name.front() == '.')
            continue;
        if ((status.permissions() & std::filesystem::perms::owner_write) == std::filesystem::perms::none)
            continue;
        names.push_back(name);
    }
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return foldCase(a) < foldCase(b); });
    names.insert(names.begin(), "нет");
    return names;
}

std::optional<std::filesystem::path> FindFormFolder(const std::filesystem::path& DatabasePath,
                                                    const std::string& folder)
{
    if (folder.empty() || folder == "." || folder == ".." || folder.find('/') != std::string::npos)
        return std::nullopt;
    const std::string wanted = foldCase(folder);
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(DatabasePath, ec)) {
        if (entry.is_directory(ec) && foldCase(entry.path().filename().string()) == wanted)
            return entry.path();
    }
    return std::nullopt;
}

int StandardFormType(const std::filesystem::path& formFolder)
{
    return FormDescription::load(formFolder, "").type();
}

FormFiller::FormFiller(FormRequest& request, const FormDescription& description, ArchiveDatabase* db)
    : m_request(request), m_desc(description), m_db(db), m_type(description.type())
{
}

void FormFiller::ReplaceMarker(std::string& text, int n, const std::string& value)
{
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '%' && i + 1 < text.size() && isDigit(text[i + 1])) {
            const auto [number, end] = readNumber(text, i + 1);
            if (number == n)
                out += value;
            else
                out.append(text, i, end - i);
            i = end;
            continue;
        }
        out += text[i++];
    }
    text = std::move(out);
}

std::optional<double> FormFiller::fetchArchiveNumber(int archive, DateTime moment)
{
    // Archive numbers past FF or controllers past FFFF have no key of their own, so
    // no row can be stored for them.
    const std::int64_t controller = ParseHex(m_request.ControllerHex);
    if (!m_db || archive < 0 || archive > 0xFF || controller > 0xFFFF || m_type < 0 || m_type > 3)
        return std::nullopt;
    std::optional<double> v;
    const auto kind = static_cast<ArchiveKind>(m_type);
    if (!SelectArchiveValue(*m_db, kind, ArchiveKey(controller, kind, archive), moment, v).ok() || !v ||
        *v == NoValue)
        return std::nullopt;
    return v;
}

std::string FormFiller::FetchArchiveValue(int archive, DateTime moment)
{
    const std::optional<double> v = fetchArchiveNumber(archive, moment);
    return v ? unformatted(*v) : kNoValueText;
}

std::string FormFiller::unformatted(double v) const
{
    char buf[64];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
    std::string text(buf, ec == std::errc() ? end : buf);
    std::replace(text.begin(), text.end(), '.', m_request.decimalSeparator);
    return text;
}

void FormFiller::setValue(int n, std::string text, std::optional<double> number)
{
    valueOf(n) = std::move(text);
    numberOf(n) = number;
}

std::string FormFiller::textParameter(int n)
{
    if (!computed(n)) {
        setValue(n, m_desc.value('N', n).value_or(""), std::nullopt);
        setComputed(n);
    }
    return valueOf(n);
}

void FormFiller::archiveParameter(int n, bool formatted)
{
    const int archive = m_desc.value('N', n) ? m_desc.integer('N', n, -1) : -1;
    if (archive == -1) {
        setValue(n, "0", 0.0);
        setComputed(n);
        return;
    }
    const int moment = m_desc.integer('P', n, 1);
    if (moment == 2 || moment == 3) {
        // A date text is not marked computed: it stays whatever the period says.
        setValue(n, FormMomentText(m_type, m_request.periods[kFormBlankNumber], moment == 3), std::nullopt);
        return;
    }
    const bool atEnd = moment != 0;
    const DateTime at = FormMoment(m_type, m_request.periods[kFormBlankNumber], atEnd);
    const std::optional<double> v = fetchArchiveNumber(archive, at);
    if (!v)
        setValue(n, kNoValueText, std::nullopt);
    else if (formatted)
        setValue(n, FormatFormValue(*v, m_desc.integer('P', n, 2), m_request.decimalSeparator), v);
    else
        setValue(n, unformatted(*v), v);
    setComputed(n);
}

std::optional<double> FormFiller::operandValue(int m)
{
    if (const std::optional<double>& kept = numberOf(m))
        return kept;
    return operandNumber(valueOf(m));
}

std::optional<double> FormFiller::operandNumber(const std::string& text) const
{
    std::string t = text;
    t.erase(0, t.find_first_not_of(' '));
    t.erase(t.find_last_not_of(' ') + 1);
    if (const auto sep = t.find_first_of(".,"); sep != std::string::npos)
        t[sep] = '.';
    if (!t.empty() && t.front() == '+')
        t.erase(0, 1);
    double x = 0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), x);
    if (t.empty() || ec != std::errc() || end != t.data() + t.size() || !std::isfinite(x))
        return std::nullopt;
    return x;
}

std::optional<double> FormFiller::EvaluateFormula(const std::string& formula)
{
    double result = 0;
    char pending = 0;
    bool noValue = false;
    const std::string text = formula + "  ";
    const auto firstPercent = text.find('%');
    if (firstPercent == std::string::npos)
        return result;
    for (std::size_t i = firstPercent; i < text.size() && m_error.empty();) {
        const char ch = text[i];
        if (ch == '+' || ch == '-' || ch == '*' || ch == '/') {
            pending = ch;
            ++i;
            continue;
        }
        if (!isDigit(ch)) {
            ++i;
            continue;
        }
        const auto [m, end] = readNumber(text, i);
        i = end;
        if (!inTable(m))
            continue; // past the parameter table: names nothing
        if (!computed(m)) {
            const int type = m_desc.parameterType(m);
            if (type == kParamText || type == kParamFixedText)
                textParameter(m);
            else if (type == kParamArchiveValue)
                archiveParameter(m, false);
        }
        const std::string& operand = valueOf(m);
        if (operand == kNoValueText) {
            noValue = true;
            pending = 0;
            continue;
        }
        const auto x = operandValue(m);
        if (!pending) {
            if (!x) {
                m_error = "\"" + operand + "\" (параметр " + std::to_string(m) + ") не является числом.";
                return std::nullopt;
            }
            result += *x;
        } else if (x) {
            if (pending == '+')
                result += *x;
            else if (pending == '-')
                result -= *x;
            else if (pending == '*')
                result *= *x;
            else if (*x != 0)
                result /= *x; // a division by zero leaves the result as it was
        }
        pending = 0;
    }
    if (noValue)
        return std::nullopt;
    return result;
}

void FormFiller::formula(int n, const std::string& formulaText)
{
    const int target = m_desc.integer('N', n, 0);
    const std::optional<double> v = EvaluateFormula(formulaText);
    if (!m_error.empty() || !inTable(target))
        return;
    if (v)
        setValue(target, FormatFormValue(*v, m_desc.integer('P', target, 2), m_request.decimalSeparator), v);
    else
        setValue(target, kNoValueText, std::nullopt);
    setComputed(target);
}

std::vector<int> FormFiller::ScanCellMarkers(const std::string& cellText)
{
    std::vector<int> markers;
    const std::string text = cellText + "  ";
    std::size_t i = 0;
    while (i < text.size() && m_error.empty()) {
        if (text[i] != '%' || i + 1 >= text.size() || !isDigit(text[i + 1])) {
            ++i;
            continue;
        }
        const auto [n, end] = readNumber(text, i + 1);
        i = end;
        if (!inTable(n))
            continue; // stays text
        if (markers.size() == static_cast<std::size_t>(kMaxCellMarkers))
            break;
        markers.push_back(n);
        const int type = m_desc.parameterType(n);
        if (type == kParamFormula) {
            const int length = std::max(m_desc.integer('P', n, 0), 0);
            const std::size_t from = advanceChars(text, end, 1);
            const std::size_t to = advanceChars(text, from, static_cast<std::size_t>(length));
            formula(n, text.substr(from, to - from));
            i = advanceChars(text, to, 1);
        } else if (type == kParamArchiveValue && !computed(n)) {
            archiveParameter(n, true);
        }
    }
    return markers;
}

void FormFiller::removeFormula(std::string& text, int n)
{
    const int length = std::max(m_desc.integer('P', n, 0), 0);
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '%' || !isDigit(text[i + 1]))
            continue;
        const auto [number, end] = readNumber(text, i + 1);
        if (number != n) {
            i = end - 1;
            continue;
        }
        // The marker, its separator and the formula text.
        const std::size_t stop = advanceChars(text, end, 1 + static_cast<std::size_t>(length));
        text.erase(i, stop - i);
        return;
    }
}

int FormFiller::tableStep(TableModel& table, int c, int r, int n)
{
    table.cell(c, r).text.clear();
    setComputed(n);
    const int columns = std::clamp(m_desc.integer('N', n, 1), 0, kMaxCellMarkers * 100);

    BlankRecord& blank = m_request.ablini;
    const int type = blank.TIP;
    ResetBlank(blank);
    blank.TIP = type;
    blank.NAME[0] = m_request.folder;
    for (int k = 1; k <= kBlankColumns; ++k)
        blank.ZAP[k] = 2;
    const std::int64_t controller = ParseHex(m_request.ControllerHex);
    for (int k = 1; k <= std::min(columns, kBlankColumns) && c + k < table.colCount(); ++k) {
        GridCell& cell = table.cell(c + k, r);
        const auto [m, end] = readNumber(cell.text, std::min<std::size_t>(1, cell.text.size()));
        const bool named = end > 1 && inTable(m);
        cell.text.clear();
        if (named)
            setComputed(m);
        blank.MERAN[k] = static_cast<int>(controller);
        blank.NAME[k] = "не важно что";
        blank.ZAP[k] = named ? m_desc.plainInteger('P', m, 2) : 2;
        blank.ARH[k] = named ? m_desc.plainInteger('N', m, kNoArchive) : kNoArchive;
        blank.ITOG[k] = named ? m_desc.plainInteger('I', m, kTotalSum) : kTotalSum;
    }
    leaveOutColumns(table, c, r, columns);

    ReportRequest report{blank, m_request.periods, kFormBlankNumber, m_request.DatabasePath,
                         m_request.prompter};
    report.log = m_request.log;
    report.decimalSeparator = m_request.decimalSeparator;
    ReportTables built;
    if (MakeReport(report, built).outcome != ReportOutcome::Built) {
        // An empty period has no rows: a count left from the last filling would
        // caption its totals and divide its averages.
        setRowCount(n, 0);
        return columns;
    }

    const TableModel& src = built.basegrid;
    const int dataRows = src.rowCount() - built.HeaderRows - 1;
    const int lastCol = src.colCount() - 1;
    const int first = std::max(m_desc.plainInteger('P', n, 0), 0);
    for (int i = 1; i <= dataRows; ++i) {
        if (i > 1) {
            table.insertRow(r + i - 1);
            table.setRowHeight(r + i - 1, table.rowHeight(r));
        }
        for (int j = first; j <= lastCol && c + j < table.colCount(); ++j) {
            const GridCell& from = src.cell(j, built.HeaderRows + i - 1);
            GridCell& to = table.cell(c + j, r + i - 1);
            to.hAlign = from.hAlign;
            to.font = from.font;
            to.text = from.text;
        }
    }
    const int totalsFromEnd = m_desc.plainInteger('I', n, 0);
    const int totalsRow = table.rowCount() - 1 - totalsFromEnd;
    if (totalsFromEnd != -1 && totalsRow >= 0 && totalsRow < table.rowCount()) {
        for (int j = 1; j <= lastCol && c + j < table.colCount(); ++j) {
            const GridCell& from = src.cell(j, src.rowCount() - 1);
            GridCell& to = table.cell(c + j, totalsRow);
            to.hAlign = from.hAlign;
            to.text = from.text;
        }
    }
    setRowCount(n, dataRows);
    return columns;
}

void FormFiller::setRowCount(int n, int rows)
{
    if (!m_desc.value('R', n))
        return;
    const int receiver = m_desc.integer('R', n, -1);
    if (inTable(receiver)) {
        setValue(receiver, std::to_string(rows), rows);
        setComputed(receiver);
    }
}

void FormFiller::leaveOutColumns(TableModel& table, int c, int r, int columns)
{
    // A blank has 16 columns; the cells of the columns past them are emptied like
    // the others so that no raw marker is printed, and the filling names them.
    for (int k = kBlankColumns + 1; k <= columns && c + k < table.colCount(); ++k) {
        GridCell& cell = table.cell(c + k, r);
        const auto [m, end] = readNumber(cell.text, std::min<std::size_t>(1, cell.text.size()));
        if (end > 1 && inTable(m)) {
            setComputed(m);
            m_columnsLeftOut.push_back(m);
        }
        cell.text.clear();
    }
}

bool FormFiller::fillTable(TableModel& table)
{
    for (int r = 0; r < table.rowCount(); ++r) {
        int skipTo = -1;
        for (int c = 0; c < table.colCount(); ++c) {
            if (c <= skipTo)
                continue;
            // Every cell is scanned, also one whose text repeats the cell before it:
            // skipping it would print raw markers on the form.
            const std::string text = table.cell(c, r).text;
            if (text.empty())
                continue;
            const std::vector<int> markers = ScanCellMarkers(text);
            if (!m_error.empty())
                return false;
            for (int n : markers) {
                std::string& cellText = table.cell(c, r).text;
                switch (m_desc.parameterType(n)) {
                case kParamText:
                case kParamFixedText:
                    ReplaceMarker(cellText, n, textParameter(n));
                    break;
                case kParamArchiveValue:
                case kParamResult:
                    ReplaceMarker(cellText, n, valueOf(n));
                    break;
                case kParamFormula:
                    removeFormula(cellText, n);
                    break;
                case kParamTable:
                    skipTo = c + tableStep(table, c, r, n);
                    break;
                default:
                    break;
                }
            }
        }
    }
    return true;
}

FormResult FillStandardForm(FormRequest& request, FilledForm& form)
{
    FormResult result;
    const auto folder = FindFormFolder(request.DatabasePath, request.folder);
    if (!folder) {
        result.message =
            "Стандартный бланк \"" + request.folder + "\" не найден в " + request.DatabasePath.string();
        return result;
    }
    // Without the archive tables every value would read as missing and the form
    // would look filled: nothing is filled then.
    auto db = OpenArchiveDatabase(request.DatabasePath, false, &result.detail);
    if (db) {
        if (const DbStatus tables = RequireTables(*db, kArchiveDatabaseTables); !tables.ok()) {
            result.detail = tables.message;
            db.reset();
        }
    }
    if (!db) {
        result.message = exchangeMessage(kStatusDatabase);
        return result;
    }
    result.detail.clear();

    const FormDescription desc = FormDescription::load(*folder, request.ControllerHex);
    form.TIP = desc.type();
    request.ablini.TIP = form.TIP;
    const char* files[] = {"m1.ini", "m2.ini", "m3.ini"};
    for (int t = 1; t <= 3; ++t) {
        result.message = LoadTableLayout(findFileNoCase(*folder, files[t - 1]), tableOf(form, t));
        if (!result.message.empty())
            return result;
    }
    const ReportPeriod& period = request.periods[kFormBlankNumber];
    if (desc.titleTable() >= 1 && desc.titleTable() <= 3) {
        TableModel& t = tableOf(form, desc.titleTable());
        if (t.valid(desc.titleColumn(), desc.titleRow()))
            t.cell(desc.titleColumn(), desc.titleRow()).text = FormPeriodTitle(form.TIP, period);
    }

    request.parameters.computed.fill(false);
    FormFiller filler(request, desc, db.get());
    for (int t = 1; t <= 3; ++t) {
        if (!filler.fillTable(tableOf(form, t))) {
            result.message = filler.error();
            return result;
        }
    }
    if (!filler.columnsLeftOut().empty())
        request.prompter.showError(ColumnsLeftOutMessage(filler.columnsLeftOut()));
    result.outcome = FormOutcome::Filled;
    result.message.clear();
    return result;
}

} // namespace kest
