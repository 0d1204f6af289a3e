// Tooltips: for a control whose face is only an icon, and over a control
// whose text tells more on demand (the send dialog's counter).
#pragma once

#include <windows.h>

#include <string>

namespace ui {

// Shows `text` (already translated) when the mouse rests on the dialog's
// control `id`. The tooltip belongs to the dialog and goes with it.
void AddTooltip(HWND dialog, int id, std::string text);

// A tooltip over the place of the dialog's control `id` (a static control too,
// which lets the mouse through to the dialog), lines broken where its text
// breaks them; SetTooltipText gives it its text. Null when none could be made.
HWND AddAreaTooltip(HWND dialog, int id);
void SetTooltipText(HWND tip, HWND dialog, int id, const std::string& text);

}  // namespace ui
