#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace kest::test {

/// A column of a Paradox table made for a test.
struct PxColumn
{
    std::string name;
    std::uint8_t type; ///< pxlib's pxfAlpha, pxfLong, pxfNumber, pxfTimestamp, ...
    int length;
};

/// A cell: empty, a number (a date as its day count, a timestamp as milliseconds,
/// see pxDate and pxTimestamp) or alpha bytes already in the table's code page.
using PxCell = std::variant<std::monostate, double, std::string>;
using PxRow = std::vector<PxCell>;

/// Writes a real Paradox table with pxlib's own writing calls.
void writeParadoxTable(const std::filesystem::path& file,
                       const std::vector<PxColumn>& columns,
                       const std::vector<PxRow>& rows,
                       int codePage = 1251);

/// A keyed table (its first `keys` columns) with its primary index beside it, in a
/// file of the same name ending in .PX, as Paradox keeps keyed tables.
void writeIndexedParadoxTable(const std::filesystem::path& file,
                              const std::vector<PxColumn>& columns,
                              const std::vector<PxRow>& rows,
                              int keys);

/// Streams `count` rows from a generator, so a year of hourly rows needs no list.
template <typename Gen>
void writeParadoxTableFrom(const std::filesystem::path& file, const std::vector<PxColumn>& columns,
                           long count, Gen&& gen, int codePage = 1251);

double pxDate(int year, int month, int day);
double pxTimestamp(int year, int month, int day, int hour = 0, int minute = 0, int second = 0, int ms = 0);

/// The columns of an archive table (sdate timestamp, scode long, svalue number).
std::vector<PxColumn> archiveColumns();
/// meranb.db: scode, sname (alpha 50), rhour, rday, avans.
std::vector<PxColumn> controllerColumns();
/// merane.db: scode, smin.
std::vector<PxColumn> intervalColumns();

/// The writer behind both calls: rows come from `next` until it returns false.
void writeParadoxRows(const std::filesystem::path& file,
                      const std::vector<PxColumn>& columns,
                      int codePage,
                      const std::function<bool(PxRow&)>& next,
                      int keys = 0);

template <typename Gen>
void writeParadoxTableFrom(const std::filesystem::path& file, const std::vector<PxColumn>& columns,
                           long count, Gen&& gen, int codePage)
{
    long i = 0;
    writeParadoxRows(file, columns, codePage, [&](PxRow& row) {
        if (i >= count)
            return false;
        row = gen(i++);
        return true;
    });
}

} // namespace kest::test
