#include "shell/Timer.h"

namespace timer {

void Start(unsigned, Work) {}
void Stop() {}

}  // namespace timer
