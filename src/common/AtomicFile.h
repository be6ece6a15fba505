#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kest {

/// Writes bytes to a temporary file beside `path` and renames it over `path`.
/// Returns an empty string on success, else the reason.
[[nodiscard]] std::string writeFileAtomically(const std::filesystem::path& path, std::string_view bytes);

/// Renames a finished temporary file over `path`; on failure the temporary file is
/// removed and the reason returned. An empty string on success.
[[nodiscard]] std::string replaceWithTemporary(const std::filesystem::path& temp,
                                               const std::filesystem::path& path);

} // namespace kest
