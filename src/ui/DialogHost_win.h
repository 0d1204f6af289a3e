// What every dialog of the plug-in asks of the host when it opens and
// closes: translation of its texts, and its saved place on the screen.
#pragma once

#include <windows.h>

namespace dialoghost {

void Translate(HWND dialog);
// Module "ZUVE_ROV", settings "<prefix>x", "<prefix>y", "<prefix>width", "<prefix>height".
void RestorePosition(HWND dialog, const char* prefix);
void SavePosition(HWND dialog, const char* prefix);

}  // namespace dialoghost
