#pragma once

#include "RecordFile.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace kest::sim {

enum class LinkKind
{
    Page,
    Request
};

using Page = std::array<std::uint8_t, 256>;

/// The registrar's memory with the catalog and every record laid out where the
/// program's readers look for them. Memory nobody wrote reads as erased (FF).
class RegistrarMemory
{
public:
    /// Nothing, with the reason in `error`, when the records do not fit.
    static std::optional<RegistrarMemory>
    build(const std::vector<SimRecord>& records, LinkKind link, std::string& error);

    /// Memory wholly erased, for contents put in page by page (a session file's).
    static RegistrarMemory erased() { return RegistrarMemory(); }
    void setPage(std::uint16_t number, const Page& page) { m_pages[number] = page; }
    /// Request link: bytes at `address` of memory area 3 or 2.
    void setBytes(int area, std::uint16_t address, const std::vector<std::uint8_t>& bytes);

    /// Page link: one 256-byte page.
    Page page(std::uint16_t number) const;
    /// Request link: `length` bytes at `address` of memory area 3 or 2.
    std::vector<std::uint8_t> read(int area, std::uint16_t address, int length) const;

private:
    RegistrarMemory();
    void putByte(std::uint32_t address, std::uint8_t value); // page link, 16-bit pages
    void putSlot(std::uint32_t address, const Slot& slot);
    bool layOutPages(const std::vector<SimRecord>& records, std::string& error);
    bool layOutRequests(const std::vector<SimRecord>& records, std::string& error);
    /// Writes one record's requests from the start of `page` of `area` (0 area 3,
    /// 1 area 2) on; true when they ran into the catalog page.
    bool writeRequestRecord(const SimRecord& record, int area, int page);

    std::unordered_map<std::uint16_t, Page> m_pages;
    /// Index 0 memory area 3, index 1 memory area 2 (the catalog's area byte).
    std::array<std::vector<std::uint8_t>, 2> m_areas;
};

} // namespace kest::sim
