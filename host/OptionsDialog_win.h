// The host's options dialog: a real property sheet of the common controls
// library holding the pages that the "Opt/Initialise" handlers add, so the
// pages get PSN_APPLY and PSN_KILLACTIVE from the system, as in the host.
#pragma once

#include <windows.h>

namespace standin {

// Raises "Opt/Initialise", then shows the pages added for it in a modal
// property sheet owned by `owner` (may be null). Returns when the sheet has
// closed: 1 after OK, 0 after Cancel, -1 when there was no page or the sheet
// could not be made.
int RunOptionsDialog(HWND owner);

}  // namespace standin
