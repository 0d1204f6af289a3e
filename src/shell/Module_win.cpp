#include "shell/Module_win.h"

namespace module {
namespace {
HINSTANCE g_instance = nullptr;
}

HINSTANCE Instance() { return g_instance ? g_instance : GetModuleHandleA(nullptr); }
void SetInstance(HINSTANCE instance) { g_instance = instance; }

}  // namespace module
