#include "RegistrarMemory.h"

#include <algorithm>

namespace kest::sim {
namespace {

constexpr int kFixedPages = 7;

int pagesForHourly(int count)
{
    return (3 * count + 1) / 2;
}
int ceilDiv(int a, int b)
{
    return (a + b - 1) / b;
}

/// A record's archives of one kind, in file order.
std::vector<const SimArchive*> archivesOf(const SimRecord& r, ArchiveKind kind)
{
    std::vector<const SimArchive*> out;
    for (const SimArchive& a : r.archives)
        if (a.kind == kind)
            out.push_back(&a);
    return out;
}

/// Every slot of an archive block: the values, then erased slots; the archive's number
/// goes into the last byte of the block's last slot.
std::vector<Slot> archiveBlock(const SimArchive& a, int blockSlots)
{
    std::vector<Slot> block(static_cast<std::size_t>(blockSlots), kErasedSlot);
    std::copy(a.slots.begin(), a.slots.end(), block.begin());
    block.back()[3] = static_cast<std::uint8_t>(a.number);
    return block;
}

std::vector<Slot> fixedGroups(const SimRecord& r)
{
    std::vector<Slot> groups(32 + 6 * 64, kErasedSlot);
    std::copy(r.groups.begin(), r.groups.end(), groups.begin());
    return groups;
}

/// The request link's reading position: memory area (0 area 3, 1 area 2), page and
/// half-page offset. Advancing past a page of area 2 into page FF moves to area 3.
struct Position
{
    int area = 0;
    int page = 0;
    int offset = 0;

    void advance()
    {
        if (offset == 0x80) {
            offset = 0;
            nextPage();
        } else {
            offset = 0x80;
        }
    }
    void nextPage()
    {
        page = (page + 1) & 0xFF;
        if (page == 0xFF && area == 1)
            area = 0;
    }
    std::size_t address() const { return static_cast<std::size_t>(page * 256 + offset); }
};

} // namespace

RegistrarMemory::RegistrarMemory()
{
    for (auto& area : m_areas)
        area.assign(65536, 0xFF);
}

void RegistrarMemory::putByte(std::uint32_t address, std::uint8_t value)
{
    const auto number = static_cast<std::uint16_t>((address >> 8) & 0xFFFF);
    auto it = m_pages.find(number);
    if (it == m_pages.end()) {
        Page erased;
        erased.fill(0xFF);
        it = m_pages.emplace(number, erased).first;
    }
    it->second[address & 0xFF] = value;
}

void RegistrarMemory::putSlot(std::uint32_t address, const Slot& slot)
{
    for (std::uint32_t i = 0; i < 4; ++i)
        putByte(address + i, slot[i]);
}

void RegistrarMemory::setBytes(int area, std::uint16_t address, const std::vector<std::uint8_t>& bytes)
{
    auto& memory = m_areas[area == 2 ? 1 : 0];
    for (std::size_t i = 0; i < bytes.size(); ++i)
        memory[(address + i) & 0xFFFF] = bytes[i];
}

Page RegistrarMemory::page(std::uint16_t number) const
{
    const auto it = m_pages.find(number);
    if (it != m_pages.end())
        return it->second;
    Page erased;
    erased.fill(0xFF);
    return erased;
}

std::vector<std::uint8_t> RegistrarMemory::read(int area, std::uint16_t address, int length) const
{
    const auto& memory = m_areas[area == 2 ? 1 : 0];
    std::vector<std::uint8_t> out(static_cast<std::size_t>(length));
    for (int i = 0; i < length; ++i)
        out[static_cast<std::size_t>(i)] = memory[(address + i) & 0xFFFF];
    return out;
}

std::optional<RegistrarMemory>
RegistrarMemory::build(const std::vector<SimRecord>& records, LinkKind link, std::string& error)
{
    RegistrarMemory memory;
    const bool ok =
        link == LinkKind::Page ? memory.layOutPages(records, error) : memory.layOutRequests(records, error);
    if (!ok)
        return std::nullopt;
    return memory;
}

bool RegistrarMemory::layOutPages(const std::vector<SimRecord>& records, std::string& error)
{
    // Pages 0 and 1 hold the catalog, 16 slots of 16 bytes; erased slots end it.
    for (std::uint32_t a = 0; a < 512; ++a)
        putByte(a, 0xFF);
    std::uint32_t nextFree = 2;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const SimRecord& r = records[i];
        const int h = r.count(ArchiveKind::Hourly), d = r.count(ArchiveKind::Daily);
        const int m = r.count(ArchiveKind::Monthly), e = r.count(ArchiveKind::Extended);
        const int n = r.count(ArchiveKind::Interval);
        if (std::max({h, d, m, e, n}) > 255) {
            error = "record " + std::to_string(i + 1) + ": more than 255 archives of one kind";
            return false;
        }
        const std::uint32_t first = r.page ? static_cast<std::uint32_t>(*r.page) : nextFree;
        const std::uint32_t slot = static_cast<std::uint32_t>(i) * 16;
        const std::uint8_t entry[16] = {
            static_cast<std::uint8_t>(r.state ? *r.state : static_cast<int>(i) + 1),
            static_cast<std::uint8_t>(first >> 8),
            static_cast<std::uint8_t>(first),
            0,
            0,
            static_cast<std::uint8_t>(r.mode),
            static_cast<std::uint8_t>(r.controller >> 8),
            static_cast<std::uint8_t>(r.controller),
            static_cast<std::uint8_t>(m),
            static_cast<std::uint8_t>(d),
            static_cast<std::uint8_t>(h),
            static_cast<std::uint8_t>(e),
            static_cast<std::uint8_t>(n),
            0,
            0,
            0};
        for (std::uint32_t b = 0; b < 16; ++b)
            putByte(slot + b, entry[b]);

        // Header and the fixed groups on pages P..P+6; page P+7 is never read.
        const std::uint32_t base = first * 256;
        for (std::uint32_t b = 0; b < 128; ++b)
            putByte(base + b, r.header[b]);
        const auto groups = fixedGroups(r);
        for (std::size_t s = 0; s < groups.size(); ++s)
            putSlot(base + 128 + static_cast<std::uint32_t>(s) * 4, groups[s]);

        // The archives follow kind by kind from P+8, each kind from a fresh page.
        std::uint32_t pageAt = first + kFixedPages + 1;
        const auto place = [&](ArchiveKind kind, int blockSlots, int pagesOfKind) {
            std::uint32_t at = pageAt * 256;
            for (const SimArchive* a : archivesOf(r, kind)) {
                for (const Slot& s : archiveBlock(*a, blockSlots)) {
                    putSlot(at, s);
                    at += 4;
                }
            }
            pageAt += static_cast<std::uint32_t>(pagesOfKind);
        };
        place(ArchiveKind::Hourly, 96, pagesForHourly(h));
        place(ArchiveKind::Daily, 32, ceilDiv(d, 2));
        place(ArchiveKind::Monthly, 16, ceilDiv(m, 4));
        place(ArchiveKind::Extended, 16 * 64, 16 * e);
        place(ArchiveKind::Interval, 23 * 64, 23 * n);
        nextFree = std::max(nextFree, pageAt);
        if (pageAt > 0x10000) {
            error = "record " + std::to_string(i + 1) + " runs past the last page";
            return false;
        }
    }
    return true;
}

bool RegistrarMemory::layOutRequests(const std::vector<SimRecord>& records, std::string& error)
{
    // The catalog: 32 slots of 8 bytes at FF00 of area 3; erased slots end it.
    std::array<int, 2> nextFree = {0, 0}; // per area, pages 00..FE (FF of area 3 is the catalog)
    for (std::size_t i = 0; i < records.size(); ++i) {
        const SimRecord& r = records[i];
        const int h = r.count(ArchiveKind::Hourly), d = r.count(ArchiveKind::Daily);
        if (h > 255 || d > 255) {
            error = "record " + std::to_string(i + 1) + ": more than 255 archives of one kind";
            return false;
        }
        const int pages = kFixedPages + pagesForHourly(h) + ceilDiv(d, 2);
        int area = r.area == 2 ? 1 : 0;
        if (!r.area && !r.start && nextFree[0] + pages > 0xFF)
            area = 1; // area 3 is full up to its catalog page
        Position pos{area, r.start ? *r.start : nextFree[static_cast<std::size_t>(area)], 0};
        if (!r.start) {
            if (pos.page + pages > 0xFF) {
                error = "record " + std::to_string(i + 1) + " does not fit into memory area " +
                        (area == 0 ? "3" : "2");
                return false;
            }
            nextFree[static_cast<std::size_t>(area)] += pages;
        }
        auto& catalog = m_areas[0];
        const std::size_t slot = 0xFF00 + i * 8;
        const std::uint8_t entry[8] = {static_cast<std::uint8_t>(r.state ? *r.state : 0),
                                       static_cast<std::uint8_t>(pos.area),
                                       static_cast<std::uint8_t>(pos.page),
                                       static_cast<std::uint8_t>(h),
                                       static_cast<std::uint8_t>(d),
                                       0,
                                       static_cast<std::uint8_t>(r.controller >> 8),
                                       static_cast<std::uint8_t>(r.controller)};
        std::copy(std::begin(entry), std::end(entry), catalog.begin() + static_cast<std::ptrdiff_t>(slot));

        if (writeRequestRecord(r, pos.area, pos.page)) {
            error = "record " + std::to_string(i + 1) + " runs into the catalog page FF of area 3";
            return false;
        }
    }
    return true;
}

bool RegistrarMemory::writeRequestRecord(const SimRecord& r, int area, int page)
{
    // Each 128-byte request of the record in reading order.
    Position pos{area, page, 0};
    bool hitCatalog = false;
    const auto put = [&](const Position& at, const std::uint8_t* bytes) {
        hitCatalog = hitCatalog || (at.area == 0 && at.page == 0xFF);
        std::copy(bytes, bytes + 128,
                  m_areas[static_cast<std::size_t>(at.area)].begin() +
                      static_cast<std::ptrdiff_t>(at.address()));
    };
    const auto putSlots = [&](const Position& at, const Slot* slots) {
        std::uint8_t bytes[128];
        for (int s = 0; s < 32; ++s)
            std::copy(slots[s].begin(), slots[s].end(), bytes + s * 4);
        put(at, bytes);
    };
    put(pos, r.header.data());
    const auto groups = fixedGroups(r);
    for (int chunk = 0; chunk < 13; ++chunk) {
        pos.advance();
        putSlots(pos, groups.data() + chunk * 32);
    }
    for (const SimArchive* a : archivesOf(r, ArchiveKind::Hourly)) {
        const auto block = archiveBlock(*a, 96);
        pos.advance();
        // The reader learns the number from the page ahead; beside page FE it
        // looks at page 00 of the same area, so the number is put there too.
        if (pos.page == 0xFE) {
            Position ahead{pos.area, 0, pos.offset};
            m_areas[static_cast<std::size_t>(ahead.area)][ahead.address() + 127] =
                static_cast<std::uint8_t>(a->number);
        }
        putSlots(pos, block.data());
        pos.advance();
        putSlots(pos, block.data() + 32);
        pos.advance();
        putSlots(pos, block.data() + 64);
    }
    bool firstDaily = true;
    for (const SimArchive* a : archivesOf(r, ArchiveKind::Daily)) {
        if (firstDaily) {
            pos.offset = 0;
            pos.nextPage();
            firstDaily = false;
        } else {
            pos.advance();
        }
        putSlots(pos, archiveBlock(*a, 32).data());
    }
    return hitCatalog;
}

} // namespace kest::sim
