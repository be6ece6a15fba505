#pragma once

#include "link/LinkTiming.h"

#include <filesystem>
#include <string>

namespace kest {

struct DepthLimits;

/// NN.INI in memory: how deep each archive is kept, how patiently the registrar is
/// asked, which port it hangs on and where the tables live.
struct ExchangeSettings
{
    int DARH = 365; ///< hourly depth, days
    int DARD = 365; ///< daily depth, days
    int DARM = 365; ///< monthly depth, days
    int Dok = 365;  ///< interval depth, days
    int Dare = 100; ///< event archive depth, days (kept, not used)
    int KOLP = 3;   ///< read attempts, 1..99
    int TWORK = 3;  ///< pause after a failed exchange, seconds, 1..15
    std::string Port = "Com2";
    /// Always ends with '/'.
    std::string DatabasePath;
    /// SERVER: a libpq connection string naming the archive server; empty keeps the
    /// archive in the SQLite file in DatabasePath.
    std::string Server;
    /// How many session files are kept (SESSIONS, at least 1).
    int SessionsKept = 200;
    /// How long the storing pass waits for a database another program is writing
    /// (DBWAIT, seconds, 1..3600).
    int DatabaseWait = 60;
    /// DARH or DARD is -1: message 41 was due and the automatic connection is skipped.
    bool SettingsMissing = false;
};

constexpr const char* kSettingsFile = "NN.INI";

int clampAttempts(int kolp);
int clampPause(int twork);
/// TWORK seconds × 1010 ms, or 3000 ms when TWORK is below 1.
int linkRetryDelayFor(int twork);
/// The link timing the exchange window hands over for these settings.
LinkTiming linkTimingFor(const ExchangeSettings& settings);
/// How deep the storing pass keeps each archive kind for these settings.
DepthLimits depthLimitsFor(const ExchangeSettings& settings);

/// Appends '/' when the text does not end with one ("" becomes "/").
std::string withTrailingSeparator(std::string path);

/// Reads NN.INI from the program directory. A missing file is created empty there
/// and every default applies; garbage values read as their defaults.
ExchangeSettings LoadExchangeSettings(const std::filesystem::path& programDir);

/// Writes all nine keys of section TIME; an empty string on success, else the reason.
[[nodiscard]] std::string SaveExchangeSettings(const std::filesystem::path& programDir,
                                               ExchangeSettings& settings);

/// "COM1".."COM6" of a port name in any case gives 0..5; anything else -1.
int comPortIndex(const std::string& port);

} // namespace kest
