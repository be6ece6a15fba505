#pragma once

#include <filesystem>
#include <optional>

namespace kest {

/// Where NN.INI lives: the --home folder when given; else the executable's folder
/// when NN.INI is there; else $XDG_CONFIG_HOME/kest (~/.config/kest), created on
/// demand.
std::filesystem::path resolveProgramDir(const std::optional<std::filesystem::path>& home,
                                        const std::filesystem::path& executable);

} // namespace kest
