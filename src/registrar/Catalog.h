#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace kest {

constexpr int kCatalogEntries = 32;
constexpr int kCatalogEntryBytes = 17;

/// One catalog slot as the registrar stores it: 16 bytes on the page link, 8 on the
/// request link (the rest stay 0). The readers keep a record's read state in byte 16
/// (page link) or byte 8 (request link).
struct CatalogEntry
{
    std::array<std::uint8_t, kCatalogEntryBytes> bytes{};

    /// Bytes 6 and 7 as four upper-case hexadecimal digits, "0412".
    std::string controllerText() const;
    /// Byte 6 × 256 + byte 7, the controller's scode.
    std::int64_t ControllerCode() const { return bytes[6] * 256 + bytes[7]; }
};

/// The registrar's catalog; entry i (1-based) belongs to image record i.
struct Catalog
{
    std::array<CatalogEntry, kCatalogEntries> entries{};
    int count = 0;

    CatalogEntry& entry(int number) { return entries[static_cast<std::size_t>(number - 1)]; }
    const CatalogEntry& entry(int number) const { return entries[static_cast<std::size_t>(number - 1)]; }
    void reset()
    {
        entries = {};
        count = 0;
    }
};

} // namespace kest
