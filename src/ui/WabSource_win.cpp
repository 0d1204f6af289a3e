// The Windows Address Book through its published interfaces: the library
// named by the registry (else "wab32.dll"), "WABOpen", and the address
// book, container, table and entry objects it hands out.
#include "ui/WabSource.h"

#include <windows.h>
#include <objbase.h>
// mingw-w64's wab.h reaches mapidefs.h through wabutil.h after its own
// wabdefs.h, which declares the same types; taking mapidefs.h first makes
// wabdefs.h step aside.
#include <mapidefs.h>
#include <wab.h>

namespace wab {
namespace {

constexpr const char* kPathKey = "Software\\Microsoft\\WAB\\DLLPath";
constexpr const char* kDefaultLibrary = "wab32.dll";
constexpr DWORD kPathLimit = 260;

// A buffer the WAB object handed out, freed with it on every path.
struct Buffer {
    IWABObject* owner;
    void* data = nullptr;
    ~Buffer() {
        if (data) owner->FreeBuffer(data);
    }
};

template <class T>
struct Object {
    T* p = nullptr;
    ~Object() {
        if (p) p->Release();
    }
};

std::string LibraryPath() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPathKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return kDefaultLibrary;
    char path[kPathLimit + 1] = {};
    DWORD size = kPathLimit;
    DWORD type = 0;
    LONG result = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(path), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ) || path[0] == '\0') return kDefaultLibrary;
    return path;
}

class WabLibrary : public Source {
public:
    WabLibrary(HMODULE library, IAddrBook* book, IWABObject* object)
        : library_(library), book_(book), object_(object) {}
    ~WabLibrary() override {
        book_->Release();
        object_->Release();
        FreeLibrary(library_);
    }

    std::vector<EntryId> EntryIds() override;
    std::optional<EntryTexts> ReadEntry(const EntryId& id) override;
    bool ShowDetails(void* owner, const EntryId& id) override;

private:
    std::vector<EntryId> Rows(IMAPITable* table);
    std::optional<std::string> ReadText(IMAPIProp* entry, ULONG propId);

    HMODULE library_;
    IAddrBook* book_;
    IWABObject* object_;
};

std::vector<EntryId> WabLibrary::EntryIds() {
    ULONG idSize = 0;
    Buffer pabId{object_};
    if (FAILED(book_->GetPAB(&idSize, reinterpret_cast<ENTRYID**>(&pabId.data))) || !pabId.data) return {};
    ULONG type = 0;
    Object<IUnknown> opened;
    if (FAILED(book_->OpenEntry(idSize, static_cast<ENTRYID*>(pabId.data), nullptr, 0, &type, &opened.p)) ||
        !opened.p || type != MAPI_ABCONT)
        return {};
    auto* container = reinterpret_cast<IABContainer*>(opened.p);
    Object<IMAPITable> table;
    if (FAILED(container->GetContentsTable(0, &table.p)) || !table.p) return {};
    return Rows(table.p);
}

std::vector<EntryId> WabLibrary::Rows(IMAPITable* table) {
    ULONG count = 0;
    if (FAILED(table->GetRowCount(0, &count))) return {};
    SizedSPropTagArray(1, columns) = {1, {PR_ENTRYID}};
    if (FAILED(table->SetColumns(reinterpret_cast<SPropTagArray*>(&columns), 0))) return {};
    SRowSet* rows = nullptr;
    if (FAILED(table->QueryRows(static_cast<LONG>(count), 0, &rows)) || !rows) return {};
    std::vector<EntryId> ids;
    for (ULONG i = 0; i < rows->cRows; ++i) {
        const SRow& row = rows->aRow[i];
        if (row.cValues >= 1 && row.lpProps && row.lpProps[0].ulPropTag == PR_ENTRYID) {
            const SBinary& bin = row.lpProps[0].Value.bin;
            ids.emplace_back(bin.lpb, bin.lpb + bin.cb);
        }
        if (row.lpProps) object_->FreeBuffer(row.lpProps);
    }
    object_->FreeBuffer(rows);
    return ids;
}

std::optional<std::string> WabLibrary::ReadText(IMAPIProp* entry, ULONG propId) {
    SizedSPropTagArray(1, tags) = {1, {PROP_TAG(PT_STRING8, propId)}};
    ULONG count = 0;
    Buffer values{object_};
    HRESULT result = entry->GetProps(reinterpret_cast<SPropTagArray*>(&tags), 0, &count,
                                     reinterpret_cast<SPropValue**>(&values.data));
    if (FAILED(result) || !values.data || count != 1) return std::nullopt;
    const SPropValue& value = static_cast<SPropValue*>(values.data)[0];
    if (value.ulPropTag != PROP_TAG(PT_STRING8, propId) || !value.Value.lpszA) return std::nullopt;
    return std::string(value.Value.lpszA);
}

std::optional<EntryTexts> WabLibrary::ReadEntry(const EntryId& id) {
    ULONG type = 0;
    Object<IUnknown> opened;
    auto* bytes = reinterpret_cast<ENTRYID*>(const_cast<uint8_t*>(id.data()));
    if (FAILED(book_->OpenEntry(static_cast<ULONG>(id.size()), bytes, nullptr, 0, &type, &opened.p)) || !opened.p)
        return std::nullopt;
    auto* entry = reinterpret_cast<IMAPIProp*>(opened.p);
    EntryTexts texts;
    texts.mobile = ReadText(entry, PROP_ID(PR_MOBILE_TELEPHONE_NUMBER));
    texts.surname = ReadText(entry, PROP_ID(PR_SURNAME));
    texts.givenName = ReadText(entry, PROP_ID(PR_GIVEN_NAME));
    return texts;
}

bool WabLibrary::ShowDetails(void* owner, const EntryId& id) {
    ULONG window = static_cast<ULONG>(reinterpret_cast<ULONG_PTR>(owner));
    auto* bytes = reinterpret_cast<ENTRYID*>(const_cast<uint8_t*>(id.data()));
    HRESULT result = book_->Details(&window, nullptr, nullptr, static_cast<ULONG>(id.size()), bytes, nullptr, nullptr,
                                    nullptr, DIALOG_MODAL);
    return result == S_OK;
}

}  // namespace

std::unique_ptr<Source> OpenAddressBook() {
    HMODULE library = LoadLibraryA(LibraryPath().c_str());
    if (!library) return nullptr;
    auto open = reinterpret_cast<LPWABOPEN>(reinterpret_cast<void*>(GetProcAddress(library, "WABOpen")));
    IAddrBook* book = nullptr;
    IWABObject* object = nullptr;
    if (!open || FAILED(open(&book, &object, nullptr, 0)) || !book || !object) {
        if (book) book->Release();
        if (object) object->Release();
        FreeLibrary(library);
        return nullptr;
    }
    return std::make_unique<WabLibrary>(library, book, object);
}

}  // namespace wab
