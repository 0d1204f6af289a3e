#include "ui/DialogHost_win.h"

#include "shell/HostLink.h"
#include "shell/Settings.h"

namespace dialoghost {
namespace {

void Position(HWND dialog, const char* prefix, const char* service) {
    host::WindowPositionRequest request{dialog, nullptr, settings::kNetModule, prefix};
    host::CallService(service, 0, reinterpret_cast<host::Word>(&request));
}

}  // namespace

void Translate(HWND dialog) {
    host::TranslateDialogRequest request{sizeof(host::TranslateDialogRequest), 0, dialog, nullptr};
    host::CallService("LangPack/TranslateDialog", 0, reinterpret_cast<host::Word>(&request));
}

void RestorePosition(HWND dialog, const char* prefix) { Position(dialog, prefix, "Utils/RestoreWindowPos"); }
void SavePosition(HWND dialog, const char* prefix) { Position(dialog, prefix, "Utils/SaveWindowPos"); }

}  // namespace dialoghost
