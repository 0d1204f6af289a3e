// A small plug-in for the test host program: it does at start-up what a
// real plug-in does, so the program's report can be checked line by line.
#include <windows.h>

#include "shell/HostRecords.h"

namespace {

const host::PluginLink* g_link = nullptr;
host::Handle g_hook = nullptr;

const host::PluginInfoEx kInfo = {static_cast<int>(sizeof(host::PluginInfoEx)),
                                  "Fake-Plugin", 0x01020304, "a plug-in for tests", "tests", "", "", "", 0, 0,
                                  {0x11111111, 0x2222, 0x3333, {4, 4, 4, 4, 4, 4, 4, 4}}};
const host::PluginInfo kLegacy = {static_cast<int>(sizeof(host::PluginInfo)), "Fake-Plugin", 0x01020304,
                                  "a plug-in for tests", "tests", "", "", "", 0, 0};
const host::Uuid kInterfaces[] = {{0x55555555, 0x6666, 0x7777, {8, 8, 8, 8, 8, 8, 8, 8}}, {0, 0, 0, {0}}};

host::Word MenuService(host::Word, host::Word) { return 0; }

host::Word OnModulesLoaded(host::Word, host::Word) {
    host::ProtocolDescriptor module{12, "Fake", host::kProtoTypeFilter};
    g_link->CallService("Proto/RegisterModule", 0, reinterpret_cast<host::Word>(&module));
    g_link->CreateServiceFunction("Fake/Menu", MenuService);
    host::MenuItem item{};
    item.cbSize = 40;
    item.name = const_cast<char*>("&Fake...");
    item.service = "Fake/Menu";
    g_link->CallService("CList/AddMainMenuItem", 0, reinterpret_cast<host::Word>(&item));
    return 0;
}

}  // namespace

extern "C" {

__declspec(dllexport) const host::PluginInfoEx* MirandaPluginInfoEx(DWORD) { return &kInfo; }
__declspec(dllexport) const host::PluginInfo* MirandaPluginInfo(DWORD) { return &kLegacy; }
__declspec(dllexport) const host::Uuid* MirandaPluginInterfaces() { return kInterfaces; }

__declspec(dllexport) int Load(const host::PluginLink* link) {
    g_link = link;
    g_hook = link->HookEvent("Miranda/System/ModulesLoaded", OnModulesLoaded);
    return g_hook ? 0 : 1;
}

__declspec(dllexport) int Unload() { return g_link->UnhookEvent(g_hook); }

}  // extern "C"
