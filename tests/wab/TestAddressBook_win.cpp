// A Windows Address Book of our own for tests: "WABOpen" and the objects
// the plug-in uses (address book, WAB object, container, contents table,
// entries), over a text file of entries. Methods the plug-in never calls
// answer E_NOTIMPL. It counts live objects and buffers so that tests can
// check that everything handed out came back.
//
// Entry file (PARLET_WAB_FILE, else testwab.txt beside this DLL), one entry
// a line: mobile, surname and given name separated by tabs; "-" leaves a
// property out, and a mobile written "!text" is stored as a number instead
// of a text. Set PARLET_WAB_REFUSE to "open", "pab", "table" or "rows" to
// refuse that step; PARLET_WAB_DETAILS to a number makes the details
// window end normally with that new mobile number (else it is cancelled).
#include <windows.h>
#include <objbase.h>
// mingw-w64's wab.h reaches mapidefs.h through wabutil.h after its own
// wabdefs.h, which declares the same types; taking mapidefs.h first makes
// wabdefs.h step aside.
#include <mapidefs.h>
#include <wab.h>

#include <cstring>
#include <fstream>
#include <new>
#include <sstream>
#include <string>
#include <vector>

namespace {

LONG g_objects = 0;
LONG g_buffers = 0;
LONG g_opens = 0;
HWND g_detailsOwner = nullptr;
HMODULE g_module = nullptr;

struct Entry {
    std::string mobile, surname, given;   // "-": absent
};

const BYTE kPabId[] = {'P', 'A', 'B', 0};

std::string Env(const char* name) {
    char value[512] = {};
    DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n > 0 && n < sizeof value ? value : "";
}

bool Refused(const char* step) { return Env("PARLET_WAB_REFUSE") == step; }

std::vector<Entry> LoadEntries() {
    std::string path = Env("PARLET_WAB_FILE");
    if (path.empty()) {
        char self[MAX_PATH] = {};
        GetModuleFileNameA(g_module, self, MAX_PATH);
        path = self;
        path = path.substr(0, path.find_last_of("\\/") + 1) + "testwab.txt";
    }
    std::vector<Entry> entries;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        std::istringstream fields(line);
        Entry e;
        std::getline(fields, e.mobile, '\t');
        std::getline(fields, e.surname, '\t');
        std::getline(fields, e.given, '\t');
        entries.push_back(e);
    }
    return entries;
}

void* Allocate(size_t size) {
    void* p = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size);
    if (p) InterlockedIncrement(&g_buffers);
    return p;
}

void Free(void* p) {
    if (!p) return;
    HeapFree(GetProcessHeap(), 0, p);
    InterlockedDecrement(&g_buffers);
}

// An entry identifier: 'E' and the entry's index.
std::vector<BYTE> EntryId(size_t index) { return {'E', static_cast<BYTE>(index), static_cast<BYTE>(index >> 8), 0}; }

int EntryIndex(ULONG size, const ENTRYID* id, size_t count) {
    if (size != 4 || !id) return -1;
    const BYTE* b = reinterpret_cast<const BYTE*>(id);
    size_t index = b[1] | (b[2] << 8);
    return b[0] == 'E' && index < count ? static_cast<int>(index) : -1;
}

// Reference counting shared by every object; each counts while it lives.
#define STUB { return E_NOTIMPL; }
#define COUNTED_UNKNOWN                                                         \
    LONG refs_ = 1;                                                             \
    STDMETHODIMP QueryInterface(REFIID, void** out) override {                  \
        if (out) *out = nullptr;                                                \
        return E_NOINTERFACE;                                                   \
    }                                                                           \
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); } \
    STDMETHODIMP_(ULONG) Release() override {                                   \
        LONG n = InterlockedDecrement(&refs_);                                  \
        if (n == 0) delete this;                                                \
        return n;                                                               \
    }

struct Counted {
    Counted() { InterlockedIncrement(&g_objects); }
    virtual ~Counted() { InterlockedDecrement(&g_objects); }
};

// Every method of an interface answering E_NOTIMPL, for the classes below
// to override the few the plug-in calls.
struct MailUserStubs : IMailUser {
    MAPI_IMAPIPROP_METHODS(STUB)
};
struct TableStubs : IMAPITable {
    MAPI_IMAPITABLE_METHODS(STUB)
};
struct ContainerStubs : IABContainer {
    MAPI_IMAPIPROP_METHODS(STUB)
    MAPI_IMAPICONTAINER_METHODS(STUB)
    MAPI_IABCONTAINER_METHODS(STUB)
};
struct BookStubs : IAddrBook {
    MAPI_IMAPIPROP_METHODS(STUB)
    MAPI_IADDRBOOK_METHODS(STUB)
};
struct WabObjectStubs : IWABObject {
    WAB_IWABOBJECT_METHODS(STUB)
};

class MailUser : public MailUserStubs, public Counted {
public:
    explicit MailUser(const Entry& e) : entry_(e) {}
    COUNTED_UNKNOWN
    STDMETHODIMP GetProps(LPSPropTagArray tags, ULONG, ULONG* count, LPSPropValue* values) override;

private:
    Entry entry_;
};

HRESULT MailUser::GetProps(LPSPropTagArray tags, ULONG, ULONG* count, LPSPropValue* values) {
    if (!tags || tags->cValues != 1 || !count || !values) return MAPI_E_CALL_FAILED;
    ULONG id = PROP_ID(tags->aulPropTag[0]);
    const std::string* text = id == PROP_ID(PR_MOBILE_TELEPHONE_NUMBER) ? &entry_.mobile
                              : id == PROP_ID(PR_SURNAME)                ? &entry_.surname
                              : id == PROP_ID(PR_GIVEN_NAME)             ? &entry_.given
                                                                         : nullptr;
    auto* v = static_cast<SPropValue*>(Allocate(sizeof(SPropValue) + (text ? text->size() + 1 : 0)));
    if (!v) return MAPI_E_NOT_ENOUGH_MEMORY;
    *count = 1;
    *values = v;
    if (!text || *text == "-") {   // as the real one does: an error value in place of the missing property
        v->ulPropTag = PROP_TAG(PT_ERROR, id);
        v->Value.err = MAPI_E_NOT_FOUND;
        return MAPI_W_ERRORS_RETURNED;
    }
    char* copy = reinterpret_cast<char*>(v + 1);
    if ((*text)[0] == '!') {
        v->ulPropTag = PROP_TAG(PT_LONG, id);
        v->Value.l = 42;
        return S_OK;
    }
    memcpy(copy, text->c_str(), text->size() + 1);
    v->ulPropTag = PROP_TAG(PT_STRING8, id);
    v->Value.lpszA = copy;
    return S_OK;
}

class Table : public TableStubs, public Counted {
public:
    explicit Table(size_t rows) : rows_(rows) {}
    COUNTED_UNKNOWN
    STDMETHODIMP GetRowCount(ULONG, ULONG* count) override {
        if (!count) return MAPI_E_CALL_FAILED;
        *count = static_cast<ULONG>(rows_);
        return S_OK;
    }
    STDMETHODIMP SetColumns(LPSPropTagArray tags, ULONG) override {
        if (!tags || tags->cValues != 1 || tags->aulPropTag[0] != PR_ENTRYID) return MAPI_E_CALL_FAILED;
        columnsSet_ = true;
        return S_OK;
    }
    STDMETHODIMP QueryRows(LONG count, ULONG, LPSRowSet* out) override;

private:
    size_t rows_;
    bool columnsSet_ = false;
};

HRESULT Table::QueryRows(LONG count, ULONG, LPSRowSet* out) {
    if (!out || count < 0 || !columnsSet_ || Refused("rows")) return MAPI_E_CALL_FAILED;
    size_t n = static_cast<size_t>(count) < rows_ ? static_cast<size_t>(count) : rows_;
    auto* set = static_cast<SRowSet*>(Allocate(sizeof(SRowSet) + n * sizeof(SRow)));
    if (!set) return MAPI_E_NOT_ENOUGH_MEMORY;
    set->cRows = static_cast<ULONG>(n);
    for (size_t i = 0; i < n; ++i) {
        std::vector<BYTE> id = EntryId(i);
        auto* v = static_cast<SPropValue*>(Allocate(sizeof(SPropValue) + id.size()));
        if (!v) return MAPI_E_NOT_ENOUGH_MEMORY;
        memcpy(v + 1, id.data(), id.size());
        v->ulPropTag = PR_ENTRYID;
        v->Value.bin.cb = static_cast<ULONG>(id.size());
        v->Value.bin.lpb = reinterpret_cast<BYTE*>(v + 1);
        set->aRow[i].cValues = 1;
        set->aRow[i].lpProps = v;
    }
    *out = set;
    return S_OK;
}

class Container : public ContainerStubs, public Counted {
public:
    explicit Container(size_t rows) : rows_(rows) {}
    COUNTED_UNKNOWN
    STDMETHODIMP GetContentsTable(ULONG, LPMAPITABLE* table) override {
        if (!table || Refused("table")) return MAPI_E_CALL_FAILED;
        *table = new (std::nothrow) Table(rows_);
        return *table ? S_OK : MAPI_E_NOT_ENOUGH_MEMORY;
    }

private:
    size_t rows_;
};

class Book : public BookStubs, public Counted {
public:
    explicit Book(std::vector<Entry> entries) : entries_(std::move(entries)) {}
    COUNTED_UNKNOWN
    STDMETHODIMP GetPAB(ULONG* size, LPENTRYID* id) override {
        if (!size || !id || Refused("pab")) return MAPI_E_CALL_FAILED;
        void* copy = Allocate(sizeof kPabId);
        if (!copy) return MAPI_E_NOT_ENOUGH_MEMORY;
        memcpy(copy, kPabId, sizeof kPabId);
        *size = sizeof kPabId;
        *id = static_cast<LPENTRYID>(copy);
        return S_OK;
    }
    STDMETHODIMP OpenEntry(ULONG size, LPENTRYID id, LPCIID, ULONG, ULONG* type, LPUNKNOWN* out) override {
        if (!type || !out) return MAPI_E_CALL_FAILED;
        *out = nullptr;
        if (size == sizeof kPabId && id && memcmp(id, kPabId, size) == 0) {
            *type = MAPI_ABCONT;
            *out = static_cast<IABContainer*>(new (std::nothrow) Container(entries_.size()));
        } else {
            int index = EntryIndex(size, id, entries_.size());
            if (index < 0) return MAPI_E_NOT_FOUND;
            *type = MAPI_MAILUSER;
            *out = static_cast<IMailUser*>(new (std::nothrow) MailUser(entries_[index]));
        }
        return *out ? S_OK : MAPI_E_NOT_ENOUGH_MEMORY;
    }
    STDMETHODIMP Details(ULONG* window, LPFNDISMISS, LPVOID, ULONG size, LPENTRYID id, LPFNBUTTON, LPVOID, LPTSTR,
                         ULONG) override {
        int index = EntryIndex(size, id, entries_.size());
        if (!window || index < 0) return MAPI_E_NOT_FOUND;
        g_detailsOwner = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(*window));
        std::string changed = Env("PARLET_WAB_DETAILS");
        if (changed.empty()) return MAPI_E_USER_CANCEL;
        entries_[index].mobile = changed;
        return S_OK;
    }

private:
    std::vector<Entry> entries_;
};

class WabObject : public WabObjectStubs, public Counted {
public:
    COUNTED_UNKNOWN
    STDMETHODIMP AllocateBuffer(ULONG size, LPVOID* out) override {
        if (!out) return MAPI_E_CALL_FAILED;
        *out = Allocate(size);
        return *out ? S_OK : MAPI_E_NOT_ENOUGH_MEMORY;
    }
    STDMETHODIMP FreeBuffer(LPVOID p) override {
        Free(p);
        return S_OK;
    }
};

}  // namespace

extern "C" HRESULT WINAPI WABOpen(LPADRBOOK* book, LPWABOBJECT* object, LPWAB_PARAM, DWORD) {
    if (!book || !object) return MAPI_E_CALL_FAILED;
    *book = nullptr;
    *object = nullptr;
    if (Refused("open")) return MAPI_E_CALL_FAILED;
    *book = new (std::nothrow) Book(LoadEntries());
    *object = new (std::nothrow) WabObject;
    if (!*book || !*object) {
        if (*book) (*book)->Release();
        if (*object) (*object)->Release();
        *book = nullptr;
        *object = nullptr;
        return MAPI_E_NOT_ENOUGH_MEMORY;
    }
    InterlockedIncrement(&g_opens);
    return S_OK;
}

// For tests: objects alive, buffers not yet freed, successful opens, and the
// owner window of the last details window.
extern "C" void WINAPI TestWabCounts(LONG* objects, LONG* buffers, LONG* opens, HWND* detailsOwner) {
    if (objects) *objects = g_objects;
    if (buffers) *buffers = g_buffers;
    if (opens) *opens = g_opens;
    if (detailsOwner) *detailsOwner = g_detailsOwner;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_module = instance;
    return TRUE;
}
