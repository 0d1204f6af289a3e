#include "shell/Timer.h"

namespace timer {

void Start(unsigned, Work) {}
void Stop() {}
void Soon(Work work) {
    if (work) work();
}
void CancelSoon() {}

}  // namespace timer
