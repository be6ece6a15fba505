#include "common/ExchangeLog.h"
#include "exchange/RecordFill.h"
#include "exchange/RecordReaders.h"
#include "registrar/Catalog.h"

namespace kest {
namespace {

/// A place in the registrar's memory: area (0 is read with command 3, 1 with
/// command 2), page and half page.
struct Position
{
    std::uint8_t area;
    std::uint8_t page;
    std::uint8_t offset; ///< 0x00 or 0x80

    /// Area 1 ends below page 0xFF; the record goes on in area 0 from there.
    void nextPage()
    {
        ++page;
        if (page == 0xFF && area == 1)
            area = 0;
    }
    void advance()
    {
        if (offset == 0x80) {
            offset = 0x00;
            nextPage();
        } else {
            offset = 0x80;
        }
    }
};

class RequestWalk
{
public:
    RequestWalk(ExchangeContext& ctx, int n, Position start) : m_ctx(ctx), m_fill(ctx, n), m_pos(start) {}

    bool fixedRequests();
    void hourly(int count);
    void daily(int count);
    RecordFill& fill() { return m_fill; }

private:
    bool request(Position at)
    {
        const auto address = static_cast<std::uint16_t>(at.page << 8 | at.offset);
        return m_fill.fetch([&] {
            return at.area == 0 ? m_ctx.link.ReadMemoryCmd3(address, 128, m_buffer)
                                : m_ctx.link.ReadMemoryCmd2(address, 128, m_buffer);
        });
    }
    bool requestNext()
    {
        m_pos.advance();
        return request(m_pos);
    }

    ExchangeContext& m_ctx;
    RecordFill m_fill;
    Position m_pos;
    LinkBuffer m_buffer{};
};

bool RequestWalk::fixedRequests()
{
    if (!request(m_pos))
        return false;
    if (!m_fill.takeHeader(m_buffer.data()))
        return false;
    // FixedGroups in page order; each request brings half a page of 32 values.
    static constexpr int kFirst[13] = {0, 32, 64, 96, 128, 160, 192, 224, 240, 288, 320, 352, 384};
    for (int i = 0; i < 13; ++i) {
        if (!requestNext())
            return false;
        if (i == 7 || i == 8) {
            // Four groups of 16, of which the registrar fills 15 each.
            const int first = i == 7 ? 224 : 256;
            m_fill.takeFixed(first, m_buffer.data(), 15);
            m_fill.takeFixed(first + 16, m_buffer.data() + 64, 15);
        } else {
            m_fill.takeFixed(kFirst[i], m_buffer.data(), 32);
        }
    }
    return true;
}

void RequestWalk::hourly(int count)
{
    for (int j = 0; j < count && m_fill.goesOn(); ++j) {
        m_pos.advance();
        // The archive number ends the third request; the page after 0xFE is asked as 0x00.
        Position ahead = m_pos;
        ahead.page = m_pos.page == 0xFE ? 0x00 : static_cast<std::uint8_t>(m_pos.page + 1);
        if (!request(ahead))
            return;
        m_fill.beginArchive(RecordFill::Kind::Hourly, m_buffer[127]);
        if (!request(m_pos))
            return;
        m_fill.takeValues(m_buffer.data(), 0, 32);
        if (!requestNext())
            return;
        m_fill.takeValues(m_buffer.data(), 32, 32);
        if (!requestNext())
            return;
        m_fill.takeValues(m_buffer.data(), 64, 32);
    }
    if (m_fill.goesOn())
        m_fill.clearHourlyMembers();
}

void RequestWalk::daily(int count)
{
    for (int j = 0; j < count && m_fill.goesOn(); ++j) {
        if (j == 0) {
            m_pos.offset = 0x00;
            m_pos.nextPage();
        } else {
            m_pos.advance();
        }
        if (!request(m_pos))
            return;
        m_fill.beginArchive(RecordFill::Kind::Daily, m_buffer[127]);
        m_fill.takeValues(m_buffer.data(), 0, 32);
    }
    if (m_fill.goesOn())
        m_fill.clearDailyMembers();
}

} // namespace

bool ReadRecordByRequests(ExchangeContext& ctx, int n)
{
    if (n > ctx.catalog.count) {
        ctx.log.append("Записи под номером " + std::to_string(n) + " нет, будьте внимательны!");
        return false;
    }
    auto& e = ctx.catalog.entry(n).bytes;
    if (e[8] != 0 && e[8] != 0x32)
        return false;
    ctx.state.StopRequested = false;
    ctx.state.ExchangeStatus = kStatusOk;
    RequestWalk walk(ctx, n, Position{e[1], e[2], 0x00});
    if (!walk.fixedRequests() && walk.fill().goesOn())
        return false;
    walk.hourly(e[3]);
    walk.daily(e[4]);
    return walk.fill().finish(e[8]);
}

} // namespace kest
