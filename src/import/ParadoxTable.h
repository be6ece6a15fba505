#pragma once

#include "import/ParadoxHeader.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct px_doc;

namespace kest {

/// One Paradox table opened for reading only, its records read one at a time
/// through pxlib. Nothing is written to the file and nothing of it is kept beyond
/// the record being read, so a table of any size takes the same memory.
class ParadoxTable
{
public:
    /// Checks the header against the file before pxlib sees it; nothing on failure,
    /// with `error` naming the file and the fault.
    static std::unique_ptr<ParadoxTable> open(const std::filesystem::path& file, std::string& error);
    ~ParadoxTable();
    ParadoxTable(const ParadoxTable&) = delete;
    ParadoxTable& operator=(const ParadoxTable&) = delete;

    const ParadoxHeader& header() const { return m_header; }
    long recordCount() const { return m_header.numRecords; }
    /// The field of that name in any letter case, or -1.
    int fieldIndex(std::string_view name) const;
    const ParadoxField& field(int index) const { return m_header.fields[index]; }

    /// Makes record `recno` (from 0) the current one; false with `error` when it
    /// cannot be read. Records read in order come block by block from the checked
    /// chain; pxlib's own lookup walks its block list for every record, which made
    /// a year of hourly rows take as long as storing them.
    bool readRecord(long recno, std::string& error);

    // The current record's fields. Each is nothing when the field is empty: Paradox
    // keeps an empty field apart from a zero, and so does the import.
    /// Numeric fields (short, long, autoincrement, number, currency), a date as its
    /// day count from 1 January of year 1 (that day is 1), a timestamp as its
    /// milliseconds counted the same way.
    std::optional<double> number(int index);
    /// An alpha field, converted from the table's code page to UTF-8.
    std::optional<std::string> text(int index);
    /// True when the table's code page is one the import converts (866 or 1251).
    bool knowsCodePage() const;

private:
    ParadoxTable() = default;

    std::FILE* m_file = nullptr;
    px_doc* m_doc = nullptr;
    ParadoxHeader m_header;
    std::vector<char> m_record;
    std::vector<char> m_block;  ///< the data block holding the next record in order
    long m_next = 0;            ///< the record that reading in order comes to next
    std::size_t m_blockIndex = 0;
    int m_inBlock = 0;          ///< records of the current block already passed
    std::string m_lastMessage;
    friend void recordPxMessage(px_doc*, int, const char*, void*);
};

} // namespace kest
