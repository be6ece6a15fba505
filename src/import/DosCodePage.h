#pragma once

#include <string>
#include <string_view>

namespace kest {

/// DOS code page 866 bytes to UTF-8; every byte has a character.
std::string cp866ToUtf8(std::string_view bytes);

} // namespace kest
