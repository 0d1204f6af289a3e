// The plug-in's imports: pointed at functions of the host for a test (the
// relay's clock, memory requests that fail).
#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Scenario.h"

namespace scenario {

bool PatchImport(HMODULE module, const char* dll, const char* function, void* replacement) {
    auto* base = reinterpret_cast<BYTE*>(module);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!imports.VirtualAddress) return false;
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); d->Name; ++d) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + d->Name), dll) != 0) continue;
        auto* names =
            reinterpret_cast<IMAGE_THUNK_DATA*>(base + (d->OriginalFirstThunk ? d->OriginalFirstThunk : d->FirstThunk));
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0) continue;
            DWORD old;
            if (!VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old)) return false;
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
            return true;
        }
    }
    return false;
}

namespace {

// --- memory requests that fail ----------------------------------------------------------
std::atomic<bool> g_failing{false};
std::atomic<size_t> g_smallest{1};  // the smallest request refused
std::atomic<long> g_refused{0};

void* __cdecl RefusingMalloc(size_t size) {
    if (g_failing.load() && size >= g_smallest.load()) {
        g_refused.fetch_add(1);
        return nullptr;
    }
    return std::malloc(size);
}

// out-of-memory on [BYTES] | off: while on, the plug-in's memory requests
// (malloc, and so operator new) of at least BYTES (default 1: all) fail, so
// its code throws std::bad_alloc inside the DLL; each service, hook and
// window procedure must catch it at its guard (shell/Guard.h). A DLL whose
// unwind tables miss a function ends the process at the first throw. "off"
// tells how many requests failed, and fails when none did (the commands
// between did not reach the plug-in). Small requests may be let through:
// the thread library allocates a mutex at its first lock, which the
// unwinder takes at the first throw, and cannot do without.
Result OutOfMemory(const Args& args) {
    long smallest = 1;
    if ((args[0] != "on" && args[0] != "off") ||
        (args.size() > 1 && (args[0] != "on" || !ParseInt(args[1], &smallest))))
        return Result::Fail("usage: out-of-memory on [BYTES] | off");
    HMODULE plugin = GetModuleHandleA("parlet.dll");
    if (!plugin) return Result::Fail("the plug-in is not loaded");
    if (args[0] == "on") {
        if (!PatchImport(plugin, "msvcrt.dll", "malloc", reinterpret_cast<void*>(&RefusingMalloc)))
            return Result::Fail("the plug-in does not import malloc");
        g_refused.store(0);
        g_smallest.store(static_cast<size_t>(smallest > 0 ? smallest : 1));
        g_failing.store(true);
        return Result{true,
                      "the plug-in's memory requests of " + std::to_string(g_smallest.load()) + " bytes or more fail"};
    }
    g_failing.store(false);
    const long refused = g_refused.load();
    if (refused == 0) return Result::Fail("no memory request of the plug-in was refused");
    return Result{true, std::to_string(refused) + " memory request(s) of the plug-in refused"};
}

const CommandRegistrar kCommands{
    {"out-of-memory", "out-of-memory on [BYTES] | off", 1, 2, OutOfMemory},
};

}  // namespace
}  // namespace scenario
