// What the stand-in's files share among themselves; not for tests.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "StandIn.h"

namespace standin {
namespace detail {

// Services made by the stand-in itself go through the link like any other.
void AddService(const char* name, host::ServiceProc proc);
void RemoveService(const char* name);

// A text that stays valid until the next Reset(), for services whose answer
// the caller does not release.
const char* Keep(const std::string& text);

// Each area forgets its state and registers its services; Reset() calls them.
void ResetDatabase();
void ResetProtocols();
void ResetClist();
void ResetUtils();
void ResetEvents();

// The whole database, for the file: contacts in order and every setting.
struct SettingKey {
    uintptr_t contact;
    std::string module;
    std::string name;
};
// A key made of the caller's own texts, so a read allocates nothing.
struct SettingKeyView {
    uintptr_t contact;
    std::string_view module;
    std::string_view name;
};
// Orders both kinds of key alike: by contact, then module, then name.
struct SettingKeyLess {
    using is_transparent = void;
    template <class A, class B>
    bool operator()(const A& a, const B& b) const {
        if (a.contact != b.contact) return a.contact < b.contact;
        int byModule = std::string_view(a.module).compare(b.module);
        if (byModule != 0) return byModule < 0;
        return std::string_view(a.name) < std::string_view(b.name);
    }
};
struct DatabaseImage {
    std::set<uintptr_t> contacts;  // 0, the global "contact", is not listed
    std::map<SettingKey, Setting, SettingKeyLess> settings;
};
DatabaseImage SnapshotDatabase();
void ReplaceDatabase(DatabaseImage&& image);

// Database reads for the other areas (the database locks itself).
bool ContactExists(host::Contact contact);
std::optional<std::string> ReadText(host::Contact contact, const char* module, const char* name);
std::optional<std::string> BaseProto(host::Contact contact);  // "Proto/GetContactBaseProto"

// Contacts are numbered in database order; the handle is the number.
inline uintptr_t ContactId(host::Contact contact) { return reinterpret_cast<uintptr_t>(contact); }
inline host::Contact ContactHandle(uintptr_t id) { return reinterpret_cast<host::Contact>(id); }

// Accepts a record whose size field is the 32-bit host's size or this
// build's own size of the same record.
inline bool SizeFits(int cbSize, int hostSize, size_t nativeSize) {
    return cbSize == hostSize || cbSize == static_cast<int>(nativeSize);
}

}  // namespace detail

namespace platform {
// The main thread's wake-up: on Windows a message-only window whose messages
// serve the CallServiceSync queue; natively nothing (the queue's condition
// variable is enough for PumpMainThread).
void InitMainThread();
void WakeMainThread();
void PostWindowMessage(void* window, unsigned message, host::Word wParam, host::Word lParam);

bool ReadWindowRect(void* window, WindowRect& rect);
bool PlaceWindow(void* window, const WindowRect& rect, bool move, bool size);
void ForgetWindows();
// Marks a dialog's caption and control texts as translated (marking mode).
void MarkDialog(void* window);
// The texts the host's dialog translation translates: the caption and the
// texts of static controls, buttons and read-only edit controls.
std::vector<std::string> DialogTexts(void* window);

// Replaces `path` by `temporary` in one step.
bool SwapInFile(const std::string& temporary, const std::string& path);
}  // namespace platform

namespace detail {
// Serves the CallServiceSync queue on the main thread; gives the number run.
int ServeMainThreadQueue();
}  // namespace detail

}  // namespace standin
