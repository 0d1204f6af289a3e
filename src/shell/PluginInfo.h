// The plugin information records and the interface list the host asks for.
#pragma once

#include "shell/HostRecords.h"
#include "shell/Version.h"

namespace plugin {

constexpr uint32_t kVersion = PARLET_VERSION_NUMBER;  // also what gateways are checked against
constexpr const char* kVersionText = PARLET_VERSION_TEXT;

const host::PluginInfo* LegacyInfo();      // 40 bytes on the 32-bit target
const host::PluginInfoEx* ExtendedInfo();  // 56 bytes
const host::Uuid* Interfaces();            // one interface, then the all-zero UUID

}  // namespace plugin
