#pragma once

namespace kest {

/// Starts the windows and runs until the main window closes.
int runWindows(int argc, char** argv);

} // namespace kest
