#pragma once

#include <filesystem>
#include <optional>

namespace kest {

/// Where NN.INI lives: the --home folder when given; else the executable's folder
/// when NN.INI is there (a build folder or a copied program); else
/// $XDG_CONFIG_HOME/kest (~/.config/kest), created on demand. An installed program
/// thus never writes beside its executable under /usr.
std::filesystem::path resolveProgramDir(const std::optional<std::filesystem::path>& home,
                                        const std::filesystem::path& executable);

/// The folder of the archive when NN.INI names no PUT: $XDG_DATA_HOME/kest
/// (~/.local/share/kest) for the settings folder of the desktop's rules, the program
/// directory itself for --home and for NN.INI beside the executable.
std::filesystem::path defaultArchiveDir(const std::filesystem::path& programDir);

} // namespace kest
