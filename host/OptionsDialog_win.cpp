#include "OptionsDialog_win.h"

#include <commctrl.h>
#include <prsht.h>

#include <atomic>
#include <string>
#include <vector>

#include "StandIn.h"

namespace standin {
namespace {

// Each opening gets its own handle for "Opt/AddPage", so pages added for
// an earlier opening are not shown again.
std::atomic<intptr_t> g_openings{0};

// A page in a group is shown as "Group/Title", as the host's tree shows it.
std::string PageTitle(const OptionsPageRecord& page) {
    return page.group.empty() ? page.title : page.group + "/" + page.title;
}

}  // namespace

int RunOptionsDialog(HWND owner) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);

    const intptr_t handle = 0x0FF10000 + ++g_openings;  // the host passes its dialog; any word will do
    NotifyEvent("Opt/Initialise", static_cast<host::Word>(handle), 0);
    std::vector<OptionsPageRecord> pages;
    for (const OptionsPageRecord& page : OptionsPages())
        if (page.dialog == handle && page.templateId >= 0 && page.dialogProc) pages.push_back(page);
    if (pages.empty()) return -1;

    std::vector<std::string> titles;
    for (const OptionsPageRecord& page : pages) titles.push_back(PageTitle(page));
    std::vector<PROPSHEETPAGEA> sheets(pages.size());
    for (size_t i = 0; i < pages.size(); ++i) {
        PROPSHEETPAGEA& p = sheets[i];
        p = PROPSHEETPAGEA{};
        p.dwSize = sizeof p;
        p.dwFlags = PSP_USETITLE;
        p.hInstance = static_cast<HINSTANCE>(pages[i].instance);
        p.pszTemplate = MAKEINTRESOURCEA(pages[i].templateId);
        p.pfnDlgProc = reinterpret_cast<DLGPROC>(pages[i].dialogProc);
        p.pszTitle = titles[i].c_str();
    }
    PROPSHEETHEADERA header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_NOCONTEXTHELP;
    header.hwndParent = owner;
    header.pszCaption = "Miranda IM Options";
    header.nPages = static_cast<UINT>(sheets.size());
    header.ppsp = sheets.data();
    INT_PTR result = PropertySheetA(&header);
    return result < 0 ? -1 : static_cast<int>(result > 0 ? 1 : 0);
}

}  // namespace standin
