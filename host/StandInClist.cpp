// The contact list's menus and display names, the options dialog's pages and
// the language pack.
#include <mutex>

#include "StandInInternal.h"

namespace standin {
namespace {

using host::Word;

// Bits of a modify request's flags that pick the fields it changes.
constexpr uint32_t kModifyName = 0x80000000;
constexpr uint32_t kModifyIcon = 0x20000000;
constexpr uint32_t kModifyHotKey = 0x10000000;
constexpr uint32_t kModifyMask = kModifyName | host::kMenuModifyFlags | kModifyIcon | kModifyHotKey;

std::mutex g_clistMutex;
std::vector<MenuItemRecord> g_menus;
std::vector<OptionsPageRecord> g_pages;
std::vector<void*> g_translatedDialogs;
std::set<std::string> g_translatedTexts;
bool g_marking = false;

const host::MenuItem* MenuRecord(Word lParam) {
    auto* item = reinterpret_cast<const host::MenuItem*>(lParam);
    if (!item || !detail::SizeFits(item->cbSize, 40, sizeof(host::MenuItem))) return nullptr;
    return item;
}

Word AddMenuItem(bool contactMenu, Word lParam) {
    const host::MenuItem* item = MenuRecord(lParam);
    if (!item) return 0;
    std::lock_guard<std::mutex> lock(g_clistMutex);
    g_menus.push_back(MenuItemRecord{contactMenu, item->name ? item->name : "", item->flags & ~kModifyMask,
                                     item->position, item->service ? item->service : "", item->icon});
    return static_cast<Word>(g_menus.size());  // handle = position in the list + 1
}

Word AddMainMenuItemService(Word, Word lParam) { return AddMenuItem(false, lParam); }
Word AddContactMenuItemService(Word, Word lParam) { return AddMenuItem(true, lParam); }

// A request without any of the field bits changes name, flags and icon.
Word ModifyMenuItemService(Word wParam, Word lParam) {
    const host::MenuItem* item = MenuRecord(lParam);
    if (!item) return 1;
    std::lock_guard<std::mutex> lock(g_clistMutex);
    if (wParam <= 0 || static_cast<size_t>(wParam) > g_menus.size()) return 1;
    MenuItemRecord& record = g_menus[static_cast<size_t>(wParam) - 1];
    uint32_t mask = item->flags & kModifyMask;
    bool all = mask == 0;
    if (all || (mask & kModifyName)) record.name = item->name ? item->name : "";
    if (all || (mask & host::kMenuModifyFlags)) record.flags = item->flags & ~kModifyMask;
    if (all || (mask & kModifyIcon)) record.icon = item->icon;
    return 0;
}

// The name the user gave, else the protocol's nick, else the host's own
// text; a contact without a base protocol has no name at all.
Word GetContactDisplayNameService(Word wParam, Word) {
    auto contact = reinterpret_cast<host::Contact>(wParam);
    std::optional<std::string> name;
    auto proto = detail::ContactExists(contact) ? detail::BaseProto(contact) : std::nullopt;
    if (proto) {
        name = detail::ReadText(contact, "CList", "MyHandle");
        if (!name || name->empty()) name = detail::ReadText(contact, proto->c_str(), "Nick");
    }
    if (!name || name->empty()) name = "(Unknown Contact)";
    return reinterpret_cast<Word>(detail::Keep(*name));
}

Word AddPageService(Word wParam, Word lParam) {
    auto* page = reinterpret_cast<const host::OptionsPage*>(lParam);
    if (!page || !page->title || !detail::SizeFits(page->cbSize, 60, sizeof(host::OptionsPage))) return 1;
    // A template is a resource number or a name; numbers sit below 0x10000.
    auto raw = reinterpret_cast<uintptr_t>(page->dialogTemplate);
    intptr_t templateId = raw < 0x10000 ? static_cast<intptr_t>(raw) : -1;
    std::lock_guard<std::mutex> lock(g_clistMutex);
    g_pages.push_back(OptionsPageRecord{wParam, page->title, page->group ? page->group : "", templateId,
                                        page->dialogProc, page->instance, page->cbSize, page->flags});
    return 0;
}

Word TranslateStringService(Word, Word lParam) {
    const char* text = reinterpret_cast<const char*>(lParam);
    if (!text) return 0;
    bool marking;
    {
        std::lock_guard<std::mutex> lock(g_clistMutex);
        g_translatedTexts.insert(text);
        marking = g_marking;
    }
    if (!marking) return lParam;
    return reinterpret_cast<Word>(detail::Keep(std::string("[T]") + text));
}

Word TranslateDialogService(Word, Word lParam) {
    auto* request = reinterpret_cast<const host::TranslateDialogRequest*>(lParam);
    if (!request || !detail::SizeFits(request->cbSize, 16, sizeof(host::TranslateDialogRequest))) return 1;
    // Read before marking, so that the texts are the dialog's own.
    const std::vector<std::string> texts =
        request->window ? platform::DialogTexts(request->window) : std::vector<std::string>();
    bool marking;
    {
        std::lock_guard<std::mutex> lock(g_clistMutex);
        g_translatedDialogs.push_back(request->window);
        g_translatedTexts.insert(texts.begin(), texts.end());
        marking = g_marking;
    }
    if (marking && request->window) platform::MarkDialog(request->window);
    return 0;
}

}  // namespace

namespace detail {

void ResetClist() {
    {
        std::lock_guard<std::mutex> lock(g_clistMutex);
        g_menus.clear();
        g_pages.clear();
        g_translatedDialogs.clear();
        g_translatedTexts.clear();
        g_marking = false;
    }
    AddService("CList/AddMainMenuItem", AddMainMenuItemService);
    AddService("CList/AddContactMenuItem", AddContactMenuItemService);
    AddService("CList/ModifyMenuItem", ModifyMenuItemService);
    AddService("CList/GetContactDisplayName", GetContactDisplayNameService);
    AddService("Opt/AddPage", AddPageService);
    AddService("LangPack/TranslateString", TranslateStringService);
    AddService("LangPack/TranslateDialog", TranslateDialogService);
}

}  // namespace detail

std::vector<MenuItemRecord> MenuItems() {
    std::lock_guard<std::mutex> lock(g_clistMutex);
    return g_menus;
}

int OptionsPageCount() {
    std::lock_guard<std::mutex> lock(g_clistMutex);
    return static_cast<int>(g_pages.size());
}

std::vector<OptionsPageRecord> OptionsPages() {
    std::lock_guard<std::mutex> lock(g_clistMutex);
    return g_pages;
}

std::vector<void*> TranslatedDialogs() {
    std::lock_guard<std::mutex> lock(g_clistMutex);
    return g_translatedDialogs;
}

std::set<std::string> TranslatedTexts() {
    std::lock_guard<std::mutex> lock(g_clistMutex);
    return g_translatedTexts;
}

void SetTranslationMarking(bool on) {
    std::lock_guard<std::mutex> lock(g_clistMutex);
    g_marking = on;
}

}  // namespace standin
