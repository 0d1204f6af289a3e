// Where the plug-in keeps its outbox: one file per profile, so that one
// profile's queued messages are never retried from another. Earlier versions
// kept one file for every profile of the installation; the first profile that
// starts takes it over.
#pragma once

#include <string>

namespace outbox {

// "<folder of all profiles>\parlet-outbox-<profile>.txt" ("DB/GetProfilePath",
// "DB/GetProfileName" without its extension, ".dat"); "<folder>\parlet-outbox.txt" when
// the host names no profile; without a folder, in the working folder.
std::string PluginOutboxPath();
// The file earlier versions shared between the profiles; empty when it is
// the plug-in's own (no profile name).
std::string SharedOutboxPath();

// Takes the shared file over into this profile's outbox, losing no message:
// it is first claimed by renaming it (only one of several profiles starting
// together gets it), then becomes the outbox or is added to the one there.
// A claim a kill left behind is added at the next start. Interface thread.
void AdoptSharedOutbox();

}  // namespace outbox
