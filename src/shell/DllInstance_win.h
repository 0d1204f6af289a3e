// The DLL's own instance handle, kept by `DllMain` (PluginEntry_win.cpp);
// dialogs and icons load their resources from it. Programs that link the
// engine statically (tests, the host program) get their own executable's.
#pragma once

#include <windows.h>

namespace dll {
HINSTANCE Instance();
void SetInstance(HINSTANCE instance);
}  // namespace dll
