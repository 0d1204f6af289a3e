#include <ctime>

#include "forward/Clock.h"

namespace forward {

uint32_t SystemNow() { return static_cast<uint32_t>(std::time(nullptr)); }

}  // namespace forward
