#pragma once

#include <string>
#include <string_view>

namespace kest {

/// Windows-1251 bytes to UTF-8. Every byte has a character, so nothing is lost.
std::string cp1251ToUtf8(std::string_view bytes);

/// UTF-8 to Windows-1251. Characters the code page lacks, and bytes that are not
/// valid UTF-8, become '?'.
std::string utf8ToCp1251(std::string_view text);

/// Lower case of ASCII and Cyrillic letters (including Ё and the Ukrainian and
/// Belarusian ones of the code page); other characters are copied unchanged.
std::string foldCase(std::string_view utf8);

/// Upper case of ASCII and Cyrillic letters, as foldCase but the other way.
std::string upperCase(std::string_view utf8);

/// Number of characters (code points) in a UTF-8 text; invalid bytes count as one each.
std::size_t utf8Length(std::string_view text);

/// The first `count` characters of a UTF-8 text.
std::string utf8Left(std::string_view text, std::size_t count);

} // namespace kest
