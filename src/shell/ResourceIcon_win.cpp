#include <windows.h>

#include "shell/DllInstance_win.h"
#include "shell/ResourceIcon.h"

namespace resource {

void* Icon(int id, int size) {
    if (size == 0) return LoadIconA(dll::Instance(), MAKEINTRESOURCEA(id));
    // Shared: the system frees it with the module, like LoadIcon's.
    return LoadImageA(dll::Instance(), MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, LR_SHARED);
}

}  // namespace resource
