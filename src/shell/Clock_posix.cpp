#include <ctime>

#include "shell/Clock.h"

namespace forward {

uint32_t SystemNow() { return static_cast<uint32_t>(std::time(nullptr)); }

}  // namespace forward
