// Numbers that earlier versions kept as "LastPrefix%d"/"LastNumber%d" pairs
// of global settings become hidden phone contacts; the pairs are deleted.
#pragma once

namespace plugin {

// Index 0 may be missing; after it the first missing prefix ends the move.
// A prefix without its number is deleted. A pair some contact already holds
// creates no second contact. A pair whose contact cannot be created stays
// for the next start.
void MoveOldLastNumbers();

}  // namespace plugin
