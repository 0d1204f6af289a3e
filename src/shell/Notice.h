// Telling the user about a problem: a popup when the host has a popup
// service, a warning message box otherwise.
#pragma once

void ShowNotice(const char* text);

namespace notice {
// Notices raised while the host starts are held until it has started: its
// popup plug-in makes none before, and a message box would stop the start.
// Load holds them; once every start-up hook has run they are shown, in order.
void HoldWhileStarting();
void ShowHeld();
void DropHeld();  // Unload before the start was over

// The icon handle put into popup records (icon 102 of the DLL); none natively.
void* NoticeIcon();
}  // namespace notice
