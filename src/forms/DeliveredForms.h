#pragma once

#include <cstddef>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace kest {

/// One file of the standard forms delivered with the program: its path below the
/// forms folder ("Часовая ведомость/OPIS.INI") and its bytes as on disk.
struct DeliveredFile
{
    const char* path;
    const unsigned char* data;
    std::size_t size;
};

/// Every delivered file, in path order.
std::span<const DeliveredFile> deliveredFormFiles();

/// Copies each delivered form whose folder DatabasePath lacks (in any letter case)
/// into it; folders already there, the user's own changes included, are left alone.
/// `installed` gets the names of the folders written. "" or the reason of a failure.
[[nodiscard]] std::string InstallDeliveredForms(const std::filesystem::path& DatabasePath,
                                                std::vector<std::string>& installed);

} // namespace kest
