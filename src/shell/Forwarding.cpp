#include "shell/Forwarding.h"

#include <atomic>

namespace {
std::atomic<int> g_forwardingActive{0};
}  // namespace

namespace plugin {

int ForwardingActive() { return g_forwardingActive.load(); }

void SetForwardingActive(int active) { g_forwardingActive.store(active ? 1 : 0); }

}  // namespace plugin
