#pragma once

#include <QComboBox>
#include <string>
#include <vector>

namespace kest {

/// The word of every choice list that means "nothing chosen".
inline const QString kNothingChosen = QStringLiteral("нет");

/// Whether a list shows a real choice: neither "нет" nor an empty text.
inline bool chosen(const QComboBox& box)
{
    return !box.currentText().isEmpty() && box.currentText() != kNothingChosen;
}

/// Replaces the items of a list; the item shown before stays shown when the new list
/// holds it, else the list shows its first item.
inline void replaceChoices(QComboBox& box, const std::vector<std::string>& items)
{
    const QString shown = box.currentText();
    const QSignalBlocker quiet(box);
    box.clear();
    for (const auto& item : items)
        box.addItem(QString::fromStdString(item));
    const int i = box.findText(shown);
    box.setCurrentIndex(i >= 0 ? i : 0);
}

/// Shows "нет" (or the first item when the list lacks it).
inline void showNothingChosen(QComboBox& box)
{
    const QSignalBlocker quiet(box);
    const int i = box.findText(kNothingChosen);
    box.setCurrentIndex(i >= 0 ? i : 0);
}

} // namespace kest
