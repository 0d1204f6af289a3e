#include "shell/DllInstance_win.h"

namespace dll {
namespace {
HINSTANCE g_instance = nullptr;
}

HINSTANCE Instance() { return g_instance ? g_instance : GetModuleHandleA(nullptr); }
void SetInstance(HINSTANCE instance) { g_instance = instance; }

}  // namespace dll
