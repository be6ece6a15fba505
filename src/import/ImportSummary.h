#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <vector>

namespace kest {

/// Why a row of an old table was passed over.
enum class SkipReason
{
    EmptyField,
    DateOutOfRange,
    FractionalSeconds,
    NotArchiveKey,
    NotControllerCode,
    NotWholeNumber,
};
inline constexpr int kSkipReasonCount = 6;

/// "пустое поле", "дата вне 1990–2100", ...
const char* skipReasonText(SkipReason reason);

/// What became of one old table.
struct TableSummary
{
    std::string table;          ///< "arhivh.db"
    std::filesystem::path file; ///< the file found for it; empty when absent
    bool whole = false;         ///< every record was read and dealt with
    std::string problem;        ///< why not, naming the file and the fault
    long records = 0;           ///< as the header counts them
    long read = 0;
    long stored = 0;   ///< with --check: would be stored
    long existing = 0; ///< already in the archive, kept as it is there
    std::array<long, kSkipReasonCount> skipped{};
    /// Controllers Kest knows whose old values differ; Kest's values stay.
    std::vector<std::string> differences;

    bool present() const { return !file.empty(); }
    long skippedTotal() const;
};

struct ImportSummary
{
    std::vector<TableSummary> tables;
    bool checkOnly = false;
    bool stopped = false;  ///< СТОП or Ctrl+C ended it after a whole transaction
    std::string failure;   ///< a fault that ended the whole import (the database)

    /// Every table present was read whole and nothing ended the import early.
    bool ok() const;
};

/// The summary as text lines, one per table, then the differences.
std::vector<std::string> summaryLines(const ImportSummary& summary);
/// The summary as a table for the window: a heading row, one row per table, then
/// one row per difference (table, then the text in the last column).
std::vector<std::vector<std::string>> summaryTable(const ImportSummary& summary);
/// The "passed over" column: the total and, in brackets, the count per reason.
std::string skippedText(const TableSummary& table);

} // namespace kest
