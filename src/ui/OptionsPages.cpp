#include "ui/OptionsPages.h"

#include <cstdint>
#include <string>

#include "shell/HostLink.h"
#include "shell/Settings.h"

namespace ui {
namespace {

// A template given by number, as MAKEINTRESOURCE does.
char* TemplateNumber(int id) { return reinterpret_cast<char*>(static_cast<uintptr_t>(id)); }

void AddPage(host::Word dialog, const char* title, void* proc, int templateId, void* instance, const char* group) {
    host::OptionsPage page{};
    page.cbSize = host::kOptionsPageSize;
    page.flags = host::kOptionsPageAnsi;
    page.position = 0;
    page.title = const_cast<char*>(title);
    page.dialogProc = proc;
    page.dialogTemplate = TemplateNumber(templateId);
    page.instance = instance;
    page.icon = nullptr;
    page.group = const_cast<char*>(group);
    host::CallService("Opt/AddPage", dialog, reinterpret_cast<host::Word>(&page));
}

}  // namespace

host::Word AddOptionsPages(host::Word dialog, const OptionsPageSources& sources) {
    AddPage(dialog, settings::kModule, sources.generalProc, kGeneralPageTemplate, sources.instance, nullptr);
    std::string orderTitle = host::TranslateString("Gateway order");
    AddPage(dialog, orderTitle.c_str(), sources.orderProc, kOrderPageTemplate, sources.instance, settings::kModule);
    if (sources.outboxProc) {
        std::string outboxTitle = host::TranslateString("Outbox");
        AddPage(dialog, outboxTitle.c_str(), sources.outboxProc, kOutboxPageTemplate, sources.instance,
                settings::kModule);
    }
    if (sources.creditProc) {
        std::string creditTitle = host::TranslateString("Credit");
        AddPage(dialog, creditTitle.c_str(), sources.creditProc, kCreditPageTemplate, sources.instance,
                settings::kModule);
    }
    return 0;
}

}  // namespace ui
