#include "import/DosCodePage.h"

#include <cstdint>

namespace kest {
namespace {

// Bytes 0xB0..0xDF are the box-drawing characters, 0xF0..0xFF the letters and signs
// the code page adds after the Russian alphabet.
constexpr char16_t kBoxes[48] = {
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580};
constexpr char16_t kTail[16] = {0x0401, 0x0451, 0x0404, 0x0454, 0x0407, 0x0457, 0x040E, 0x045E,
                                0x00B0, 0x2219, 0x00B7, 0x221A, 0x2116, 0x00A4, 0x25A0, 0x00A0};

char16_t toUnicode(unsigned char b)
{
    if (b < 0x80)
        return b;
    if (b < 0xB0)
        return static_cast<char16_t>(0x0410 + (b - 0x80)); // А..Я, а..п
    if (b < 0xE0)
        return kBoxes[b - 0xB0];
    if (b < 0xF0)
        return static_cast<char16_t>(0x0440 + (b - 0xE0)); // р..я
    return kTail[b - 0xF0];
}

void appendUtf8(std::string& out, char16_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace

std::string cp866ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char b : bytes)
        appendUtf8(out, toUnicode(static_cast<unsigned char>(b)));
    return out;
}

} // namespace kest
