#pragma once

#include <QIcon>
#include <QPixmap>

namespace kest {

/// The program's icon, drawn from its SVG at the usual sizes.
QIcon programIcon();
/// The icon as a picture `size` pixels square.
QPixmap programPixmap(int size);

} // namespace kest
