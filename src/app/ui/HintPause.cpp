#include "app/ui/HintPause.h"

#include <QHelpEvent>
#include <QToolTip>
#include <QWidget>

namespace kest {

bool HintPause::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->toolTip().isEmpty())
        return false; // item views and others find their hint themselves
    const auto* help = static_cast<QHelpEvent*>(event);
    QToolTip::showText(help->globalPos(), widget->toolTip(), widget, {}, kShownMs);
    return true;
}

} // namespace kest
