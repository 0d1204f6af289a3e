// ForwardingActive: whether the forwarding relay sends incoming messages on
// to the owner's phone. Loaded from "Active" at start, written back there at
// unload; the relay's status hook and the General options page change it in
// memory. Read on any thread.
#pragma once

namespace plugin {

int ForwardingActive();
void SetForwardingActive(int active);  // kept as 0 or 1

}  // namespace plugin
