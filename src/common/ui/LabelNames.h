#pragma once

class QWidget;

namespace kest {

/// Gives each control of `window` that a label stands for (its buddy) the label's text
/// as its accessible name, where it has none. Qt does this for edits and spin boxes
/// itself, but not for tables, so a screen reader would announce a bare "table".
void nameControlsByTheirLabels(QWidget& window);

} // namespace kest
