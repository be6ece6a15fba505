#include "exchange/RecordFill.h"

#include "common/EventPump.h"
#include "common/ExchangeLog.h"
#include "common/Prompter.h"
#include "registrar/ValueEncoding.h"

#include <cstdio>

namespace kest {
namespace {

const char* kindName(RecordFill::Kind kind)
{
    switch (kind) {
    case RecordFill::Kind::Hourly:
        return "часовой";
    case RecordFill::Kind::Daily:
        return "суточный";
    case RecordFill::Kind::Monthly:
        return "месячный";
    case RecordFill::Kind::Extended:
        return "расширенный часовой";
    case RecordFill::Kind::Interval:
        break;
    }
    return "интервальный";
}

const char* kindGenitive(RecordFill::Kind kind)
{
    return kind == RecordFill::Kind::Interval ? "интервального" : "часового";
}

const char* kindInstrumental(RecordFill::Kind kind)
{
    switch (kind) {
    case RecordFill::Kind::Daily:
        return "суточным";
    case RecordFill::Kind::Interval:
        return "интервальным";
    default:
        break;
    }
    return "часовым";
}

std::string twoDigits(int v)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

/// The text the date conversion gives when header fields form no date.
std::string invalidHeaderText(const std::uint8_t* h)
{
    return "'" + twoDigits(h[0]) + "." + twoDigits(h[1]) + "." + std::to_string(h[4] * 100 + h[5]) + " " +
           twoDigits(h[2]) + ":" + twoDigits(h[3]) + ":00' is not a valid date and time";
}

/// True for an archive the read found (its flag holds its own number).
bool wasRead(const std::uint8_t* flags, std::uint8_t number)
{
    return flags[number] == number;
}

/// Two-digit archive numbers, each after a blank, as the settings window lists chains.
std::string numberList(const std::vector<int>& numbers)
{
    std::string text;
    for (int n : numbers)
        text += " " + twoDigits(n);
    return text;
}

} // namespace

/// Hourly and interval chains as the read leaves them for storing. A chain ends at its
/// first free position in KEST.INI: the settings window frees one when it moves a member
/// to the end of its chain, and the members behind it, dated by their positions, would
/// land on the days of other members. A member the record lacks keeps its position
/// (kAbsentMember), so the members after it keep their days, but stores nothing. Every
/// member is stored as part of its head, never on its own.
template <std::size_t N, std::size_t M>
void RecordFill::settleChains(Kind kind,
                              std::array<std::array<std::uint8_t, M>, N>& chains,
                              std::uint8_t* flags,
                              std::size_t flagCount)
{
    std::vector<std::uint8_t> members;
    for (std::size_t head = 0; head < N; ++head) {
        auto& chain = chains[head];
        std::vector<int> leftOut;
        std::vector<int> absent;
        bool ended = false;
        for (std::size_t slot = 1; slot < M; ++slot) {
            const std::uint8_t m = chain[slot];
            if (m == kNoMark) {
                ended = true;
                continue;
            }
            members.push_back(m);
            if (ended) {
                leftOut.push_back(m);
                chain[slot] = kNoMark;
            } else if (m < flagCount && !wasRead(flags, m)) {
                absent.push_back(m);
                chain[slot] = kAbsentMember;
            }
        }
        if (head < flagCount && wasRead(flags, static_cast<std::uint8_t>(head)))
            noteChain(kind, static_cast<int>(head), leftOut, absent);
    }
    for (std::uint8_t m : members) {
        if (m < flagCount)
            flags[m] = kNoMark;
    }
}

void RecordFill::noteChain(Kind kind,
                           int head,
                           const std::vector<int>& leftOut,
                           const std::vector<int>& absent)
{
    const std::string prefix = "Запись № " + std::to_string(m_number) + ": ";
    if (!leftOut.empty()) {
        m_ctx.log.append(prefix + "цепочка " + kindGenitive(kind) + " архива №" + twoDigits(head) +
                         " в KEST.INI прервана свободным местом, сцепленные после него архивы в базу не "
                         "помещаются:" +
                         numberList(leftOut));
    }
    if (!absent.empty()) {
        m_ctx.log.append(prefix + "сцепленных с " + kindInstrumental(kind) + " архивом №" + twoDigits(head) +
                         " архивов нет в записи, в базу они не помещаются:" + numberList(absent));
    }
}

RecordFill::RecordFill(ExchangeContext& ctx, int number)
    : m_ctx(ctx), m_record(ctx.image.record(number)), m_number(number)
{
}

bool RecordFill::goesOn() const
{
    return m_ctx.state.ExchangeStatus == kStatusOk && !m_ctx.state.StopRequested;
}

bool RecordFill::fetch(const std::function<int()>& command)
{
    if (!goesOn())
        return false;
    RunCommandWithTries(m_ctx, kDefaultFactor, command);
    if (!goesOn())
        return false;
    if (m_ctx.progress)
        m_ctx.progress->step();
    return true;
}

bool RecordFill::takeHeader(const std::uint8_t* header)
{
    m_record.RecordYear = header[4] * 100 + header[5];
    const auto stamp = DecodeRecordTime(header);
    if (!stamp) {
        m_ctx.prompter.showError(invalidHeaderText(header));
        return false;
    }
    m_record.RecordTime = stamp->RecordTime;
    for (int i = 1; i <= kHeaderTailBytes; ++i)
        m_record.HeaderTail[static_cast<std::size_t>(i)] = header[i + 5];
    return true;
}

void RecordFill::takeFixed(int first, const std::uint8_t* bytes, int count)
{
    for (int i = 0; i < count; ++i)
        m_record.FixedGroups[static_cast<std::size_t>(first + i)] = DecodeFloat4(bytes + 4 * i);
}

bool RecordFill::beginArchive(Kind kind, int k)
{
    ArchiveSettings& s = m_record.Settings;
    const auto ki = static_cast<std::size_t>(k);
    std::uint8_t* flag = nullptr;
    m_target = nullptr;
    switch (kind) {
    case Kind::Hourly:
        if (k < kHourlyArchives) {
            flag = &s.HourlyFlags[ki];
            m_target = m_record.Hourly[ki].data();
            m_targetSize = kHourlySlots;
        }
        break;
    case Kind::Daily:
        if (k < kDailyArchives) {
            flag = &s.DailyFlags[ki];
            m_target = m_record.Daily[ki].data();
            m_targetSize = kDailySlots;
        }
        break;
    case Kind::Monthly:
        if (k < kMonthlyArchives) {
            flag = &s.MonthlyFlags[ki];
            m_target = m_record.Monthly[ki].data();
            m_targetSize = kMonthlySlots;
        }
        break;
    case Kind::Extended:
        if (k < kExtendedArchives) {
            s.HourlyExtended[ki] = static_cast<std::uint8_t>(k);
            flag = &s.HourlyFlags[ki];
            m_target = m_record.ExtendedHourly[ki].data();
            m_targetSize = kExtendedSlots;
        }
        break;
    case Kind::Interval:
        if (k < kIntervalArchives) {
            flag = &s.IntervalFlags[ki];
            m_target = m_record.Interval[ki].data();
            m_targetSize = kIntervalSlots;
        }
        break;
    }
    if (!flag) {
        // The controller cannot hold such an archive; its pages are read past.
        m_ctx.log.append("Запись № " + std::to_string(m_number) + ": " + kindName(kind) + " архив №" +
                         std::to_string(k) + " вне номеров архивов контроллера, пропущен.");
        return false;
    }
    m_counter = *flag == kDoublePrecision;
    // The hourly archive of the same number took the mark when it was found; its
    // extended twin, stored under the same key, is kept in the same format.
    if (kind == Kind::Hourly && m_counter)
        m_hourlyCounter[ki] = true;
    if (kind == Kind::Extended && m_hourlyCounter[ki])
        m_counter = true;
    // An extended archive shares its number with an hourly one but marks only
    // itself as read: an hourly archive that the record lacks must not be stored as
    // three days of zeros.
    if (kind != Kind::Extended)
        *flag = static_cast<std::uint8_t>(k);
    return true;
}

void RecordFill::takeValues(const std::uint8_t* bytes, int firstSlot, int count)
{
    if (!m_target)
        return;
    for (int i = 0; i < count && firstSlot + i < m_targetSize; ++i) {
        const std::uint8_t* slot = bytes + 4 * i;
        m_target[firstSlot + i] = m_counter ? static_cast<double>(DecodeCounter4(slot)) : DecodeFloat4(slot);
    }
}

void RecordFill::clearHourlyMembers()
{
    settleChains(Kind::Hourly, m_record.Settings.HourlyChains, m_record.Settings.HourlyFlags.data(),
                 kHourlyArchives);
}

void RecordFill::clearDailyMembers()
{
    // Every head, the last ones included: a member left marked would also be stored
    // on its own, its month before under this month's dates.
    // A member the record lacks keeps its head on the dates of a chained pair but
    // has nothing of its own to store.
    ArchiveSettings& s = m_record.Settings;
    for (std::size_t head = 0; head < s.DailyChains.size(); ++head) {
        std::uint8_t& member = s.DailyChains[head];
        if (member < kDailyArchives && !wasRead(s.DailyFlags.data(), member)) {
            if (wasRead(s.DailyFlags.data(), static_cast<std::uint8_t>(head)))
                noteChain(Kind::Daily, static_cast<int>(head), {}, {member});
            member = kAbsentMember;
        }
    }
    for (std::uint8_t member : s.DailyChains) {
        if (member < kDailyArchives)
            s.DailyFlags[member] = kNoMark;
    }
}

void RecordFill::clearIntervalMembers()
{
    settleChains(Kind::Interval, m_record.Settings.IntervalChains, m_record.Settings.IntervalFlags.data(),
                 kIntervalArchives);
}

bool RecordFill::finish(std::uint8_t& stateByte)
{
    if (goesOn()) {
        stateByte = 1;
        return true;
    }
    m_ctx.log.append(exchangeLogLine(m_ctx.state.ExchangeStatus));
    m_ctx.log.append("** Конец обмена **");
    stateByte = 0x32;
    return false;
}

} // namespace kest
