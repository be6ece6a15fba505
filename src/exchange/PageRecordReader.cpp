#include "common/ExchangeLog.h"
#include "exchange/RecordFill.h"
#include "exchange/RecordReaders.h"
#include "registrar/Catalog.h"

namespace kest {
namespace {

// Where the groups of the seven fixed pages go in FixedGroups.
constexpr int kGroup16First = 0;
constexpr int kGroup64First = 32;
constexpr int kGroup64Second = 96;
constexpr int kGroup16Third = 160;
constexpr int kGroup16Seventh = 224;
constexpr int kGroup64Third = 288;
constexpr int kGroup64Fourth = 352;

/// One record's walk over its pages. The page counter carries from the low into
/// the high byte; it stands on the page read last.
class PageWalk
{
public:
    PageWalk(ExchangeContext& ctx, int n, std::uint16_t firstPage)
        : m_ctx(ctx), m_fill(ctx, n), m_page(firstPage)
    {
    }

    bool fixedPages();
    void hourly(int count);
    void daily(int count);
    void monthly(int count);
    void extended(int count);
    void interval(int count);
    RecordFill& fill() { return m_fill; }

private:
    bool fetch(std::uint16_t page, LinkBuffer& buffer)
    {
        return m_fill.fetch([&] { return m_ctx.link.ReadPage(page, buffer); });
    }
    bool fetchNext(LinkBuffer& buffer)
    {
        ++m_page;
        return fetch(m_page, buffer);
    }

    ExchangeContext& m_ctx;
    RecordFill m_fill;
    std::uint16_t m_page;
    LinkBuffer m_main{};
    LinkBuffer m_second{};
};

bool PageWalk::fixedPages()
{
    if (!fetch(m_page, m_main))
        return false;
    if (!m_fill.takeHeader(m_main.data()))
        return false;
    m_fill.takeFixed(kGroup16First, m_main.data() + 128, 32);
    if (!fetchNext(m_main))
        return false;
    m_fill.takeFixed(kGroup64First, m_main.data(), 64);
    if (!fetchNext(m_main))
        return false;
    m_fill.takeFixed(kGroup64Second, m_main.data(), 64);
    if (!fetchNext(m_main))
        return false;
    m_fill.takeFixed(kGroup16Third, m_main.data(), 64);
    if (!fetchNext(m_main))
        return false;
    // The last slot of this page belongs to no group.
    m_fill.takeFixed(kGroup16Seventh, m_main.data(), 63);
    if (!fetchNext(m_main))
        return false;
    m_fill.takeFixed(kGroup64Third, m_main.data(), 64);
    if (!fetchNext(m_main))
        return false;
    m_fill.takeFixed(kGroup64Fourth, m_main.data(), 64);
    // Page P+7 is never read; each archive below starts by moving on a page.
    ++m_page;
    return true;
}

void PageWalk::hourly(int count)
{
    // Two archives fill three pages; the archive number sits at the end of each
    // archive, so the page after the counter's is looked at first.
    for (int j = 0; j < count && m_fill.goesOn(); ++j) {
        if (j % 2 == 0) {
            ++m_page;
            if (!fetch(static_cast<std::uint16_t>(m_page + 1), m_second))
                return;
            m_fill.beginArchive(RecordFill::Kind::Hourly, m_second[127]);
            if (!fetch(m_page, m_main))
                return;
            m_fill.takeValues(m_main.data(), 0, 64);
            if (!fetchNext(m_main))
                return;
            m_fill.takeValues(m_main.data(), 64, 32);
        } else {
            if (!fetch(static_cast<std::uint16_t>(m_page + 1), m_second))
                return;
            m_fill.beginArchive(RecordFill::Kind::Hourly, m_second[255]);
            m_fill.takeValues(m_main.data() + 128, 0, 32);
            if (!fetchNext(m_main))
                return;
            m_fill.takeValues(m_main.data(), 32, 64);
        }
    }
    if (m_fill.goesOn())
        m_fill.clearHourlyMembers();
}

void PageWalk::daily(int count)
{
    for (int j = 0; j < count && m_fill.goesOn(); ++j) {
        if (j % 2 == 0 && !fetchNext(m_main))
            return;
        const int half = j % 2;
        m_fill.beginArchive(RecordFill::Kind::Daily, m_main[static_cast<std::size_t>(127 + 128 * half)]);
        m_fill.takeValues(m_main.data() + 128 * half, 0, 32);
    }
    if (m_fill.goesOn())
        m_fill.clearDailyMembers();
}

void PageWalk::monthly(int count)
{
    for (int j = 0; j < count && m_fill.goesOn(); ++j) {
        const int q = j % 4;
        if (q == 0 && !fetchNext(m_main))
            return;
        m_fill.beginArchive(RecordFill::Kind::Monthly, m_main[static_cast<std::size_t>(64 * q + 63)]);
        m_fill.takeValues(m_main.data() + 64 * q, 0, 12);
    }
}

void PageWalk::extended(int count)
{
    for (int j = 0; j < count && m_fill.goesOn(); ++j) {
        if (!fetch(static_cast<std::uint16_t>(m_page + 16), m_second))
            return;
        m_fill.beginArchive(RecordFill::Kind::Extended, m_second[255]);
        for (int b = 0; b < 16; ++b) {
            if (!fetchNext(m_main))
                return;
            m_fill.takeValues(m_main.data(), 64 * b, b == 15 ? 48 : 64);
        }
    }
}

void PageWalk::interval(int count)
{
    for (int j = 0; j < count && m_fill.goesOn(); ++j) {
        if (!fetch(static_cast<std::uint16_t>(m_page + 23), m_second))
            return;
        m_fill.beginArchive(RecordFill::Kind::Interval, m_second[255]);
        for (int b = 0; b < 23; ++b) {
            if (!fetchNext(m_main))
                return;
            m_fill.takeValues(m_main.data(), 64 * b, b == 22 ? 32 : 64);
        }
    }
}

} // namespace

bool ReadRecordByPages(ExchangeContext& ctx, int n)
{
    CatalogEntry& entry = ctx.catalog.entry(n);
    auto& e = entry.bytes;
    if (e[16] != 0 && e[16] != 0x32) {
        ctx.log.append("Запись под номером " + std::to_string(n) +
                       " ранее была уже считана, будьте внимательны!");
        ctx.state.ExchangeStatus = kStatusOk;
        return RecordFill(ctx, n).finish(e[16]);
    }
    ctx.state.StopRequested = false;
    ctx.state.ExchangeStatus = kStatusOk;
    // An extended mark of the settings file says nothing about this record: only
    // the extended archives found below are marked (and stored), so a mark without
    // its archive cannot put 42 days of zeros over the hourly archive of its number.
    ctx.image.record(n).Settings.HourlyExtended.fill(kNoMark);
    PageWalk walk(ctx, n, static_cast<std::uint16_t>(e[1] << 8 | e[2]));
    if (!walk.fixedPages() && walk.fill().goesOn())
        return false; // the header held no date: the user has been told, the pass ends
    walk.hourly(e[10]);
    walk.daily(e[9]);
    walk.monthly(e[8]);
    walk.extended(e[11]);
    if (e[5] == 2 || e[5] == 3)
        walk.interval(e[12]);
    if (walk.fill().goesOn())
        walk.fill().clearIntervalMembers();
    return walk.fill().finish(e[16]);
}

} // namespace kest
