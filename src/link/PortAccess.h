#pragma once

#include <string>

namespace kest {

/// The box text for a serial device the user has no right to open: who owns it and
/// how to get the right. On Linux a serial device belongs to a group (usually
/// dialout) whose members may use it; the group is read from the device itself, so
/// the text names the one that matters on this machine.
std::string deniedPortMessage(const std::string& portName, const std::string& devicePath);

} // namespace kest
