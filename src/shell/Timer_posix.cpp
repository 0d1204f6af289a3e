#include "shell/Timer.h"

namespace timer {

void Start(Slot, unsigned, Work) {}
void Stop(Slot) {}
void Soon(Work work) {
    if (work) work();
}
void CancelSoon() {}

}  // namespace timer
