#pragma once

// pxlib's header declares C functions without saying so to C++.
extern "C" {
#include <paradox.h>
}
