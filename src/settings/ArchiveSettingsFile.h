#pragma once

#include "settings/ArchiveSettings.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace kest {

class IniFile;

/// The archive kinds that carry marks in KEST.INI.
enum class MarkKind
{
    Hourly,
    Daily,
    Monthly,
    Interval
};

constexpr const char* kArchiveSettingsFile = "KEST.INI";

/// "AH", "AD", "AM" or "AI".
const char* markPrefix(MarkKind kind);
/// The key of archive k: prefix and the number as two decimal digits, "AH05".
std::string markKey(MarkKind kind, int number);
/// How many archive numbers a chain scan of the kind looks at: 32, 64, 64 or 14.
int markScanCount(MarkKind kind);

/// One value of KEST.INI as the file means it. A four-digit value above 1000 is read
/// from its decimal text: second character the position, third and fourth the head.
/// Any other value (5, 500, 2147483647) marks an ordinary archive.
struct MarkValue
{
    int value = -1; ///< -1 when missing or not an integer
    bool isDouble() const { return value == 90; }
    bool isLinked() const { return value > 1000 && value <= 9999; }
    /// The position character, '1'..'7' for a chain member, '8' for an extended archive.
    char position() const;
    /// The head (or, for an extended archive, its own) number; -1 when the digits are not digits.
    int head() const;
    bool isExtended() const { return isLinked() && position() == '8'; }
};

MarkValue readMark(const IniFile& ini, std::string_view section, MarkKind kind, int number);

/// The members of one head, by position 1..7 (slot 0 unused, 0xFF empty). Every
/// archive of the kind whose value names the head is a member; hourly and interval
/// scans skip extended archives, daily scans do not. A position outside 1..7 has no
/// slot, and of two members on one position the higher number wins.
struct ChainMembers
{
    ArchiveSettings::Chains byPosition; ///< not "slots": that is a Qt keyword in the windows
    std::array<bool, 64> isMember{};
};
ChainMembers DeriveChainMembers(const IniFile& ini, std::string_view section, MarkKind kind, int head);

/// Writes the marks of one kind from the controller's section into `settings`.
/// Nothing is cleared first: a mark from an earlier load stays until the image is
/// reset by the next catalog read.
void LoadArchiveSettings(const IniFile& ini,
                         std::string_view section,
                         MarkKind kind,
                         ArchiveSettings& settings);

/// KEST.INI in the database folder, found regardless of letter case.
std::filesystem::path archiveSettingsPath(const std::filesystem::path& databasePath);

} // namespace kest
