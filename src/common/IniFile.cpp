#include "common/IniFile.h"

#include "common/AtomicFile.h"
#include "common/CodePage.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>

namespace kest {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::size_t npos = std::string::npos;

std::string_view trim(std::string_view s)
{
    const auto first = s.find_first_not_of(" \t");
    if (first == npos)
        return {};
    const auto last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

bool sameName(std::string_view a, std::string_view b)
{
    return a == b || foldCase(a) == foldCase(b);
}

} // namespace

IniFile IniFile::parse(std::string_view bytes)
{
    IniFile ini;
    if (bytes.substr(0, kBom.size()) == kBom) {
        ini.m_utf8 = true;
        bytes.remove_prefix(kBom.size());
    }
    std::string text = ini.m_utf8 ? std::string(bytes) : cp1251ToUtf8(bytes);
    // A NUL byte would cut a C string short in every later step; it carries nothing.
    std::erase(text, '\0');

    std::size_t pos = 0;
    while (pos < text.size()) {
        auto end = text.find('\n', pos);
        if (end == npos)
            end = text.size();
        std::string_view raw(text.data() + pos, end - pos);
        if (!raw.empty() && raw.back() == '\r')
            raw.remove_suffix(1);
        pos = end + 1;

        Line line;
        line.text = std::string(raw);
        const auto body = trim(raw);
        if (!body.empty() && body.front() == '[') {
            const auto close = body.find(']');
            line.kind = LineKind::Section;
            line.name = std::string(trim(body.substr(1, close == npos ? npos : close - 1)));
        } else if (!body.empty() && body.front() != ';') {
            const auto eq = body.find('=');
            if (eq != npos) {
                line.kind = LineKind::Key;
                line.name = std::string(trim(body.substr(0, eq)));
                auto value = trim(body.substr(eq + 1));
                if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                    value = value.substr(1, value.size() - 2);
                line.value = std::string(value);
                if (line.name.empty())
                    line.kind = LineKind::Other;
            }
        }
        ini.m_lines.push_back(std::move(line));
    }
    return ini;
}

IniFile IniFile::load(const std::filesystem::path& path)
{
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        IniFile ini;
        ini.m_path = path;
        return ini;
    }
    std::ifstream in(path, std::ios::binary);
    std::ostringstream buffer;
    if (in)
        buffer << in.rdbuf();
    IniFile ini = parse(buffer.str());
    ini.m_path = path;
    ini.m_readable = in.good() || in.eof();
    if (!in.is_open())
        ini.m_readable = false;
    return ini;
}

std::size_t IniFile::findSection(std::string_view section) const
{
    const auto wanted = trim(section);
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].kind == LineKind::Section && sameName(m_lines[i].name, wanted))
            return i;
    }
    return npos;
}

std::size_t IniFile::sectionEnd(std::size_t header) const
{
    std::size_t i = header + 1;
    while (i < m_lines.size() && m_lines[i].kind != LineKind::Section)
        ++i;
    return i;
}

std::size_t IniFile::findKey(std::size_t header, std::string_view key) const
{
    const auto wanted = trim(key);
    const auto end = sectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        if (m_lines[i].kind == LineKind::Key && sameName(m_lines[i].name, wanted))
            return i;
    }
    return npos;
}

std::vector<std::string> IniFile::sections() const
{
    std::vector<std::string> names;
    for (const auto& line : m_lines) {
        if (line.kind != LineKind::Section)
            continue;
        bool seen = false;
        for (const auto& n : names)
            seen = seen || sameName(n, line.name);
        if (!seen)
            names.push_back(line.name);
    }
    return names;
}

std::vector<std::string> IniFile::keys(std::string_view section) const
{
    std::vector<std::string> names;
    const auto header = findSection(section);
    if (header == npos)
        return names;
    const auto end = sectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        if (m_lines[i].kind == LineKind::Key && findKey(header, m_lines[i].name) == i)
            names.push_back(m_lines[i].name);
    }
    return names;
}

std::vector<IniFile::Entry> IniFile::entries(std::string_view section) const
{
    std::vector<Entry> found;
    const auto header = findSection(section);
    if (header == npos)
        return found;
    std::unordered_set<std::string> seen;
    const auto end = sectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        const Line& line = m_lines[i];
        if (line.kind == LineKind::Key && seen.insert(foldCase(line.name)).second)
            found.push_back({line.name, line.value, static_cast<int>(i) + 1});
    }
    return found;
}

bool IniFile::hasSection(std::string_view section) const
{
    return findSection(section) != npos;
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view key) const
{
    const auto header = findSection(section);
    if (header == npos)
        return std::nullopt;
    const auto at = findKey(header, key);
    if (at == npos)
        return std::nullopt;
    return m_lines[at].value;
}

std::string IniFile::readString(std::string_view section, std::string_view key, std::string_view def) const
{
    auto v = value(section, key);
    return v ? *v : std::string(def);
}

int IniFile::readInteger(std::string_view section, std::string_view key, int def) const
{
    const auto v = value(section, key);
    if (!v)
        return def;
    std::string_view text = trim(*v);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    int result = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), result);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty())
        return def;
    return result;
}

void IniFile::writeString(std::string_view section, std::string_view key, std::string_view value)
{
    Line line;
    line.kind = LineKind::Key;
    line.name = std::string(trim(key));
    line.value = std::string(value);
    line.text = line.name + "=" + line.value;

    const auto header = findSection(section);
    if (header == npos) {
        Line head;
        head.kind = LineKind::Section;
        head.name = std::string(trim(section));
        head.text = "[" + head.name + "]";
        m_lines.push_back(std::move(head));
        m_lines.push_back(std::move(line));
        return;
    }
    const auto at = findKey(header, key);
    if (at != npos) {
        line.name = m_lines[at].name; // keep the spelling the file already has
        line.text = line.name + "=" + line.value;
        m_lines[at] = std::move(line);
        return;
    }
    // A new key goes after the section's last non-blank line.
    auto insertAt = sectionEnd(header);
    while (insertAt > header + 1 && trim(m_lines[insertAt - 1].text).empty())
        --insertAt;
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(line));
}

void IniFile::writeInteger(std::string_view section, std::string_view key, int value)
{
    writeString(section, key, std::to_string(value));
}

void IniFile::deleteKey(std::string_view section, std::string_view key)
{
    const auto header = findSection(section);
    if (header == npos)
        return;
    const auto at = findKey(header, key);
    if (at != npos)
        m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(at));
}

void IniFile::eraseSection(std::string_view section)
{
    for (auto header = findSection(section); header != npos; header = findSection(section)) {
        m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(header),
                      m_lines.begin() + static_cast<std::ptrdiff_t>(sectionEnd(header)));
    }
}

std::string IniFile::serialize() const
{
    std::string text;
    for (const auto& line : m_lines) {
        text += line.text;
        text += "\r\n";
    }
    if (m_utf8)
        return std::string(kBom) + text;
    std::string bytes = utf8ToCp1251(text);
    // Windows-1251 text that begins with "п»ї" has the bytes of the UTF-8 mark. Such a
    // file only reads as Windows-1251 when something precedes them; a NUL byte, which
    // reading drops, is what a file like that held when it was read.
    if (bytes.starts_with(kBom))
        bytes.insert(bytes.begin(), '\0');
    return bytes;
}

std::string IniFile::save() const
{
    return writeFileAtomically(m_path, serialize());
}

std::filesystem::path findFileNoCase(const std::filesystem::path& dir, const std::string& name)
{
    std::error_code ec;
    const auto exact = dir / name;
    if (std::filesystem::exists(exact, ec))
        return exact;
    const auto wanted = foldCase(name);
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
        if (foldCase(entry.path().filename().string()) == wanted)
            return entry.path();
    }
    return exact;
}

} // namespace kest
