// History events ("DB/Event/Add"), the folder of the profiles ("DB/GetProfilePath")
// and the profile's name ("DB/GetProfileName").
#include <cstring>
#include <mutex>

#include "StandInInternal.h"

namespace standin {
namespace {

using host::Word;

constexpr int kEventRecordSize = 28;  // the 32-bit host's record

std::mutex g_eventMutex;
std::vector<EventRecord> g_eventRecords;
std::string g_profileFolder;
std::string g_profileName;

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
    g_eventRecords.push_back(std::move(event));
    return static_cast<Word>(g_eventRecords.size());  // the event's handle
}

// wParam: the buffer's size, lParam: the buffer. 0 when the text fits.
Word CopyOut(const std::string& text, Word wParam, Word lParam) {
    char* buffer = reinterpret_cast<char*>(lParam);
    if (!buffer || text.empty() || wParam <= static_cast<Word>(text.size())) return 1;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return 0;
}

Word ProfilePathService(Word wParam, Word lParam) {
    std::lock_guard<std::mutex> lock(g_eventMutex);
    return CopyOut(g_profileFolder, wParam, lParam);
}

Word ProfileNameService(Word wParam, Word lParam) {
    std::lock_guard<std::mutex> lock(g_eventMutex);
    return CopyOut(g_profileName, wParam, lParam);
}

}  // namespace

std::vector<EventRecord> Events() {
    std::lock_guard<std::mutex> lock(g_eventMutex);
    return g_eventRecords;
}

std::string EventRecord::Text() const {
    size_t end = blob.find('\0');
    return end == std::string::npos ? blob : blob.substr(0, end);
}

void SetProfileFolder(const std::string& folder) {
    std::lock_guard<std::mutex> lock(g_eventMutex);
    g_profileFolder = folder;
}

void SetProfileName(const std::string& name) {
    std::lock_guard<std::mutex> lock(g_eventMutex);
    g_profileName = name;
}

namespace detail {

void ResetEvents() {
    {
        std::lock_guard<std::mutex> lock(g_eventMutex);
        g_eventRecords.clear();
        g_profileFolder.clear();
        g_profileName.clear();
    }
    AddService("DB/Event/Add", AddEventService);
    AddService("DB/GetProfilePath", ProfilePathService);
    AddService("DB/GetProfileName", ProfileNameService);
}

}  // namespace detail
}  // namespace standin
