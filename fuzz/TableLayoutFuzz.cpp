// Any bytes as a table layout file: reading never crashes, and a table it accepts
// is written back into a file that reads as the same table.
#include "grid/TableLayoutFile.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace kest;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TableModel table;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (!ParseTableLayout(bytes, "m2.ini", table).empty())
        return 0;
    const std::string text = TableLayoutText(table);
    TableModel again;
    if (!ParseTableLayout("\xEF\xBB\xBF" + text, "m2.ini", again).empty() || TableLayoutText(again) != text)
        std::abort();
    return 0;
}
