// What the host program's main() uses of the scenario runner.
#pragma once

#include <windows.h>

#include <string>

namespace scenario {

// The plug-in at `path`, already loaded (and started) when `module` is set.
void SetPlugin(const std::string& path, HMODULE module);
// Runs the scenario file on a thread of its own while this (the interface)
// thread serves windows. True when every command succeeded.
bool RunScenario(const std::string& path);
bool PluginLoaded();
// Unloads and frees the plug-in on this thread after the scenario; true
// when Unload gave 0.
bool UnloadPluginAtEnd();

}  // namespace scenario
