// Small pieces the options pages share: their texts through the language
// pack, control texts and check states, and the page-changed report.
#pragma once

#include <windows.h>

#include <string>

namespace ui {

void TranslateDialog(HWND dialog);
std::string ItemText(HWND dialog, int id);
bool IsChecked(HWND dialog, int id);
void SetChecked(HWND dialog, int id, bool on);
// Tells the options dialog (the page's parent) that the page has changes.
void ReportPageChanged(HWND page);

// The page procedures, for "Opt/AddPage".
INT_PTR CALLBACK GeneralPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK OrderPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK OutboxPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK CreditPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// The shell's folder browser, owned by `owner`, starting at `folder`. Gives
// false when the user cancelled; true when a folder was chosen, with
// `folder` set to its path when the shell could give one (else unchanged).
bool BrowseForFolder(HWND owner, const std::string& title, std::string& folder);

}  // namespace ui
