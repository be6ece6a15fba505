#include "app/TerminalProgress.h"

#include "registrar/Catalog.h"

#include <algorithm>
#include <cmath>

namespace kest {

TerminalProgress::TerminalProgress(std::ostream& out, const Catalog& catalog, const int& pageLink)
    : m_out(out), m_catalog(catalog), m_pageLink(pageLink)
{
}

int TerminalProgress::requestsOf(const CatalogEntry& entry, bool pageLink)
{
    const auto& e = entry.bytes;
    if (!pageLink)
        return 14 + 4 * e[3] + e[4]; // header and fixed groups, hourly, daily
    // Two hourly archives take five page reads, the odd last one three.
    int pages = 7 + e[10] / 2 * 5 + e[10] % 2 * 3;
    pages += (e[9] + 1) / 2 + (e[8] + 3) / 4 + 17 * e[11];
    if (e[5] == 2 || e[5] == 3)
        pages += 24 * e[12];
    return pages;
}

std::string TerminalProgress::text(
    int record, int records, const std::string& controller, int done, int total, double elapsedSeconds)
{
    const int percent = total > 0 ? std::min(100, done * 100 / total) : 0;
    std::string line = "Запись " + std::to_string(record) + " из " + std::to_string(records) + ", МЕРАН " +
                       controller + ", " + std::to_string(percent) + " %";
    if (done > 0 && total > done) {
        const long left = std::lround(elapsedSeconds / done * (total - done));
        line += ", осталось ";
        if (left >= 3600)
            line += std::to_string(left / 3600) + " ч " + std::to_string(left % 3600 / 60) + " мин";
        else if (left >= 60)
            line += std::to_string(left / 60) + " мин " + std::to_string(left % 60) + " с";
        else
            line += std::to_string(left) + " с";
    }
    return line;
}

void TerminalProgress::setPosition(int)
{
    // A pass starts: the catalog is known now.
    m_ends.clear();
    int sum = 0;
    for (int r = 1; r <= m_catalog.count; ++r) {
        sum += requestsOf(m_catalog.entry(r), m_pageLink == 1);
        m_ends.push_back(sum);
    }
    m_done = 0;
    m_start = std::chrono::steady_clock::now();
}

void TerminalProgress::step()
{
    ++m_done;
    draw(m_done == total());
}

void TerminalProgress::draw(bool force)
{
    if (m_ends.empty())
        return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && m_shown && now - m_lastDraw < std::chrono::milliseconds(200))
        return;
    m_lastDraw = now;
    const auto at = std::lower_bound(m_ends.begin(), m_ends.end(), m_done);
    const int index = static_cast<int>(std::min<std::ptrdiff_t>(at - m_ends.begin(), m_catalog.count - 1));
    const double elapsed = std::chrono::duration<double>(now - m_start).count();
    m_out << '\r'
          << text(index + 1, m_catalog.count, m_catalog.entry(index + 1).controllerText(), m_done,
                  m_ends.back(), elapsed)
          << "\x1b[K" << std::flush;
    m_shown = true;
}

void TerminalProgress::finish()
{
    if (m_shown)
        m_out << "\r\x1b[K" << std::flush;
    m_shown = false;
}

} // namespace kest
