#include "session/SessionFile.h"

#include <array>
#include <cstring>
#include <fstream>
#include <sstream>
#include <zlib.h>

namespace kest {
namespace {

constexpr std::string_view kSignature = "KESTSESS";
/// No part of a real read comes near this (a full registrar's exchanges are about
/// 7.5 MB); a larger length is a damaged file, not a reason to allocate.
constexpr std::uint32_t kMaxPartBytes = 64u << 20;
constexpr std::size_t kPartHeaderBytes = 16;

constexpr std::array<std::string_view, 4> kParts = {"HEAD", "CATL", "INPT", "LINK"};

class Writer
{
public:
    void u8(std::uint8_t v) { m_out.push_back(static_cast<char>(v)); }
    void u32(std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            u8(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }
    void i64(std::int64_t v)
    {
        u32(static_cast<std::uint32_t>(static_cast<std::uint64_t>(v)));
        u32(static_cast<std::uint32_t>(static_cast<std::uint64_t>(v) >> 32));
    }
    void bytes(std::string_view b) { m_out.append(b); }
    void text(std::string_view s)
    {
        u32(static_cast<std::uint32_t>(s.size()));
        bytes(s);
    }
    std::string& out() { return m_out; }

private:
    std::string m_out;
};

/// Reads fields off a part; once a read runs past the end every later read gives
/// zero and ok() stays false.
class Reader
{
public:
    explicit Reader(std::string_view in) : m_in(in) {}
    bool ok() const { return m_ok; }
    bool atEnd() const { return m_pos == m_in.size(); }
    std::uint8_t u8()
    {
        if (!need(1))
            return 0;
        return static_cast<std::uint8_t>(m_in[m_pos++]);
    }
    std::uint32_t u32()
    {
        if (!need(4))
            return 0;
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(m_in[m_pos++])) << (8 * i);
        return v;
    }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    std::int64_t i64()
    {
        const std::uint64_t low = u32();
        const std::uint64_t high = u32();
        return static_cast<std::int64_t>(low | high << 32);
    }
    std::string_view bytes(std::size_t n)
    {
        if (!need(n))
            return {};
        const std::string_view b = m_in.substr(m_pos, n);
        m_pos += n;
        return b;
    }
    std::string text() { return std::string(bytes(u32())); }

private:
    bool need(std::size_t n)
    {
        if (!m_ok || m_in.size() - m_pos < n)
            m_ok = false;
        return m_ok;
    }
    std::string_view m_in;
    std::size_t m_pos = 0;
    bool m_ok = true;
};

std::uint32_t crcOf(std::string_view raw)
{
    return static_cast<std::uint32_t>(
        crc32(0L, reinterpret_cast<const Bytef*>(raw.data()), static_cast<uInt>(raw.size())));
}

void writePart(Writer& file, std::string_view tag, const std::string& raw)
{
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::string packed(packedSize, '\0');
    // Level 6 packs a full registrar's pages to a fraction in a few hundred ms.
    compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
              reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()), 6);
    packed.resize(packedSize);
    file.bytes(tag);
    file.u32(static_cast<std::uint32_t>(packed.size()));
    file.u32(static_cast<std::uint32_t>(raw.size()));
    file.u32(crcOf(raw));
    file.bytes(packed);
}

std::string headPart(const SessionData& s)
{
    Writer w;
    w.text(s.started);
    w.u8(static_cast<std::uint8_t>(s.pageLink));
    w.u8(static_cast<std::uint8_t>(s.start));
    w.text(s.program);
    w.i32(s.tries);
    w.i32(s.pauseSeconds);
    w.i32(s.linkAttempts);
    w.i32(s.linkRetryDelay);
    if (s.start == SessionStart::ReadingPass)
        w.i32(s.recordLimit);
    return w.out();
}

std::string catalogPart(const Catalog& c)
{
    Writer w;
    w.u8(static_cast<std::uint8_t>(c.count));
    for (const CatalogEntry& e : c.entries)
        w.bytes(std::string_view(reinterpret_cast<const char*>(e.bytes.data()), e.bytes.size()));
    return w.out();
}

std::string inputsPart(const ReadInputs& in)
{
    Writer w;
    w.text(in.archiveSettings);
    w.u8(static_cast<std::uint8_t>(in.records));
    for (int i = 0; i < in.records; ++i) {
        const ControllerValues& v = in.values[static_cast<std::size_t>(i)];
        w.i64(v.code);
        w.text(v.name);
        w.i32(v.rhour);
        w.i32(v.rday);
        w.i32(v.avans);
        w.i32(v.smin);
    }
    return w.out();
}

/// Walks the file's parts in their fixed order.
class PartReader
{
public:
    explicit PartReader(std::string_view file) : m_file(file) {}

    /// False with the reason when the signature or version is wrong.
    bool begin(std::string& error)
    {
        if (m_file.size() < kSignature.size() + 2 || m_file.substr(0, kSignature.size()) != kSignature) {
            error = "это не файл сеанса";
            return false;
        }
        const auto low = static_cast<std::uint8_t>(m_file[8]);
        const auto high = static_cast<std::uint8_t>(m_file[9]);
        const int version = low | high << 8;
        if (version != kSessionVersion) {
            error = "файл сеанса версии " + std::to_string(version) + ", а программа читает версию " +
                    std::to_string(kSessionVersion);
            return false;
        }
        m_pos = kSignature.size() + 2;
        return true;
    }

    /// The unpacked bytes of the next part, checked against its CRC.
    std::optional<std::string> next(std::string_view tag, std::string& error)
    {
        if (m_file.size() - m_pos < kPartHeaderBytes) {
            error = "файл обрезан перед частью " + std::string(tag);
            return std::nullopt;
        }
        Reader header(m_file.substr(m_pos, kPartHeaderBytes));
        const std::string_view found = header.bytes(4);
        const std::uint32_t packedSize = header.u32();
        const std::uint32_t rawSize = header.u32();
        const std::uint32_t crc = header.u32();
        if (found != tag || packedSize > kMaxPartBytes || rawSize > kMaxPartBytes) {
            error = "часть " + std::string(tag) + " повреждена (заголовок)";
            return std::nullopt;
        }
        m_pos += kPartHeaderBytes;
        if (m_file.size() - m_pos < packedSize) {
            error = "файл обрезан в части " + std::string(tag);
            return std::nullopt;
        }
        std::string raw(rawSize, '\0');
        uLongf size = rawSize;
        const int rc = uncompress(reinterpret_cast<Bytef*>(raw.data()), &size,
                                  reinterpret_cast<const Bytef*>(m_file.data() + m_pos), packedSize);
        m_pos += packedSize;
        if (rc != Z_OK || size != rawSize || crcOf(raw) != crc) {
            error = "часть " + std::string(tag) + " повреждена (контрольная сумма не сходится)";
            return std::nullopt;
        }
        return raw;
    }

    bool atEnd() const { return m_pos == m_file.size(); }

private:
    std::string_view m_file;
    std::size_t m_pos = 0;
};

bool readHead(std::string_view raw, SessionData& s)
{
    Reader r(raw);
    s.started = r.text();
    const std::uint8_t link = r.u8();
    const std::uint8_t start = r.u8();
    s.program = r.text();
    s.tries = r.i32();
    s.pauseSeconds = r.i32();
    s.linkAttempts = r.i32();
    s.linkRetryDelay = r.i32();
    s.pageLink = link;
    s.start = static_cast<SessionStart>(start);
    if (s.start == SessionStart::ReadingPass)
        s.recordLimit = r.i32();
    // Bounds of the settings, so a damaged file cannot make a replay pause for hours.
    return r.ok() && r.atEnd() && link <= 1 && start <= 2 && s.recordLimit >= 0 && s.tries >= 0 &&
           s.tries <= 99 && s.pauseSeconds >= 0 && s.pauseSeconds <= 15 && s.linkAttempts <= 99 &&
           s.linkRetryDelay >= 0 && s.linkRetryDelay <= 60000;
}

bool readCatalog(std::string_view raw, Catalog& c)
{
    Reader r(raw);
    c.count = r.u8();
    for (CatalogEntry& e : c.entries) {
        const std::string_view b = r.bytes(e.bytes.size());
        if (r.ok())
            std::memcpy(e.bytes.data(), b.data(), b.size());
    }
    return r.ok() && r.atEnd() && c.count <= kCatalogEntries;
}

bool readInputs(std::string_view raw, ReadInputs& in)
{
    Reader r(raw);
    in.archiveSettings = r.text();
    in.records = r.u8();
    if (in.records > static_cast<int>(in.values.size()))
        return false;
    for (int i = 0; i < in.records; ++i) {
        ControllerValues& v = in.values[static_cast<std::size_t>(i)];
        v.code = r.i64();
        v.name = r.text();
        v.rhour = r.i32();
        v.rday = r.i32();
        v.avans = r.i32();
        v.smin = r.i32();
    }
    return r.ok() && r.atEnd();
}

std::string damaged(std::string_view tag)
{
    return "часть " + std::string(tag) + " повреждена (неверное содержимое)";
}

} // namespace

std::string encodeSession(const SessionData& session)
{
    Writer file;
    file.bytes(kSignature);
    file.u8(static_cast<std::uint8_t>(kSessionVersion & 0xFF));
    file.u8(static_cast<std::uint8_t>(kSessionVersion >> 8));
    writePart(file, kParts[0], headPart(session));
    writePart(file, kParts[1], catalogPart(session.catalog));
    writePart(file, kParts[2], inputsPart(session.inputs));
    writePart(file, kParts[3], session.exchanges);
    return std::move(file.out());
}

std::optional<SessionData> decodeSession(std::string_view bytes, std::string& error)
{
    PartReader parts(bytes);
    if (!parts.begin(error))
        return std::nullopt;
    SessionData s;
    const auto head = parts.next(kParts[0], error);
    if (!head)
        return std::nullopt;
    if (!readHead(*head, s)) {
        error = damaged(kParts[0]);
        return std::nullopt;
    }
    const auto catalog = parts.next(kParts[1], error);
    if (!catalog)
        return std::nullopt;
    if (!readCatalog(*catalog, s.catalog)) {
        error = damaged(kParts[1]);
        return std::nullopt;
    }
    const auto inputs = parts.next(kParts[2], error);
    if (!inputs)
        return std::nullopt;
    if (!readInputs(*inputs, s.inputs)) {
        error = damaged(kParts[2]);
        return std::nullopt;
    }
    auto link = parts.next(kParts[3], error);
    if (!link)
        return std::nullopt;
    s.exchanges = std::move(*link);
    if (!parts.atEnd()) {
        error = "за последней частью файла лишние байты";
        return std::nullopt;
    }
    return s;
}

std::optional<SessionSummary> decodeSessionSummary(std::string_view bytes, std::string& error)
{
    PartReader parts(bytes);
    if (!parts.begin(error))
        return std::nullopt;
    SessionData s;
    const auto head = parts.next(kParts[0], error);
    if (!head || !readHead(*head, s)) {
        if (head)
            error = damaged(kParts[0]);
        return std::nullopt;
    }
    const auto catalog = parts.next(kParts[1], error);
    if (!catalog || !readCatalog(*catalog, s.catalog)) {
        if (catalog)
            error = damaged(kParts[1]);
        return std::nullopt;
    }
    SessionSummary summary{s.started, s.pageLink, s.catalog.count, {}};
    for (int i = 1; i <= s.catalog.count; ++i)
        summary.controllers += (i > 1 ? "," : "") + s.catalog.entry(i).controllerText();
    return summary;
}

std::optional<SessionData> loadSession(const std::filesystem::path& file, std::string& error)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        error = file.string() + ": файл не открывается";
        return std::nullopt;
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    auto session = decodeSession(bytes.view(), error);
    if (!session)
        error = file.string() + ": " + error;
    return session;
}

} // namespace kest
