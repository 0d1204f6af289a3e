#include "ui/OptionsPages.h"

#include "shell/DllInstance_win.h"
#include "ui/PageHelpers_win.h"

namespace ui {

host::Word OnOptionsInitialise(host::Word wParam, host::Word) {
    try {
        OptionsPageSources sources{reinterpret_cast<void*>(GeneralPageProc), reinterpret_cast<void*>(OrderPageProc),
                                   dll::Instance(), reinterpret_cast<void*>(OutboxPageProc),
                                   reinterpret_cast<void*>(CreditPageProc)};
        return AddOptionsPages(wParam, sources);
    } catch (...) {
        return 0;  // the options dialog opens without these pages
    }
}

}  // namespace ui
