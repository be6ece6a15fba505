#pragma once

namespace kest {

/// The command line has no application object, yet fonts, the PDF engine and charts
/// need one. Creates it for the rest of the process (a QApplication when `widgets`,
/// else a QGuiApplication), on the offscreen platform when there is no display.
/// Call it only while no application object exists.
void startHeadlessApplication(bool widgets);

} // namespace kest
