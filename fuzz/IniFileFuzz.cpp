// Any bytes as a settings file: parsing never crashes, and what is read survives a
// write and a second read unchanged.
#include "common/IniFile.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace kest;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    IniFile ini = IniFile::parse(bytes);
    for (const auto& section : ini.sections()) {
        for (const auto& key : ini.keys(section)) {
            const auto value = ini.readString(section, key, "");
            (void)ini.readInteger(section, key, -1);
            IniFile again = IniFile::parse(ini.serialize());
            if (again.readString(section, key, "\x01missing") != value &&
                value.find_first_of("\r\n") == std::string::npos)
                std::abort();
        }
    }
    ini.writeString("Fuzz", "key", "value");
    if (IniFile::parse(ini.serialize()).readString("fuzz", "KEY", "") != "value")
        std::abort();
    ini.eraseSection("Fuzz");
    return 0;
}
