// Points the registry's address book library at our own test library and
// gives it a file of entries; puts everything back afterwards.
#pragma once

#include <windows.h>

#include <fstream>
#include <string>

#include "TempDir.h"

class TestAddressBook {
public:
    static constexpr const char* kKey = "Software\\Microsoft\\WAB\\DLLPath";

    TestAddressBook() : path_(Folder() + "testwab.dll") { PointAt(path_); }
    ~TestAddressBook() {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kKey);
        SetEnvironmentVariableA("PARLET_WAB_FILE", nullptr);
        SetEnvironmentVariableA("PARLET_WAB_REFUSE", nullptr);
        SetEnvironmentVariableA("PARLET_WAB_DETAILS", nullptr);
    }

    const std::string& Path() const { return path_; }

    static void PointAt(const std::string& library) {
        HKEY key;
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
        RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(library.c_str()),
                       static_cast<DWORD>(library.size() + 1));
        RegCloseKey(key);
    }

    // Lines of "mobile<TAB>surname<TAB>given name".
    void SetEntries(const std::string& lines) {
        std::string file = dir_.file("entries.txt");
        std::ofstream(file) << lines;
        SetEnvironmentVariableA("PARLET_WAB_FILE", file.c_str());
    }

    static std::string Folder() {
        char self[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, self, MAX_PATH);
        std::string path = self;
        return path.substr(0, path.find_last_of("\\/") + 1);
    }

private:
    std::string path_;
    testutil::TempDir dir_;
};

// What the test library counts; it must be loaded (by the caller too) to ask.
struct WabCounts {
    LONG objects = -1, buffers = -1, opens = -1;
    HWND detailsOwner = nullptr;
};

inline WabCounts ReadWabCounts(HMODULE library) {
    using CountsFn = void(WINAPI*)(LONG*, LONG*, LONG*, HWND*);
    WabCounts c;
    auto fn = reinterpret_cast<CountsFn>(reinterpret_cast<void*>(GetProcAddress(library, "TestWabCounts")));
    if (fn) fn(&c.objects, &c.buffers, &c.opens, &c.detailsOwner);
    return c;
}
