#include "app/ExchangeSettings.h"

#include "app/ProgramDir.h"
#include "common/CodePage.h"
#include "common/IniFile.h"
#include "db/ArchiveStore.h"
#include "db/ArchiveTables.h"

#include <algorithm>
#include <fstream>

namespace kest {
namespace {
constexpr const char* kSection = "TIME";
}

int clampAttempts(int kolp)
{
    return std::clamp(kolp, 1, 99);
}

int clampPause(int twork)
{
    return std::clamp(twork, 1, 15);
}

int linkRetryDelayFor(int twork)
{
    return twork >= 1 ? twork * 1010 : 3000;
}

LinkTiming linkTimingFor(const ExchangeSettings& settings)
{
    return {settings.KOLP, linkRetryDelayFor(settings.TWORK)};
}

DepthLimits depthLimitsFor(const ExchangeSettings& settings)
{
    return {settings.DARH, settings.DARD, settings.DARM, settings.Dok};
}

std::string withTrailingSeparator(std::string path)
{
    if (path.empty() || path.back() != '/')
        path += '/';
    return path;
}

int comPortIndex(const std::string& port)
{
    const std::string upper = upperCase(port);
    for (int i = 0; i < 6; ++i) {
        if (upper == "COM" + std::to_string(i + 1))
            return i;
    }
    return -1;
}

ExchangeSettings LoadExchangeSettings(const std::filesystem::path& programDir)
{
    const auto file = findFileNoCase(programDir, kSettingsFile);
    std::error_code ec;
    if (!std::filesystem::exists(file, ec))
        std::ofstream(file, std::ios::binary).flush();

    const IniFile ini = IniFile::load(file);
    ExchangeSettings s;
    s.DARH = ini.readInteger(kSection, "DARH", 365);
    s.DARD = ini.readInteger(kSection, "DARD", 365);
    s.DARM = ini.readInteger(kSection, "DARM", 365);
    s.Dok = ini.readInteger(kSection, "Dok", 365);
    s.Dare = ini.readInteger(kSection, "dare", 100);
    // The spin controls clamp what the file holds; the clamped values are the ones used.
    s.KOLP = clampAttempts(ini.readInteger(kSection, "KOLP", 3));
    s.TWORK = clampPause(ini.readInteger(kSection, "TWORK", 3));
    std::string put = ini.readString(kSection, "PUT", "");
    // Without a PUT the archive goes where the desktop keeps a program's data, or
    // beside NN.INI for --home and a program folder of its own.
    if (put.empty())
        put = defaultArchiveDir(programDir).string();
    s.DatabasePath = withTrailingSeparator(put);
    s.Port = ini.readString(kSection, "RS-232", "Com2");
    if (s.Port.empty())
        s.Port = "Com2";
    // Two keys of this program's own, read only: the settings window does not show them.
    s.SessionsKept = std::max(1, ini.readInteger(kSection, "SESSIONS", 200));
    s.DatabaseWait = std::clamp(ini.readInteger(kSection, "DBWAIT", 60), 1, 3600);
    s.SettingsMissing = s.DARH == -1 || s.DARD == -1;
    // Every command and window opens the archive NN.INI names: this is where it is read.
    s.Server = ini.readString(kSection, "SERVER", "");
    UseArchiveServer(s.Server);
    return s;
}

std::string SaveExchangeSettings(const std::filesystem::path& programDir, ExchangeSettings& s)
{
    IniFile ini = IniFile::load(findFileNoCase(programDir, kSettingsFile));
    ini.writeInteger(kSection, "DARH", s.DARH);
    ini.writeInteger(kSection, "DARD", s.DARD);
    ini.writeInteger(kSection, "DARm", s.DARM);
    ini.writeInteger(kSection, "Dok", s.Dok);
    ini.writeInteger(kSection, "Dare", s.Dare);
    ini.writeInteger(kSection, "KOLP", clampAttempts(s.KOLP));
    ini.writeInteger(kSection, "TWORK", clampPause(s.TWORK));
    // A port that is none of COM1..COM6 is written as it stands: the settings
    // window offers the machine's own serial devices besides the six.
    const int com = comPortIndex(s.Port);
    if (com >= 0)
        s.Port = "COM" + std::to_string(com + 1);
    ini.writeString(kSection, "RS-232", s.Port);
    s.DatabasePath = withTrailingSeparator(s.DatabasePath);
    ini.writeString(kSection, "PUT", s.DatabasePath);
    // A desk that keeps its archive in the file gets no SERVER key it never asked for.
    if (!s.Server.empty() || ini.value(kSection, "SERVER"))
        ini.writeString(kSection, "SERVER", s.Server);
    std::string problem = ini.save();
    if (problem.empty())
        UseArchiveServer(s.Server);
    return problem;
}

} // namespace kest
