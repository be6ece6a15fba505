#include "common/ui/LabelNames.h"

#include <QLabel>

namespace kest {

void nameControlsByTheirLabels(QWidget& window)
{
    for (QLabel* label : window.findChildren<QLabel*>()) {
        QWidget* control = label->buddy();
        if (!control || !control->accessibleName().isEmpty())
            continue;
        QString text = label->text().trimmed();
        text.remove(QLatin1Char('&'));
        if (text.endsWith(QLatin1Char(':')))
            text.chop(1);
        control->setAccessibleName(text.trimmed());
    }
}

} // namespace kest
