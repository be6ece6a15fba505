#include "db/ArchiveScan.h"

#include "db/TableTimeReader.h"

namespace kest {

std::optional<std::int64_t> tableTimeSeconds(std::string_view text)
{
    return TableTimeReader().seconds(text);
}

} // namespace kest
