// Every record that crosses the line between Parlet and the Miranda IM host,
// laid out as the host's published 32-bit plug-in ABI has them. This is the
// one place these layouts live; the host stand-in includes it too.
//
// Word-sized fields are intptr_t so that the same records work natively
// (64-bit, for the portable engine's tests) and in the 32-bit DLL, where the
// static_asserts below pin the sizes the host expects.
#pragma once

#include <cstddef>
#include <cstdint>

namespace host {

using Word = intptr_t;   // WPARAM / LPARAM / the result of a service
using Handle = void*;    // HANDLE: hooks, services, contacts, net users
using Contact = Handle;  // a contact of the host database; 0 = global

// Handlers of events and services take two words and give a word (cdecl).
// The 32-bit ABI says int; a word is the same register there and keeps
// pointers whole in the native build.
using HookProc = Word (*)(Word wParam, Word lParam);
using ServiceProc = Word (*)(Word wParam, Word lParam);

// The link record handed to Load(): the host's core functions, in slot order.
struct PluginLink {
    Handle (*CreateHookableEvent)(const char* name);                                  // slot 0
    int (*DestroyHookableEvent)(Handle event);                                        // slot 1
    Word (*NotifyEventHooks)(Handle event, Word wParam, Word lParam);                 // slot 2
    Handle (*HookEvent)(const char* name, HookProc hook);                             // slot 3
    Handle (*HookEventMessage)(const char* name, void* window, unsigned message);     // slot 4
    int (*UnhookEvent)(Handle hook);                                                  // slot 5
    Handle (*CreateServiceFunction)(const char* name, ServiceProc service);           // slot 6
    Handle (*CreateTransientServiceFunction)(const char* name, ServiceProc service);  // slot 7
    int (*DestroyServiceFunction)(Handle service);                                    // slot 8
    Word (*CallService)(const char* name, Word wParam, Word lParam);                  // slot 9
    int (*ServiceExists)(const char* name);                                           // slot 10
    Word (*CallServiceSync)(const char* name, Word wParam, Word lParam);              // slot 11
};

// CallService's answer when no service of that name exists.
constexpr Word kServiceNotFound = static_cast<Word>(INT32_MIN);

struct Uuid {
    uint32_t a;
    uint16_t b, c;
    uint8_t d[8];
};

// The plugin information record; the extended form appends the UUID.
struct PluginInfo {
    int cbSize;
    const char* shortName;
    uint32_t version;
    const char* description;
    const char* author;
    const char* authorEmail;
    const char* copyright;
    const char* homepage;
    uint8_t flags;  // transient flag, padded to a word
    int replacesDefaultModule;
};

// The same fields again rather than derived, so the record keeps a
// standard layout the host can read by offset.
struct PluginInfoEx {
    int cbSize;
    const char* shortName;
    uint32_t version;
    const char* description;
    const char* author;
    const char* authorEmail;
    const char* copyright;
    const char* homepage;
    uint8_t flags;
    int replacesDefaultModule;
    Uuid uuid;
};

// --- database -------------------------------------------------------------

enum DbValueType : uint8_t {
    kDbDeleted = 0,
    kDbByte = 1,
    kDbWord = 2,
    kDbDword = 4,
    kDbText = 255,
};

struct DbVariant {
    uint8_t type;
    union {
        uint8_t bVal;
        uint16_t wVal;
        uint32_t dVal;
        struct {
            char* pszVal;
            uint16_t cchVal;
        };
    };
};

struct DbGetSetting {
    const char* module;
    const char* setting;
    DbVariant* value;
};

struct DbWriteSetting {
    const char* module;
    const char* setting;
    DbVariant value;
};

// --- history events -----------------------------------------------------------

// lParam of "DB/Event/Add" (wParam: the contact); the host copies the blob.
struct DbEventInfo {
    int cbSize;  // 28
    const char* module;
    uint32_t timestamp;  // seconds since 1970, UTC
    uint32_t flags;
    uint16_t eventType;
    uint32_t blobSize;  // bytes of blob, its terminating zero included for a message
    uint8_t* blob;      // a message event: the text in the ANSI code page, zero-terminated
};

constexpr uint32_t kEventSent = 2;     // DBEF_SENT: the user sent it
constexpr uint16_t kEventMessage = 0;  // EVENTTYPE_MESSAGE: shown by the history window

// --- protocols and messages -----------------------------------------------

constexpr int kProtoTypeProtocol = 1000;  // PROTOTYPE_PROTOCOL: the host makes it an account
constexpr int kProtoTypeFilter = 3000;
constexpr int kProtocolDescriptorSize = 12;  // the size the host takes from every version

struct ProtocolDescriptor {
    int cbSize;  // 12
    const char* name;
    int type;
};

// What a protocol service chain passes along.
struct CcsData {
    Contact contact;
    const char* protoService;
    Word wParam;
    Word lParam;
};

// The protocol service of an instant message, called through
// "Proto/CallContactService" (wParam flags, lParam the text).
constexpr const char* kSendMessageService = "/SendMsg";

// lParam of a "/RecvMessage" call.
struct ProtoRecvEvent {
    uint32_t flags;
    uint32_t timestamp;
    char* message;
    Word lParam;
};

// The global status values the plug-in tells apart.
constexpr Word kStatusOffline = 40071;       // ID_STATUS_OFFLINE
constexpr Word kStatusNotAvailable = 40075;  // N/A

// The services the host asks of every protocol, after the protocol's name.
constexpr const char* kProtoGetCaps = "/GetCaps";
constexpr const char* kProtoGetName = "/GetName";
constexpr const char* kProtoLoadIcon = "/LoadIcon";
constexpr const char* kProtoGetStatus = "/GetStatus";

// --- menus and options ------------------------------------------------------

constexpr uint32_t kMenuFlagHidden = 0x00000004;
constexpr uint32_t kMenuModifyFlags = 0x40000000;

struct MenuItem {
    int cbSize;  // 40
    char* name;
    uint32_t flags;
    int position;
    void* icon;
    const char* service;
    char* popupName;
    int popupPosition;
    uint32_t hotKey;
    char* contactOwner;
};

constexpr int kOptionsPageSize = 60;      // the record as the 0.4 headers define it
constexpr uint32_t kOptionsPageAnsi = 0;  // flags: no ODPF_UNICODE

struct OptionsPage {
    int cbSize;  // 60
    int position;
    char* title;
    void* dialogProc;
    char* dialogTemplate;
    void* instance;
    void* icon;
    char* group;
    int groupPosition;
    void* groupIcon;
    uint32_t flags;
    int idBottomSimpleControl;
    int idRightSimpleControl;
    uint32_t* expertOnlyControls;
    int expertOnlyControlCount;
};

struct CountryListEntry {
    int id;  // the country's dialling code
    const char* name;
};

// --- network library ----------------------------------------------------------

constexpr int kNetlibUserSize = 44;
constexpr uint32_t kNetlibOutgoing = 2;  // NUF_OUTGOING: connections out only

struct NetlibUser {
    int cbSize;  // 44
    const char* settingsModule;
    const char* descriptiveName;
    uint32_t flags;
    const char* httpGatewayHello;
    const char* httpGatewayUserAgent;
    void* httpGatewayInit;
    void* httpGatewayBegin;
    void* httpGatewayWrapSend;
    void* httpGatewayUnwrapRecv;
    int minIncomingPorts;
};

struct HttpHeader {
    char* name;
    char* value;
};

// One record type serves as request and reply, on both carriers.
struct HttpRequest {
    int size;         // 44
    int requestType;  // 1 GET, 2 POST, 3 CONNECT; 0 in a reply
    uint32_t flags;
    char* url;
    HttpHeader* headers;
    int headerCount;
    char* body;
    int bodyLength;
    int status;
    char* statusText;
    Handle connection;
};
using HttpReply = HttpRequest;

constexpr int kHttpResponse = 0;  // requestType of a reply
constexpr int kHttpGet = 1;
constexpr int kHttpPost = 2;
constexpr int kHttpConnect = 3;
// Flags of every request: the host writes the Host header and leaves it out
// of the dump, and dumps the exchange as text.
constexpr uint32_t kHttpRequestFlags = 0x00080003;

// --- popups -------------------------------------------------------------------

constexpr int kPopupTextSize = 2048;

struct PopupData {
    Contact contact;
    void* icon;
    char title[kPopupTextSize];
    char text[kPopupTextSize];
    uint32_t colorBack;
    uint32_t colorText;
    void* windowProc;
    void* pluginData;
    int seconds;     // -1: stays until dismissed
    char spare[16];  // unused by the host: left zero
};

// What "PopUp/AddPopUpEx" gives: above 0 the popup was made; 0 (it went
// wrong), -1 (refused, too many, popups off) and kServiceNotFound (no popup
// plug-in) mean nothing is shown.
constexpr bool PopupShown(Word result) { return result > 0; }

// --- language pack and window positions ------------------------------------------

// lParam of "LangPack/TranslateDialog".
struct TranslateDialogRequest {
    int cbSize;  // 16
    uint32_t flags;
    void* window;
    const int* ignoreControls;  // ids not to translate, ended by 0; may be null
};

// lParam of "Utils/SaveWindowPos" and "Utils/RestoreWindowPos"; the position
// is kept as double words "<prefix>x", "<prefix>y", "<prefix>width" and
// "<prefix>height" of the module. The host's record has no size field.
struct WindowPositionRequest {
    void* window;
    Contact contact;
    const char* module;
    const char* namePrefix;
};

// wParam of "Utils/RestoreWindowPos".
constexpr Word kRestoreNoSize = 1;
constexpr Word kRestoreNoMove = 2;

#if INTPTR_MAX == INT32_MAX
static_assert(sizeof(PluginInfo) == 40, "legacy plugin information record");
static_assert(sizeof(PluginInfoEx) == 56, "extended plugin information record");
static_assert(sizeof(NetlibUser) == 44, "network user record");
static_assert(sizeof(MenuItem) == 40, "menu item record");
static_assert(sizeof(OptionsPage) == 60, "options page record");
static_assert(sizeof(HttpRequest) == 44, "HTTP request record");
static_assert(sizeof(ProtocolDescriptor) == 12, "protocol module record");
static_assert(sizeof(PluginLink) == 48, "link record through CallServiceSync");
static_assert(sizeof(TranslateDialogRequest) == 16, "dialog translation record");
static_assert(sizeof(WindowPositionRequest) == 16, "window position record");
static_assert(sizeof(PopupData) == 4140, "popup record");
static_assert(sizeof(DbEventInfo) == 28 && offsetof(DbEventInfo, eventType) == 16 &&
                  offsetof(DbEventInfo, blobSize) == 20,
              "database event record");
#endif

}  // namespace host
