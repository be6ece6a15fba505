#include "RecordFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <sstream>

namespace kest::sim {
namespace {

constexpr int kFixedGroupSlots = 32 + 6 * 64;

struct Parser
{
    std::string error;
    int line = 0;

    bool fail(const std::string& why)
    {
        error = "line " + std::to_string(line) + ": " + why;
        return false;
    }
};

std::optional<long> parseInt(const std::string& text, int base)
{
    long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<double> parseNumber(const std::string& text)
{
    try {
        std::size_t used = 0;
        const double v = std::stod(text, &used);
        if (used != text.size() || !std::isfinite(v))
            return std::nullopt;
        return v;
    } catch (...) {
        return std::nullopt;
    }
}

std::optional<Slot> rawSlot(const std::string& hex)
{
    if (hex.size() != 8)
        return std::nullopt;
    Slot slot{};
    for (int i = 0; i < 4; ++i) {
        const auto b = parseInt(hex.substr(static_cast<std::size_t>(i) * 2, 2), 16);
        if (!b)
            return std::nullopt;
        slot[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(*b);
    }
    return slot;
}

Slot encode(double value, bool counter)
{
    if (!counter)
        return EncodeFloat4(value);
    return EncodeCounter4(value <= 0 ? 0u : static_cast<std::uint32_t>(std::min(value, 4294967295.0)));
}

/// Values: numbers, "nv" (erased), "raw:AABBCCDD", "ramp START STEP [COUNT]".
bool parseValues(Parser& p, std::istringstream& in, bool counter, int capacity, std::vector<Slot>& slots)
{
    std::string token;
    while (in >> token) {
        if (token == "nv") {
            slots.push_back(kErasedSlot);
        } else if (token.rfind("raw:", 0) == 0) {
            const auto slot = rawSlot(token.substr(4));
            if (!slot)
                return p.fail("bad raw slot " + token);
            slots.push_back(*slot);
        } else if (token == "ramp") {
            std::string a, b, c;
            in >> a >> b;
            const auto first = parseNumber(a), step = parseNumber(b);
            if (!first || !step)
                return p.fail("ramp needs START STEP [COUNT]");
            long count = capacity - static_cast<long>(slots.size());
            if (in >> c) {
                const auto n = parseInt(c, 10);
                if (!n || *n < 0)
                    return p.fail("bad ramp count " + c);
                count = *n;
            }
            for (long i = 0; i < count; ++i)
                slots.push_back(encode(*first + static_cast<double>(i) * *step, counter));
        } else {
            const auto v = parseNumber(token);
            if (!v)
                return p.fail("bad value " + token);
            slots.push_back(encode(*v, counter));
        }
        if (static_cast<int>(slots.size()) > capacity)
            return p.fail("more than " + std::to_string(capacity) + " values");
    }
    return true;
}

std::optional<ArchiveKind> kindOf(const std::string& word)
{
    if (word == "hourly")
        return ArchiveKind::Hourly;
    if (word == "daily")
        return ArchiveKind::Daily;
    if (word == "monthly")
        return ArchiveKind::Monthly;
    if (word == "extended")
        return ArchiveKind::Extended;
    if (word == "interval")
        return ArchiveKind::Interval;
    return std::nullopt;
}

bool parseTime(Parser& p, std::istringstream& in, SimRecord& r)
{
    std::string date, time;
    in >> date >> time;
    int day = 0, month = 0, year = 0, hour = 0, minute = 0;
    char tail = 0;
    if (std::sscanf(date.c_str(), "%d.%d.%d%c", &day, &month, &year, &tail) != 3 ||
        std::sscanf(time.c_str(), "%d:%d%c", &hour, &minute, &tail) != 2)
        return p.fail("time needs DD.MM.YYYY HH:MM");
    // Fields are taken as they stand, so a broken date (month 0) can be served too.
    const int fields[] = {day, month, hour, minute, year / 100, year % 100};
    for (int i = 0; i < 6; ++i) {
        if (fields[i] < 0 || fields[i] > 255)
            return p.fail("time field out of byte range");
        r.header[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(fields[i]);
    }
    return true;
}

bool parseHeaderBytes(Parser& p, std::istringstream& in, SimRecord& r)
{
    std::string token;
    while (in >> token) {
        const auto eq = token.find('=');
        const auto index = eq == std::string::npos ? std::nullopt : parseInt(token.substr(0, eq), 10);
        const auto value = eq == std::string::npos ? std::nullopt : parseInt(token.substr(eq + 1), 16);
        if (!index || !value || *index < 6 || *index > 127 || *value < 0 || *value > 255)
            return p.fail("header needs INDEX=HEX with INDEX 6..127");
        r.header[static_cast<std::size_t>(*index)] = static_cast<std::uint8_t>(*value);
    }
    return true;
}

bool parseArchive(Parser& p, std::istringstream& in, ArchiveKind kind, SimRecord& r)
{
    SimArchive archive;
    archive.kind = kind;
    std::string word;
    in >> word;
    const auto number = parseInt(word, 10);
    if (!number || *number < 0 || *number > 255)
        return p.fail("archive number 0..255 expected");
    archive.number = static_cast<int>(*number);
    const auto rest = in.tellg();
    if (in >> word && word == "counter")
        archive.counter = true;
    else {
        in.clear();
        in.seekg(rest);
    }
    if (!parseValues(p, in, archive.counter, valueSlots(kind), archive.slots))
        return false;
    r.archives.push_back(std::move(archive));
    return true;
}

bool parseNumberKey(Parser& p, std::istringstream& in, int base, int low, int high, int& out)
{
    std::string word;
    in >> word;
    const auto v = parseInt(word, base);
    if (!v || *v < low || *v > high)
        return p.fail("value out of range: " + word);
    out = static_cast<int>(*v);
    return true;
}

bool parseLine(Parser& p, const std::string& keyword, std::istringstream& in, SimRecord& r)
{
    int v = 0;
    if (keyword == "controller") {
        if (!parseNumberKey(p, in, 16, 0, 0xFFFF, v))
            return false;
        r.controller = static_cast<std::uint16_t>(v);
        return true;
    }
    if (keyword == "time")
        return parseTime(p, in, r);
    if (keyword == "page")
        return parseNumberKey(p, in, 16, 2, 0xFFFF, v) && (r.page = v, true);
    if (keyword == "area") {
        if (!parseNumberKey(p, in, 10, 2, 3, v))
            return false;
        r.area = v;
        return true;
    }
    if (keyword == "start")
        return parseNumberKey(p, in, 16, 0, 0xFE, v) && (r.start = v, true);
    if (keyword == "state")
        return parseNumberKey(p, in, 16, 0, 0xFF, v) && (r.state = v, true);
    if (keyword == "mode")
        return parseNumberKey(p, in, 16, 0, 0xFF, r.mode);
    if (keyword == "header")
        return parseHeaderBytes(p, in, r);
    if (keyword == "groups")
        return parseValues(p, in, false, kFixedGroupSlots, r.groups);
    if (const auto kind = kindOf(keyword))
        return parseArchive(p, in, *kind, r);
    return p.fail("unknown keyword " + keyword);
}

} // namespace

int valueSlots(ArchiveKind kind)
{
    switch (kind) {
    case ArchiveKind::Hourly:
        return 96;
    case ArchiveKind::Daily:
        return 32;
    case ArchiveKind::Monthly:
        return 12;
    case ArchiveKind::Extended:
        return 1008;
    case ArchiveKind::Interval:
        return 1440;
    }
    return 0;
}

int SimRecord::count(ArchiveKind kind) const
{
    return static_cast<int>(std::count_if(archives.begin(), archives.end(),
                                          [kind](const SimArchive& a) { return a.kind == kind; }));
}

std::optional<std::vector<SimRecord>> ParseRecordFile(const std::string& text, std::string& error)
{
    Parser p;
    std::vector<SimRecord> records;
    std::istringstream lines(text);
    std::string raw;
    while (std::getline(lines, raw)) {
        ++p.line;
        raw = raw.substr(0, raw.find('#'));
        std::istringstream in(raw);
        std::string keyword;
        if (!(in >> keyword))
            continue;
        if (keyword == "record") {
            if (records.size() == 32) {
                error = "line " + std::to_string(p.line) + ": the registrar holds at most 32 records";
                return std::nullopt;
            }
            records.emplace_back();
            continue;
        }
        if (records.empty()) {
            error = "line " + std::to_string(p.line) + ": '" + keyword + "' before the first 'record'";
            return std::nullopt;
        }
        if (!parseLine(p, keyword, in, records.back())) {
            error = p.error;
            return std::nullopt;
        }
    }
    return records;
}

} // namespace kest::sim
