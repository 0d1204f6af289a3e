#include "shell/PluginInfo.h"

namespace plugin {
namespace {

constexpr host::Uuid kPluginUuid = {0x6b3c1f52, 0x9a4e, 0x4d27, {0x8e, 0x31, 0x52, 0x0f, 0xa4, 0x7c, 0x19, 0xd3}};
constexpr host::Uuid kInterfaceUuid = {0x2f0e77a1, 0x5c8b, 0x4b6a, {0xa2, 0x94, 0x0d, 0x61, 0x3e, 0xb8, 0x47, 0x5c}};

#define PARLET_INFO_FIELDS                                                                                         \
    "Parlet-Plugin", kVersion, "Support for sending SMS-Messages via HTTP SMS-Providers", "The Parlet developers", \
        "parlet@users.invalid", PARLET_COPYRIGHT, "https://parlet.invalid/", 0, 0

const host::PluginInfo kLegacy = {static_cast<int>(sizeof(host::PluginInfo)), PARLET_INFO_FIELDS};
const host::PluginInfoEx kExtended = {static_cast<int>(sizeof(host::PluginInfoEx)), PARLET_INFO_FIELDS, kPluginUuid};
const host::Uuid kInterfaces[] = {kInterfaceUuid, {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}}};

#undef PARLET_INFO_FIELDS

}  // namespace

const host::PluginInfo* LegacyInfo() { return &kLegacy; }
const host::PluginInfoEx* ExtendedInfo() { return &kExtended; }
const host::Uuid* Interfaces() { return kInterfaces; }

}  // namespace plugin
