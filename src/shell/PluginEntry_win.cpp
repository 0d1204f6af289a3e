// The DLL's exported entry points, as the host's plug-in API names them.
#include <windows.h>

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
