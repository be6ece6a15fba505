#pragma once

#include "exchange/ExchangeContext.h"
#include "registrar/Catalog.h"

#include <chrono>
#include <ostream>
#include <vector>

namespace kest {

/// One updating line on a terminal during a long read: the record being read and
/// its controller, the share of the whole read done and the time left, estimated
/// from the pages (or memory reads) so far. The readers step it once per request
/// that came through; the catalog tells how many each record takes.
class TerminalProgress final : public ExchangeProgress
{
public:
    TerminalProgress(std::ostream& out, const Catalog& catalog, const int& pageLink);

    void setPosition(int position) override;
    void step() override;
    /// Clears the line; the next text on the terminal starts on a clean line.
    void finish();

    int done() const { return m_done; }
    /// Requests the whole read takes.
    int total() const { return m_ends.empty() ? 0 : m_ends.back(); }

    /// Requests record `entry` takes on the link.
    static int requestsOf(const CatalogEntry& entry, bool pageLink);
    /// The line's text after `done` requests of `total`, `elapsedSeconds` in.
    static std::string
    text(int record, int records, const std::string& controller, int done, int total, double elapsedSeconds);

private:
    void draw(bool force);

    std::ostream& m_out;
    const Catalog& m_catalog;
    const int& m_pageLink;
    std::vector<int> m_ends; ///< cumulative requests at the end of each record
    int m_done = 0;
    bool m_shown = false;
    std::chrono::steady_clock::time_point m_start;
    std::chrono::steady_clock::time_point m_lastDraw;
};

} // namespace kest
