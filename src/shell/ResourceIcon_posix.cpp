#include "shell/ResourceIcon.h"

namespace resource {

void* Icon(int, int) { return nullptr; }

}  // namespace resource
