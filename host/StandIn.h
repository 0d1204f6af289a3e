// The host stand-in: a small Miranda IM of our own that offers the link
// record and the services Parlet relies on, for tests, the command line and
// the Windows test host program. Not thread-hostile: services may be called
// from any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "shell/HostRecords.h"

namespace standin {

// Forgets everything (database, services, hooks, records, counters), builds
// the built-in services afresh and makes the stand-in the plug-in's link
// (host::SetLink). The calling thread becomes the host's main thread.
void Reset();
// The host's version as it tells it to a plug-in's information exports (0.8.0.0).
constexpr uint32_t kHostVersion = 0x00080000;
const host::PluginLink* Link();

// --- the main thread --------------------------------------------------------------
// CallServiceSync from another thread queues the call for the main thread and
// waits. The main thread serves the queue here (waiting up to `timeoutMs` for
// a call to arrive; gives the number served) and, on Windows, in any message
// loop it runs. A call the main thread does not take up within a short grace
// period while it is not serving is run by the waiting thread itself, so a
// main thread blocked elsewhere (say, joining that worker) cannot deadlock.
int PumpMainThread(int timeoutMs);
bool IsMainThread();

// --- database: typed settings, absent is not empty ---------------------------
host::Contact AddContact();
bool DeleteContact(host::Contact contact);
std::vector<host::Contact> Contacts();  // in database order
void SetByte(host::Contact contact, const char* module, const char* name, uint8_t value);
void SetWord(host::Contact contact, const char* module, const char* name, uint16_t value);
void SetDword(host::Contact contact, const char* module, const char* name, uint32_t value);
void SetText(host::Contact contact, const char* module, const char* name, const std::string& value);
void DeleteSetting(host::Contact contact, const char* module, const char* name);
struct Setting {
    uint8_t type;     // host::DbValueType
    uint32_t number;  // byte, word or double word
    std::string text;
};
std::optional<Setting> GetSetting(host::Contact contact, const char* module, const char* name);
// Human-readable file, written atomically (temporary file, then rename).
// Loading is all or nothing: a malformed or truncated file leaves the
// database as it was and gives false, with "path:line: reason" (or
// "path: reason" when the file cannot be read) in `error`.
bool SaveDatabase(const std::string& path);
bool LoadDatabase(const std::string& path, std::string* error = nullptr);
// Texts handed out by "DB/Contact/GetSetting" and not yet released with
// "DB/Contact/FreeVariant", and releases of texts the host never handed out.
int OutstandingVariants();
int ForeignFrees();
// Calls of "DB/Contact/GetSetting" since Reset().
int SettingReads();

// --- events -------------------------------------------------------------------
// Calls the hooks of the event in hooking order, stopping after one that
// gives non-zero as the host does; gives the number called (-1: no such event).
int NotifyEvent(const char* name, host::Word wParam, host::Word lParam);
int HookCount(const char* name);

// --- messages -----------------------------------------------------------------
// Delivers an incoming instant message of `contact` through the filter
// modules added to it (each module's "/RecvMessage"), and on through
// "Proto/ChainRecv" to the end of the chain. Gives what the chain gave.
host::Word DeliverMessage(host::Contact contact, const char* text);
// Messages that reached the end of the chain (after every filter).
struct ReceivedMessage {
    host::Contact contact;
    std::string text;
};
std::vector<ReceivedMessage> ReceivedMessages();
// Instant messages sent through "Proto/CallContactService" {contact, "/SendMsg", 0, text}.
struct SentMessage {
    host::Contact contact;
    std::string text;
};
std::vector<SentMessage> SentMessages();
std::vector<std::string> RegisteredModules();  // "Proto/RegisterModule" names
// An account of the user's: a contact whose "Protocol"/"p" names it has that
// base protocol; any other contact has none (a registered module is no
// account), and so no name.
void AddAccount(const std::string& name);

// --- history ------------------------------------------------------------------
// Events added through "DB/Event/Add", in order (the host copies the blob).
struct EventRecord {
    host::Contact contact;
    std::string module;
    uint32_t timestamp;
    uint32_t flags;
    uint16_t type;
    std::string blob;
    std::string Text() const;  // the blob up to its terminating zero
};
std::vector<EventRecord> Events();
// The folder "DB/GetProfilePath" gives: the host's folder of all profiles;
// empty: the service fails, as without a profile.
void SetProfileFolder(const std::string& folder);
// The name "DB/GetProfileName" gives, the profile's database file ("test.dat");
// empty: the service fails.
void SetProfileName(const std::string& name);

// --- menus, options, windows ----------------------------------------------------
struct MenuItemRecord {
    bool contactMenu;
    std::string name;
    uint32_t flags;
    int position;
    std::string service;
    void* icon;
};
std::vector<MenuItemRecord> MenuItems();  // in the order added; handles index them
int OptionsPageCount();
struct OptionsPageRecord {
    host::Word dialog;  // the wParam "Opt/AddPage" was given
    std::string title;
    std::string group;    // empty: none
    intptr_t templateId;  // a resource number, or -1 for a named template
    void* dialogProc;
    void* instance;
    int cbSize;
    uint32_t flags;
};
std::vector<OptionsPageRecord> OptionsPages();
// Windows that went through "LangPack/TranslateDialog", in order.
std::vector<void*> TranslatedDialogs();
// Every text the plug-in had translated: the texts given to
// "LangPack/TranslateString" and those of the dialogs given to
// "LangPack/TranslateDialog" (caption, static controls and buttons).
std::set<std::string> TranslatedTexts();

// Window positions: on Windows the real window's; natively a made-up window
// has the position a test gave it (or the one last restored into it).
struct WindowRect {
    int x, y, width, height;
};
void SetWindowRect(void* window, const WindowRect& rect);
std::optional<WindowRect> WindowRectOf(void* window);

// --- language pack --------------------------------------------------------------
// While on, every translated text comes back marked ("[T]" in front), so a
// test can prove a text went through translation.
void SetTranslationMarking(bool on);

// --- popups -----------------------------------------------------------------------
// Off: "PopUp/AddPopUpEx" does not exist. On: it gives `result` as the
// popup plug-in does (above 0: made, and recorded here; 0: it went wrong;
// -1: refused).
void SetPopupService(bool on, int result = 1);
struct PopupRecord {
    std::string title;
    std::string text;
    int seconds;
    bool spareClear;  // the record's 16 unused bytes are zero
    bool hasIcon;
};
std::vector<PopupRecord> Popups();

// --- threads ------------------------------------------------------------------------
int ThreadPushes();
int ThreadPops();

// --- network library ------------------------------------------------------------------
// Requests that reached "Netlib/HttpTransaction" (their URLs, in order).
std::vector<std::string> NetlibRequests();
int NetlibUsersOpen();
// Registers the "Netlib/..." services; Reset() calls it.
void RegisterNetlibServices();

}  // namespace standin
