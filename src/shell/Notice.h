// Telling the user about a problem: a popup when the host has a popup
// service, a warning message box otherwise.
#pragma once

void ShowNotice(const char* text);

namespace notice {
// The icon handle put into popup records (icon 102 of the DLL); none natively.
void* NoticeIcon();
}  // namespace notice
