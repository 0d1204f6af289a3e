// The plug-in's pages in the host's options dialog: "Parlet-Plugin"
// (General), and "Gateway order", "Outbox" and "Credit" in the group
// "Parlet-Plugin".
#pragma once

#include "shell/HostRecords.h"

namespace ui {

constexpr int kGeneralPageTemplate = 103;
constexpr int kOrderPageTemplate = 112;
constexpr int kOutboxPageTemplate = 113;
constexpr int kCreditPageTemplate = 114;

struct OptionsPageSources {
    void* generalProc;  // the pages' dialog procedures
    void* orderProc;
    void* instance;              // the module holding the dialog templates
    void* outboxProc = nullptr;  // none: no Outbox page
    void* creditProc = nullptr;  // none: no Credit page
};

// Adds the pages through "Opt/AddPage" to the options dialog `dialog` (the
// first word the host's "Opt/Initialise" event passes). Gives 0.
host::Word AddOptionsPages(host::Word dialog, const OptionsPageSources& sources);

#ifdef _WIN32
// The handler of "Opt/Initialise": this module's pages.
host::Word OnOptionsInitialise(host::Word wParam, host::Word lParam);
#endif

}  // namespace ui
