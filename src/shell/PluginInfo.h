// The plugin information records and the interface list the host asks for.
#pragma once

#include "shell/HostRecords.h"

namespace plugin {

constexpr uint32_t kVersion = 0x0000000D;   // 0.0.0.13, also what gateways are checked against

const host::PluginInfo* LegacyInfo();       // 40 bytes on the 32-bit target
const host::PluginInfoEx* ExtendedInfo();   // 56 bytes
const host::Uuid* Interfaces();             // one interface, then the all-zero UUID

}  // namespace plugin
