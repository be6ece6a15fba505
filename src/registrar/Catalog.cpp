#include "registrar/Catalog.h"

#include "common/Hex.h"

namespace kest {

std::string CatalogEntry::controllerText() const
{
    return toHex(bytes[6], 2) + toHex(bytes[7], 2);
}

} // namespace kest
