#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kest {

/// Whether `path` may be replaced: "" when it does not exist yet or may be written,
/// else the reason. A file without any write permission counts as read-only for
/// everyone, root included: the user made it so on purpose.
[[nodiscard]] std::string checkReplaceable(const std::filesystem::path& path);

/// Writes bytes to a temporary file beside `path` and renames it over `path`; the
/// new file keeps the old one's mode and owner. Every write, the flush to disk and
/// the close are checked before the rename, so a full disk leaves the old file.
/// Returns an empty string on success, else the reason.
[[nodiscard]] std::string writeFileAtomically(const std::filesystem::path& path, std::string_view bytes);

/// A new, empty temporary file beside `path` for a writer that fills it by name;
/// "" (with the reason in `error`) when none can be made.
std::filesystem::path makeTemporaryBeside(const std::filesystem::path& path, std::string& error);

/// Flushes a finished temporary file to disk, gives it the mode and owner of the
/// file it replaces and renames it over `path`; on any failure the temporary file is
/// removed, `path` stays as it was, and the reason is returned. "" on success.
[[nodiscard]] std::string replaceWithTemporary(const std::filesystem::path& temp,
                                               const std::filesystem::path& path);

} // namespace kest
