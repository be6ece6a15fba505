#pragma once

class QDialog;
class QPushButton;

namespace kest {

/// Makes `button` the one Enter presses wherever the focus is in `dialog`, except on
/// another button: Enter presses a focused button itself, as Space does, so it never
/// closes a window from its "Печать" or "Установить".
void setEnterButton(QDialog& dialog, QPushButton& button);

/// A face whose buttons all start something: Enter presses none of them, so a number
/// confirmed with Enter starts no exchange and does not close the window.
void clearEnterButton(QDialog& dialog);

} // namespace kest
