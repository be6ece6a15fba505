#include "app/ui/ProgramIcon.h"

#include <QPainter>
#include <QSvgRenderer>

namespace kest {

QPixmap programPixmap(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QSvgRenderer svg(QStringLiteral(":/kest.svg"));
    QPainter painter(&pixmap);
    svg.render(&painter);
    return pixmap;
}

QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128})
        icon.addPixmap(programPixmap(size));
    return icon;
}

} // namespace kest
