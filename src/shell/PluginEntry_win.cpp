// The DLL's exported entry points, as the host's plug-in API names them.
#include <windows.h>

#include <cstdlib>

#include "shell/DllInstance_win.h"
#include "shell/Guard.h"
#include "shell/Lifecycle.h"
#include "shell/PluginInfo.h"

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD, LPVOID) {
    dll::SetInstance(instance);
    return TRUE;
}

__declspec(dllexport) const host::PluginInfo* MirandaPluginInfo(DWORD) { return plugin::LegacyInfo(); }

__declspec(dllexport) const host::PluginInfoEx* MirandaPluginInfoEx(DWORD) { return plugin::ExtendedInfo(); }

__declspec(dllexport) const host::Uuid* MirandaPluginInterfaces() { return plugin::Interfaces(); }

__declspec(dllexport) int Load(const host::PluginLink* link) {
    return Guarded(0, [&] { return plugin::Load(link); });
}

__declspec(dllexport) int Unload() {
    return Guarded(0, [] { return plugin::Unload(); });
}

}  // extern "C"

// No exception leaves the DLL (shell/Guard.h). Should std::terminate be
// reached all the same, the library's default handler would write the
// exception's demangled type name to a standard error that Miranda does not
// show, and its demangler alone is a tenth of the DLL: this one only aborts.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
