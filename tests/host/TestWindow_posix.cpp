#include <cstdlib>

#include "HostCalls.h"

namespace testwindow {
void* Make() { return std::malloc(1); }   // only its address matters
void Destroy(void* window) { std::free(window); }
}  // namespace testwindow
