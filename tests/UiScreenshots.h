#pragma once

#include <QString>
#include <QWidget>
#include <cstdlib>

namespace kest::test {

/// Saves a picture of the window into $KEST_SCREENSHOTS when that is set (as
/// scripts/screenshots.sh sets it), so the tests that open a window also show it.
inline void saveScreenshot(QWidget& window, const char* file)
{
    const char* folder = std::getenv("KEST_SCREENSHOTS");
    if (!folder || !*folder)
        return;
    window.show();
    window.grab().save(QString::fromLocal8Bit(folder) + "/" + file);
}

} // namespace kest::test
