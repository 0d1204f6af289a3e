// The DLL's own module instance, kept by the DLL entry point. Programs that
// link the engine statically (tests, the host program) get their own.
#pragma once

#include <windows.h>

namespace module {
HINSTANCE Instance();
void SetInstance(HINSTANCE instance);
}  // namespace module
