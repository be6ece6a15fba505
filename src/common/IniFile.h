#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kest {

/// A settings file with the semantics of the Windows profile functions: section and
/// key names ignore letter case, the first of duplicate sections or keys wins, a new
/// section goes to the end of the file, and lines the program does not touch are kept
/// as they were. On disk the text is Windows-1251, or UTF-8 when the file starts with
/// a byte-order mark; in memory it is UTF-8.
class IniFile
{
public:
    /// Reads the file; a missing or unreadable file gives an empty one (readable()
    /// tells which), never an error.
    static IniFile load(const std::filesystem::path& path);

    const std::filesystem::path& path() const { return m_path; }
    /// False when the file exists but could not be read.
    bool readable() const { return m_readable; }

    std::vector<std::string> sections() const;
    std::vector<std::string> keys(std::string_view section) const;

    /// One key of a section as the file holds it.
    struct Entry
    {
        std::string name;
        std::string value;
        int line = 0; ///< 1-based line of the file
    };
    /// The keys of the section in file order with their values and lines; of keys
    /// that repeat, the first. Unlike keys() it takes one pass, for sections of
    /// thousands of keys.
    std::vector<Entry> entries(std::string_view section) const;
    bool hasSection(std::string_view section) const;
    std::optional<std::string> value(std::string_view section, std::string_view key) const;

    std::string readString(std::string_view section, std::string_view key, std::string_view def) const;
    /// A value that is not a whole decimal number in the int range reads as `def`.
    int readInteger(std::string_view section, std::string_view key, int def) const;

    void writeString(std::string_view section, std::string_view key, std::string_view value);
    void writeInteger(std::string_view section, std::string_view key, int value);
    void deleteKey(std::string_view section, std::string_view key);
    void eraseSection(std::string_view section);

    /// Writes the whole file to a temporary file beside it and renames it over the
    /// old one, so a crash leaves either the old or the new file. CRLF line ends.
    /// Returns an empty string on success, else the reason.
    [[nodiscard]] std::string save() const;

    /// The bytes save() would write.
    std::string serialize() const;

    /// Parses text already in memory (UTF-8 or Windows-1251 bytes as on disk).
    static IniFile parse(std::string_view bytes);

private:
    enum class LineKind
    {
        Other,
        Section,
        Key
    };
    struct Line
    {
        LineKind kind = LineKind::Other;
        std::string text; // the whole line as read (UTF-8), kept for untouched lines
        std::string name; // section or key name, trimmed
        std::string value;
    };

    /// Index of the first line of the section's header, or npos.
    std::size_t findSection(std::string_view section) const;
    /// One past the last line that belongs to the section starting at `header`.
    std::size_t sectionEnd(std::size_t header) const;
    std::size_t findKey(std::size_t header, std::string_view key) const;

    std::filesystem::path m_path;
    std::vector<Line> m_lines;
    bool m_utf8 = false;
    bool m_readable = true;
};

/// The file `name` in `dir` found regardless of letter case (an installation copied
/// from Windows may hold kest.ini or Blank.ini); when none exists, dir / name.
std::filesystem::path findFileNoCase(const std::filesystem::path& dir, const std::string& name);

} // namespace kest
