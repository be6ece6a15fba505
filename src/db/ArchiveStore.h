#pragma once

#include "common/DateTime.h"
#include "db/ArchiveTables.h"
#include "db/ArchiveTimes.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace kest {

struct ImageRecord;

/// Which link filled the image. The request link brings hourly and daily archives
/// and never touches a row that exists; the page link brings every kind and
/// rewrites the rows it covers.
enum class StoreVariant
{
    Request,
    Page
};

/// How many days back each kind is kept (DARH, DARD, DARM, Dok of NN.INI).
struct DepthLimits
{
    int hourly = 365;
    int daily = 365;
    int monthly = 365;
    int interval = 365;
};

/// Turns the archives of image records into table rows. One record is one
/// transaction: a failure or a kill half-way leaves none of its rows behind.
class ArchiveStore
{
public:
    ArchiveStore(ArchiveDatabase& db, StoreVariant variant, DepthLimits depth, DateTime today);

    /// Stores every archive the read marked as its own (flag byte equal to its number)
    /// with its chain members, after deleting rows older than the depth limits.
    DbStatus storeRecord(const ImageRecord& record, std::int64_t controllerCode);

    /// Set once any row was offered to a table (a row skipped as existing is not).
    bool RowsAttempted = false;
    /// Runs before each archive series is written, so a long record lets the
    /// windows repaint while it is stored.
    std::function<void()> beforeEachSeries;

private:
    struct Slot
    {
        DateTime time;
        double value;
    };

    DbStatus storeRecordOnce(const ImageRecord& record, std::int64_t code);
    DbStatus storeHourly(const ImageRecord& record, std::int64_t code);
    DbStatus storeDaily(const ImageRecord& record, std::int64_t code);
    DbStatus storeMonthly(const ImageRecord& record, std::int64_t code);
    DbStatus storeInterval(const ImageRecord& record, std::int64_t code);
    DbStatus storeExtended(const ImageRecord& record, std::int64_t code);

    DbStatus deleteOlder(ArchiveKind kind, std::int64_t key, int depthDays);
    /// Fills m_slots with the values of one daily series that fall on days of the month.
    void collectDaily(const TimeSeries& series, const double* values, bool shiftToMonthBefore);
    /// Drops the daily slots dated after `last` but not after the visit.
    void dropUnfinishedDays(DateTime last, DateTime recordTime);
    /// Page link: daily slots dated after the visit go to the same day a month earlier.
    void moveLaterDaysToMonthBefore(DateTime recordTime);
    /// Writes m_slots (ascending time) that are not after the record time.
    DbStatus writeSlots(ArchiveKind kind, std::int64_t key, DateTime recordTime);
    DbStatus insertRows(ArchiveKind kind, std::int64_t key, DateTime recordTime);

    ArchiveDatabase& m_db;
    StoreVariant m_variant;
    DepthLimits m_depth;
    DateTime m_today;
    std::vector<Slot> m_slots;
    std::vector<ArchiveRow> m_existing;
    std::vector<ArchiveValue> m_batch;
};

} // namespace kest
