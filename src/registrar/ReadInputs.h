#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace kest {

/// A controller's values from the controller tables as a read used them.
struct ControllerValues
{
    std::int64_t code = 0;
    std::string name;
    std::int32_t rhour = 0;
    std::int32_t rday = 0;
    std::int32_t avans = 0;
    std::int32_t smin = 5;
};

/// What a read takes from the desk rather than from the registrar: the archive marks
/// file and, per record, the controller's settlement values. A read run again from
/// a session file takes these instead of today's files and tables, so it stores
/// what the first run stored.
struct ReadInputs
{
    /// KEST.INI as it was on disk (empty when there was none).
    std::string archiveSettings;
    int records = 0;
    /// Element i belongs to catalog record i + 1.
    std::array<ControllerValues, 32> values{};
};

} // namespace kest
