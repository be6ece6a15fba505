#pragma once

#include "SimEncoding.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kest::sim {

enum class ArchiveKind
{
    Hourly,
    Daily,
    Monthly,
    Extended,
    Interval
};

/// How many values each kind of archive holds.
int valueSlots(ArchiveKind kind);

struct SimArchive
{
    ArchiveKind kind = ArchiveKind::Hourly;
    int number = 0;
    bool counter = false;
    /// Encoded values from slot 0 on; slots not given stay erased.
    std::vector<Slot> slots;
};

/// One registrar record as the file describes it.
struct SimRecord
{
    std::uint16_t controller = 0;
    /// The record header: day, month, hour, minute, century, year in century, then
    /// bytes 6..127 as the file sets them (0 otherwise).
    std::array<std::uint8_t, 128> header{};
    std::optional<int> page;  ///< page link: first page
    std::optional<int> area;  ///< request link: memory area 3 or 2; unset: 3 while it has room, then 2
    std::optional<int> start; ///< request link: first page within the area
    std::optional<int> state; ///< catalog state byte
    int mode = 2;             ///< page link: catalog byte 5
    std::vector<Slot> groups; ///< the fixed groups, in slot order
    std::vector<SimArchive> archives;

    int count(ArchiveKind kind) const;
};

/// Parses the text of a record file; nothing, with the line and reason in `error`,
/// when it does not follow the format.
std::optional<std::vector<SimRecord>> ParseRecordFile(const std::string& text, std::string& error);

} // namespace kest::sim
