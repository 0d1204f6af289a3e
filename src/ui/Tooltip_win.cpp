#include "ui/Tooltip_win.h"

#include <commctrl.h>

namespace ui {

namespace {
constexpr int kAreaTipWidth = 400;  // pixels; longer lines wrap

HWND MakeTip(HWND dialog, DWORD style) {
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_BAR_CLASSES};
    InitCommonControlsEx(&classes);
    return CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | style, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr, nullptr, nullptr);
}
}  // namespace

void AddTooltip(HWND dialog, int id, std::string text) {
    HWND control = GetDlgItem(dialog, id);
    if (!control) return;
    HWND tip = MakeTip(dialog, 0);
    if (!tip) return;
    TTTOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;  // the common controls of every version take it
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = dialog;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = &text[0];
    SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

HWND AddAreaTooltip(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    HWND tip = control ? MakeTip(dialog, TTS_NOPREFIX) : nullptr;
    if (!tip) return nullptr;
    TTTOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.uFlags = TTF_SUBCLASS;  // the dialog's own mouse messages, over the control's place
    tool.hwnd = dialog;
    tool.uId = static_cast<UINT_PTR>(id);
    GetWindowRect(control, &tool.rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&tool.rect), 2);
    tool.lpszText = const_cast<char*>("");
    SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageA(tip, TTM_SETMAXTIPWIDTH, 0, kAreaTipWidth);
    return tip;
}

void SetTooltipText(HWND tip, HWND dialog, int id, const std::string& text) {
    if (!tip) return;
    TTTOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = dialog;
    tool.uId = static_cast<UINT_PTR>(id);
    tool.lpszText = const_cast<char*>(text.c_str());
    SendMessageA(tip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
}

}  // namespace ui
