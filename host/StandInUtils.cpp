// The host's utilities: country list, window positions, the thread
// bracket, and the popup service another plug-in would offer.
#include <algorithm>
#include <atomic>
#include <iterator>
#include <cstring>
#include <mutex>

#include "StandInCountries.h"
#include "StandInInternal.h"

namespace standin {
namespace {

using host::Word;

std::atomic<int> g_pushes{0};
std::atomic<int> g_pops{0};

std::mutex g_popupMutex;
int g_popupResult = 1;
std::vector<PopupRecord> g_popups;

Word GetCountryListService(Word wParam, Word lParam) {
    auto* count = reinterpret_cast<int*>(wParam);
    auto* list = reinterpret_cast<host::CountryListEntry**>(lParam);
    if (!count || !list) return 1;
    *count = countries::kCount;
    *list = const_cast<host::CountryListEntry*>(countries::kList);
    return 0;
}

const host::WindowPositionRequest* PositionRecord(Word lParam) {
    auto* request = reinterpret_cast<const host::WindowPositionRequest*>(lParam);
    if (!request || !request->window || !request->module || !request->namePrefix) return nullptr;
    return request;
}

std::string Name(const host::WindowPositionRequest& r, const char* field) { return std::string(r.namePrefix) + field; }

Word SaveWindowPosService(Word, Word lParam) {
    const host::WindowPositionRequest* request = PositionRecord(lParam);
    WindowRect rect{};
    if (!request || !platform::ReadWindowRect(request->window, rect)) return 1;
    SetDword(request->contact, request->module, Name(*request, "x").c_str(), static_cast<uint32_t>(rect.x));
    SetDword(request->contact, request->module, Name(*request, "y").c_str(), static_cast<uint32_t>(rect.y));
    SetDword(request->contact, request->module, Name(*request, "width").c_str(), static_cast<uint32_t>(rect.width));
    SetDword(request->contact, request->module, Name(*request, "height").c_str(), static_cast<uint32_t>(rect.height));
    return 0;
}

bool ReadInt(const host::WindowPositionRequest& r, const char* field, int& out) {
    auto s = GetSetting(r.contact, r.module, Name(r, field).c_str());
    if (!s || s->type != host::kDbDword) return false;
    out = static_cast<int>(s->number);
    return true;
}

Word RestoreWindowPosService(Word wParam, Word lParam) {
    const host::WindowPositionRequest* request = PositionRecord(lParam);
    if (!request) return 1;
    WindowRect rect{};
    if (!ReadInt(*request, "x", rect.x) || !ReadInt(*request, "y", rect.y)) return 1;
    bool size = (wParam & host::kRestoreNoSize) == 0;
    if (size && (!ReadInt(*request, "width", rect.width) || !ReadInt(*request, "height", rect.height))) return 1;
    // Sizes from the database are untrusted: nothing negative or absurd.
    if (size && (rect.width <= 0 || rect.height <= 0 || rect.width > 32767 || rect.height > 32767)) return 1;
    bool move = (wParam & host::kRestoreNoMove) == 0;
    return platform::PlaceWindow(request->window, rect, move, size) ? 0 : 1;
}

Word ThreadPushService(Word, Word) {
    ++g_pushes;
    return 0;
}

Word ThreadPopService(Word, Word) {
    ++g_pops;
    return 0;
}

// The field may lack its terminating zero; read no further than it goes.
std::string Field(const char* field, size_t size) {
    const void* end = std::memchr(field, '\0', size);
    return std::string(field, end ? static_cast<const char*>(end) - field : size);
}

Word AddPopupService(Word wParam, Word) {
    auto* popup = reinterpret_cast<const host::PopupData*>(wParam);
    std::lock_guard<std::mutex> lock(g_popupMutex);
    if (!popup) return -1;
    if (host::PopupShown(g_popupResult)) {
        const bool spareClear =
            std::all_of(std::begin(popup->spare), std::end(popup->spare), [](char c) { return !c; });
        g_popups.push_back(PopupRecord{Field(popup->title, sizeof popup->title), Field(popup->text, sizeof popup->text),
                                       popup->seconds, spareClear, popup->icon != nullptr});
    }
    return g_popupResult;
}

}  // namespace

namespace detail {

void ResetUtils() {
    g_pushes = 0;
    g_pops = 0;
    {
        std::lock_guard<std::mutex> lock(g_popupMutex);
        g_popupResult = 1;
        g_popups.clear();
    }
    platform::ForgetWindows();
    AddService("Utils/GetCountryList", GetCountryListService);
    AddService("Utils/SaveWindowPos", SaveWindowPosService);
    AddService("Utils/RestoreWindowPos", RestoreWindowPosService);
    AddService("Miranda/Thread/Push", ThreadPushService);
    AddService("Miranda/Thread/Pop", ThreadPopService);
}

}  // namespace detail

void SetPopupService(bool on, int result) {
    {
        std::lock_guard<std::mutex> lock(g_popupMutex);
        g_popupResult = result;
    }
    if (on)
        detail::AddService("PopUp/AddPopUpEx", AddPopupService);  // no-op when it exists
    else
        detail::RemoveService("PopUp/AddPopUpEx");
}

std::vector<PopupRecord> Popups() {
    std::lock_guard<std::mutex> lock(g_popupMutex);
    return g_popups;
}

int ThreadPushes() { return g_pushes; }
int ThreadPops() { return g_pops; }

void SetWindowRect(void* window, const WindowRect& rect) { platform::PlaceWindow(window, rect, true, true); }

std::optional<WindowRect> WindowRectOf(void* window) {
    WindowRect rect{};
    if (!window || !platform::ReadWindowRect(window, rect)) return std::nullopt;
    return rect;
}

}  // namespace standin
