#include "db/ArchiveStore.h"

#include "registrar/RegistrarImage.h"

#include <cmath>

namespace kest {
namespace {

/// Stored times are whole seconds; an existing row matches a slot within this.
constexpr double kSameTime = 1e-5;

/// The positions of a chain: up to its first free one. A position whose member the
/// record lacks (kAbsentMember) counts, so the members after it keep their own days,
/// but stores nothing.
template <std::size_t N> int chainLength(const std::array<std::uint8_t, N>& chain)
{
    std::size_t n = 0;
    while (n + 1 < N && chain[n + 1] != kNoMark)
        ++n;
    return static_cast<int>(n);
}

} // namespace

ArchiveStore::ArchiveStore(ArchiveDatabase& db, StoreVariant variant, DepthLimits depth, DateTime today)
    : m_db(db), m_variant(variant), m_depth(depth), m_today(dateOf(today))
{
    m_slots.reserve(kIntervalSlots);
}

DbStatus ArchiveStore::storeRecord(const ImageRecord& record, std::int64_t code)
{
    // Another desk storing the same archives at the same moment may make the server
    // undo one of the two transactions (a deadlock or a serialization failure); the
    // record is then stored again from its start, which the other desk's commit lets
    // through.
    constexpr int kAttempts = 8;
    DbStatus status;
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        status = storeRecordOnce(record, code);
        if (!status.retryable)
            break;
    }
    return status;
}

DbStatus ArchiveStore::storeRecordOnce(const ImageRecord& record, std::int64_t code)
{
    Transaction tx(m_db);
    if (!tx.begin().ok())
        return tx.begin();
    DbStatus status = storeHourly(record, code);
    if (status.ok())
        status = storeDaily(record, code);
    if (m_variant == StoreVariant::Page) {
        if (status.ok())
            status = storeMonthly(record, code);
        if (status.ok())
            status = storeInterval(record, code);
        if (status.ok())
            status = storeExtended(record, code);
    }
    if (!status.ok())
        return status;
    return tx.commit();
}

DbStatus ArchiveStore::storeHourly(const ImageRecord& rec, std::int64_t code)
{
    const ArchiveSettings& s = rec.Settings;
    for (int k = 0; k < kHourlyArchives; ++k) {
        const auto ki = static_cast<std::size_t>(k);
        if (s.HourlyFlags[ki] != k)
            continue;
        const std::int64_t key = ArchiveKey(code, ArchiveKind::Hourly, k);
        DbStatus status = deleteOlder(ArchiveKind::Hourly, key, m_depth.hourly);
        for (int j = 0; status.ok() && j <= chainLength(s.HourlyChains[ki]); ++j) {
            const int row = j == 0 ? k : s.HourlyChains[ki][static_cast<std::size_t>(j)];
            if (row >= kHourlyArchives)
                continue;
            const TimeSeries series =
                j == 0 ? HourlySeries(rec.RecordTime) : HourlyMemberSeries(rec.RecordTime, j);
            m_slots.clear();
            for (int i = 0; i < series.steps && i < kHourlySlots; ++i)
                m_slots.push_back({series.start + i * kOneHour,
                                   rec.Hourly[static_cast<std::size_t>(row)][static_cast<std::size_t>(i)]});
            status = writeSlots(ArchiveKind::Hourly, key, rec.RecordTime);
        }
        if (!status.ok())
            return status;
    }
    return DbStatus::success();
}

void ArchiveStore::collectDaily(const TimeSeries& series, const double* values, bool shiftToMonthBefore)
{
    m_slots.clear();
    for (int i = 0; i < series.steps; ++i) {
        const DateTime date = series.start + i;
        const int day = decodeDateTime(date).day;
        if (!shiftToMonthBefore) {
            m_slots.push_back({date, values[day - 1]});
        } else if (const auto moved = MemberPageLinkDate(date)) {
            m_slots.push_back({*moved, values[day - 1]});
        }
    }
}

void ArchiveStore::dropUnfinishedDays(DateTime last, DateTime recordTime)
{
    // A month of days counted from a start in the visit's own month can reach past
    // the last finished date (a visit on 31 May in mode 0 ends at 30 May). The slot of
    // such a day has not been written this month and still holds a day of an earlier
    // one (31 May's slot holds 31 March), so those days are not stored.
    std::erase_if(m_slots, [&](const Slot& slot) {
        return slot.time > last + kSameTime && notAfter(slot.time, recordTime);
    });
}

void ArchiveStore::moveLaterDaysToMonthBefore(DateTime recordTime)
{
    // A daily archive keeps one slot per day of the month, so a date past the visit
    // still holds the value of that day a month earlier (after a visit on 31 March,
    // the series runs to 3 April, whose slots hold 1..3 March). On the page link
    // those values are stored under their own dates, in front of the series.
    std::size_t later = m_slots.size();
    while (later > 0 && !notAfter(m_slots[later - 1].time, recordTime))
        --later;
    std::vector<Slot> moved;
    for (std::size_t i = later; i < m_slots.size(); ++i) {
        if (const auto date = MemberPageLinkDate(m_slots[i].time); date && *date < m_slots.front().time)
            moved.push_back({*date, m_slots[i].value});
    }
    m_slots.resize(later);
    m_slots.insert(m_slots.begin(), moved.begin(), moved.end());
}

DbStatus ArchiveStore::storeDaily(const ImageRecord& rec, std::int64_t code)
{
    const ArchiveSettings& s = rec.Settings;
    const DailyRules rules{rec.RecordTime, rec.rhour, rec.avans, MonthDays(rec.RecordYear)};
    for (int k = 0; k < kDailyArchives; ++k) {
        const auto ki = static_cast<std::size_t>(k);
        if (s.DailyFlags[ki] != k)
            continue;
        const std::int64_t key = ArchiveKey(code, ArchiveKind::Daily, k);
        DbStatus status = deleteOlder(ArchiveKind::Daily, key, m_depth.daily);
        const int member = s.DailyChains[ki];
        if (status.ok()) {
            collectDaily(member == kNoMark ? DailyPlainSeries(rules) : DailyHeadSeries(rules),
                         rec.Daily[ki].data(), false);
            if (member == kNoMark)
                dropUnfinishedDays(DailyPlainEnd(rules), rec.RecordTime);
            if (m_variant == StoreVariant::Page && !m_slots.empty())
                moveLaterDaysToMonthBefore(rec.RecordTime);
            status = writeSlots(ArchiveKind::Daily, key, rec.RecordTime);
        }
        if (status.ok() && member != kNoMark && member < kDailyArchives) {
            collectDaily(DailyMemberSeries(rules), rec.Daily[static_cast<std::size_t>(member)].data(),
                         m_variant == StoreVariant::Page);
            status = writeSlots(ArchiveKind::Daily, key, rec.RecordTime);
        }
        if (!status.ok())
            return status;
    }
    return DbStatus::success();
}

DbStatus ArchiveStore::storeMonthly(const ImageRecord& rec, std::int64_t code)
{
    const auto dates = MonthlyDates(rec.RecordTime);
    for (int k = 0; k < kMonthlyArchives; ++k) {
        const auto ki = static_cast<std::size_t>(k);
        if (rec.Settings.MonthlyFlags[ki] != k)
            continue;
        const std::int64_t key = ArchiveKey(code, ArchiveKind::Monthly, k);
        DbStatus status = deleteOlder(ArchiveKind::Monthly, key, m_depth.monthly);
        m_slots.clear();
        for (DateTime date : dates)
            m_slots.push_back(
                {date, rec.Monthly[ki][static_cast<std::size_t>(decodeDateTime(date).month - 1)]});
        if (status.ok())
            status = writeSlots(ArchiveKind::Monthly, key, rec.RecordTime);
        if (!status.ok())
            return status;
    }
    return DbStatus::success();
}

DbStatus ArchiveStore::storeInterval(const ImageRecord& rec, std::int64_t code)
{
    const ArchiveSettings& s = rec.Settings;
    // No controller integrates over less than a minute or more than an hour; a
    // hand-edited length outside that is taken like the unset 0.
    const int minutes = rec.smin >= 1 && rec.smin <= 60 ? rec.smin : 5;
    for (int k = 0; k < kIntervalArchives; ++k) {
        const auto ki = static_cast<std::size_t>(k);
        if (s.IntervalFlags[ki] != k)
            continue;
        const std::int64_t key = ArchiveKey(code, ArchiveKind::Interval, k);
        const int members = chainLength(s.IntervalChains[ki]);
        DbStatus status = deleteOlder(ArchiveKind::Interval, key, m_depth.interval);
        for (int j = 0; status.ok() && j <= members; ++j) {
            const int row = j == 0 ? k : s.IntervalChains[ki][static_cast<std::size_t>(j)];
            if (row >= kIntervalArchives)
                continue;
            const TimeSeries series = IntervalSeries(rec.RecordTime, minutes, j, members);
            // Each span that is written replaces its rows whole, the head's everything
            // from its start on. Spans follow each other without a gap, so together
            // they clear what one cut-off at the oldest span would; the span of a member
            // the record lacks is written by nobody and keeps its rows.
            status = j == 0 ? DeleteIntervalRowsFrom(m_db, key, series.start)
                            : DeleteIntervalRowsBetween(m_db, key, series.start, series.start + minutes);
            if (!status.ok())
                break;
            m_slots.clear();
            for (int i = 0; i < series.steps; ++i)
                m_slots.push_back({series.start + i * minutes * kOneMinute,
                                   rec.Interval[static_cast<std::size_t>(row)][static_cast<std::size_t>(i)]});
            status = writeSlots(ArchiveKind::Interval, key, rec.RecordTime);
        }
        if (!status.ok())
            return status;
    }
    return DbStatus::success();
}

DbStatus ArchiveStore::storeExtended(const ImageRecord& rec, std::int64_t code)
{
    const TimeSeries series = ExtendedSeries(rec.RecordTime);
    for (int k = 0; k < kExtendedArchives; ++k) {
        const auto ki = static_cast<std::size_t>(k);
        if (rec.Settings.HourlyExtended[ki] == kNoMark)
            continue;
        const std::int64_t key = ArchiveKey(code, ArchiveKind::Hourly, k);
        DbStatus status = deleteOlder(ArchiveKind::Hourly, key, m_depth.hourly);
        m_slots.clear();
        for (int i = 0; i < series.steps; ++i) {
            const DateTime t = series.start + i * kOneHour;
            m_slots.push_back({t, rec.ExtendedHourly[ki][static_cast<std::size_t>(ExtendedSlot(t))]});
        }
        if (status.ok())
            status = writeSlots(ArchiveKind::Hourly, key, rec.RecordTime);
        if (!status.ok())
            return status;
    }
    return DbStatus::success();
}

DbStatus ArchiveStore::deleteOlder(ArchiveKind kind, std::int64_t key, int depthDays)
{
    // A depth of -1 is what a missing NN.INI key reads as; it must not wipe the archive.
    if (depthDays < 0)
        return DbStatus::success();
    return DeleteArchiveRowsBefore(m_db, kind, key, m_today - depthDays);
}

DbStatus ArchiveStore::writeSlots(ArchiveKind kind, std::int64_t key, DateTime recordTime)
{
    if (beforeEachSeries)
        beforeEachSeries();
    while (!m_slots.empty() && !notAfter(m_slots.back().time, recordTime))
        m_slots.pop_back();
    if (m_slots.empty())
        return DbStatus::success();
    if (m_variant == StoreVariant::Page)
        return insertRows(kind, key, recordTime);

    // The request link leaves rows that exist alone: walk the stored rows of the
    // range beside the slots and offer only the slots that have none.
    DbStatus status =
        SelectArchiveRange(m_db, kind, key, m_slots.front().time, m_slots.back().time, m_existing);
    if (!status.ok())
        return status;
    std::size_t next = 0;
    std::size_t kept = 0;
    for (const Slot& slot : m_slots) {
        while (next < m_existing.size() && m_existing[next].sdate < slot.time - kSameTime)
            ++next;
        if (next < m_existing.size() && std::fabs(m_existing[next].sdate - slot.time) <= kSameTime) {
            ++next;
            continue;
        }
        m_slots[kept++] = slot;
    }
    m_slots.resize(kept);
    return insertRows(kind, key, recordTime);
}

DbStatus ArchiveStore::insertRows(ArchiveKind kind, std::int64_t key, DateTime recordTime)
{
    m_batch.clear();
    for (const Slot& slot : m_slots) {
        if (notAfter(slot.time, recordTime))
            m_batch.push_back({slot.time, slot.value});
    }
    if (m_batch.empty())
        return DbStatus::success();
    RowsAttempted = true;
    return m_db.storeArchiveValues(kind, key, m_batch,
                                   m_variant == StoreVariant::Page ? DuplicateRule::Overwrite
                                                                   : DuplicateRule::KeepExisting);
}

} // namespace kest
