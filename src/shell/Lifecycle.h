// The plug-in's life in its host: start-up in two stages (Load, then the
// host's "all modules loaded" event), the menu commands and shut-down.
#pragma once

#include "shell/HostRecords.h"

namespace plugin {

constexpr const char* kProtocolModule = "Parlet";  // our filter module
constexpr const char* kSendService = "Parlet/Send";
constexpr const char* kMenuCommandService = "RodaDID/MenuCommand";
constexpr const char* kRecvMessageService = "Parlet/RecvMessage";

constexpr int kMainMenuPosition = -2147483647;     // 0x80000001
constexpr int kContactMenuPosition = -2000070000;  // 0x88C95A90
constexpr int kMenuIcon = 106;

// Keeps the link, resolves the gateway folder, builds the catalogue, hooks
// the host's events, writes the default answers, moves old numbers into
// the phone book and binds the Internet library. Always 0; after a fatal
// catalogue failure the plug-in stays loaded but does nothing.
int Load(const host::PluginLink* link);
// Writes "Active", closes the network user, unhooks, frees the catalogue,
// closes the log, and withdraws the services it created. 0.
int Unload();

// Whether Load stopped at a fatal catalogue failure.
bool Inert();

// Hook handlers (exposed for tests; the host calls them through the link).
host::Word OnModulesLoaded(host::Word wParam, host::Word lParam);
host::Word OnPreBuildContactMenu(host::Word contact, host::Word lParam);

}  // namespace plugin
