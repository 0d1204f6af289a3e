#include <windows.h>

#include "shell/Module_win.h"
#include "shell/Notice.h"

namespace notice {

void* NoticeIcon() { return LoadIconA(module::Instance(), MAKEINTRESOURCEA(102)); }

}  // namespace notice
