#include <windows.h>

#include "shell/DllInstance_win.h"
#include "shell/Notice.h"

namespace notice {

void* NoticeIcon() { return LoadIconA(dll::Instance(), MAKEINTRESOURCEA(102)); }

}  // namespace notice
