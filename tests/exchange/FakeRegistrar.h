#pragma once

#include "link/FakePort.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <vector>

namespace kest::test {

/// A registrar behind a FakePort that answers page requests (page link) and memory
/// reads of areas 3 and 2 (request link) from what the test put into its memory.
class FakeRegistrar
{
public:
    using Page = std::array<std::uint8_t, 256>;

    explicit FakeRegistrar(FakePort& port);

    /// Page link: the page number. Request link: the read command (3 or 2) × 256 + page.
    Page& page(std::uint32_t key) { return m_pages[key]; }
    std::uint8_t& byteAt(std::uint32_t firstKey, std::size_t offset)
    {
        return page(firstKey + static_cast<std::uint32_t>(offset / 256))[offset % 256];
    }

    /// Page numbers asked for (page link), or "cmd:address" words (request link).
    std::vector<std::uint32_t> requests;
    /// Requests after this many are not answered.
    std::size_t answerLimit = SIZE_MAX;
    /// Keys whose first answer carries a wrong sum.
    std::set<std::uint32_t> corruptOnce;

private:
    void onWrite(const std::vector<std::uint8_t>& bytes);

    FakePort& m_port;
    std::map<std::uint32_t, Page> m_pages;
};

/// Writes a record into a FakeRegistrar the way the registrar lays it out. Values
/// are small integers, written in the float format or, for archives kept in the
/// counter format, in that one; each archive's number ends its last slot.
class RecordWriter
{
public:
    RecordWriter(FakeRegistrar& reg, std::uint32_t firstKey, bool pageLink);

    void header(int day, int month, int hour, int minute, int year);
    /// Starts the next kind on a fresh page.
    void nextPage() { m_offset = (m_offset + 255) / 256 * 256; }
    /// One archive of `slots` four-byte slots, value(i) in slot i for i < valueSlots.
    void archive(int k, int slots, int valueSlots, bool counter, const std::function<int(int)>& value);

private:
    FakeRegistrar& m_reg;
    std::uint32_t m_first;
    std::size_t m_offset;
};

std::array<std::uint8_t, 4> encodeFloat4(int value);
std::array<std::uint8_t, 4> encodeCounter4(int value);

} // namespace kest::test
