// The shell's folder browser, opened at the folder the page shows.
#include <windows.h>
#include <shlobj.h>

#include "ui/PageHelpers_win.h"

namespace ui {
namespace {

// Once the browser is up, select the folder named by the start text.
int CALLBACK SelectStartFolder(HWND browser, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED) SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, data);
    return 0;
}

}  // namespace

bool BrowseForFolder(HWND owner, const std::string& title, std::string& folder) {
    char start[MAX_PATH] = {};
    folder.copy(start, MAX_PATH - 1);
    char displayName[MAX_PATH] = {};
    BROWSEINFOA info{};
    info.hwndOwner = owner;
    info.pidlRoot = nullptr;
    info.pszDisplayName = displayName;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = SelectStartFolder;
    info.lParam = reinterpret_cast<LPARAM>(start);
    LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
    if (!chosen) return false;
    char path[MAX_PATH] = {};
    if (SHGetPathFromIDListA(chosen, path)) folder = path;
    CoTaskMemFree(chosen);
    return true;
}

}  // namespace ui
