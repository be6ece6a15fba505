#pragma once

#include "exchange/ExchangeContext.h"
#include "registrar/RegistrarImage.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kest {

/// What both record readers do with the bytes they fetch: the header, the fixed
/// groups, and the archives with their flag bytes, decoded into one image record.
class RecordFill
{
public:
    RecordFill(ExchangeContext& ctx, int number);

    /// True while no request failed and no stop was asked for.
    bool goesOn() const;
    /// Runs one fetch with the caller's tries; the progress moves on success.
    bool fetch(const std::function<int()>& command);

    /// Record time, year and header tail from the first 128 bytes. False when the
    /// fields form no date; the user is shown why and the read must end.
    bool takeHeader(const std::uint8_t* header);
    /// Plain values into FixedGroups[first ...].
    void takeFixed(int first, const std::uint8_t* bytes, int count);

    enum class Kind
    {
        Hourly,
        Daily,
        Monthly,
        Extended,
        Interval
    };
    /// Checks and sets the flag byte of archive k; false (and a log line) when k has
    /// no place in the image, so the caller skips the archive's values.
    bool beginArchive(Kind kind, int k);
    /// Decodes `count` slots into the archive begun last, from slot `firstSlot` on.
    void takeValues(const std::uint8_t* bytes, int firstSlot, int count);

    /// After a kind is read, its chain members are stored as part of their heads.
    void clearHourlyMembers();
    void clearDailyMembers();
    void clearIntervalMembers();

    /// Sets the read state and, on failure, writes the closing log lines.
    bool finish(std::uint8_t& stateByte);

    ImageRecord& record() { return m_record; }

private:
    template <std::size_t N, std::size_t M>
    void settleChains(Kind kind,
                      std::array<std::array<std::uint8_t, M>, N>& chains,
                      std::uint8_t* flags,
                      std::size_t flagCount);
    /// Logs the members of a head that are not stored: those after a free position
    /// in KEST.INI and those the record lacks.
    void noteChain(Kind kind, int head, const std::vector<int>& leftOut, const std::vector<int>& absent);

    ExchangeContext& m_ctx;
    ImageRecord& m_record;
    int m_number;
    double* m_target = nullptr; ///< the archive begun last; nullptr when skipped
    int m_targetSize = 0;
    bool m_counter = false; ///< the archive is kept in the counter format
    /// Hourly archives found in the counter format; their extended twins share it.
    std::array<bool, kHourlyArchives> m_hourlyCounter{};
};

} // namespace kest
