// History events ("DB/Event/Add") and the profile's folder ("DB/GetProfilePath").
#include <cstring>
#include <mutex>

#include "StandInInternal.h"

namespace standin {
namespace {

using host::Word;

constexpr int kEventRecordSize = 28;  // the 32-bit host's record

std::mutex g_eventMutex;
std::vector<EventRecord> g_events;
std::string g_profileFolder;

// The host copies what it is given; a record it cannot read is refused with 0.
Word AddEventService(Word wParam, Word lParam) {
    auto contact = reinterpret_cast<host::Contact>(wParam);
    auto* info = reinterpret_cast<const host::DbEventInfo*>(lParam);
    if (!info || !detail::SizeFits(info->cbSize, kEventRecordSize, sizeof(host::DbEventInfo))) return 0;
    if (!info->module || (info->blobSize && !info->blob) || !detail::ContactExists(contact)) return 0;
    EventRecord event{contact,         info->module,
                      info->timestamp, info->flags,
                      info->eventType, std::string(reinterpret_cast<const char*>(info->blob), info->blobSize)};
    std::lock_guard<std::mutex> lock(g_eventMutex);
    g_events.push_back(std::move(event));
    return static_cast<Word>(g_events.size());  // the event's handle
}

// wParam: the buffer's size, lParam: the buffer. 0 when the folder fits.
Word ProfilePathService(Word wParam, Word lParam) {
    char* buffer = reinterpret_cast<char*>(lParam);
    std::lock_guard<std::mutex> lock(g_eventMutex);
    if (!buffer || g_profileFolder.empty() || wParam <= static_cast<Word>(g_profileFolder.size())) return 1;
    std::memcpy(buffer, g_profileFolder.c_str(), g_profileFolder.size() + 1);
    return 0;
}

}  // namespace

std::vector<EventRecord> Events() {
    std::lock_guard<std::mutex> lock(g_eventMutex);
    return g_events;
}

std::string EventRecord::Text() const {
    size_t end = blob.find('\0');
    return end == std::string::npos ? blob : blob.substr(0, end);
}

void SetProfileFolder(const std::string& folder) {
    std::lock_guard<std::mutex> lock(g_eventMutex);
    g_profileFolder = folder;
}

namespace detail {

void ResetEvents() {
    {
        std::lock_guard<std::mutex> lock(g_eventMutex);
        g_events.clear();
        g_profileFolder.clear();
    }
    AddService("DB/Event/Add", AddEventService);
    AddService("DB/GetProfilePath", ProfilePathService);
}

}  // namespace detail
}  // namespace standin
