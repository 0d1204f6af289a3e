// A tooltip for a control whose face is only an icon.
#pragma once

#include <windows.h>

#include <string>

namespace ui {

// Shows `text` (already translated) when the mouse rests on the dialog's
// control `id`. The tooltip belongs to the dialog and goes with it.
void AddTooltip(HWND dialog, int id, std::string text);

}  // namespace ui
