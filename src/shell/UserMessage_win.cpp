#include <windows.h>

#include "shell/UserMessage.h"

namespace usermsg::platform {

void WarningBox(const char* text) { MessageBoxA(nullptr, text, kCaption, MB_OK | MB_ICONWARNING); }

void SimpleBeep() { MessageBeep(0xFFFFFFFF); }

}  // namespace usermsg::platform
