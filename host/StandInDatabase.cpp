// The stand-in's database: contacts in creation order and typed settings,
// global (contact 0) or per contact, through the "DB/Contact/..." services.
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "StandInInternal.h"

namespace standin {
namespace {

using host::Word;
using detail::ContactHandle;
using detail::ContactId;
using detail::SettingKey;

std::mutex g_dbMutex;
detail::DatabaseImage g_db;
uintptr_t g_nextContact = 1;
// Texts lent out by GetSetting; FreeVariant takes them back.
std::set<char*> g_variants;
int g_foreignFrees = 0;
int g_settingReads = 0;

// Callers hold g_dbMutex.
bool Exists(uintptr_t id) { return id == 0 || g_db.contacts.count(id) != 0; }

void EraseContactSettings(uintptr_t id) {
    auto first = g_db.settings.lower_bound(SettingKey{id, "", ""});
    auto last = g_db.settings.lower_bound(SettingKey{id + 1, "", ""});
    g_db.settings.erase(first, last);
}

bool Store(host::Contact contact, const char* module, const char* name, const Setting& value) {
    if (!module || !name) return false;
    std::lock_guard<std::mutex> lock(g_dbMutex);
    if (!Exists(ContactId(contact))) return false;
    g_db.settings[SettingKey{ContactId(contact), module, name}] = value;
    return true;
}

host::Contact NewContact() {
    uintptr_t id;
    {
        std::lock_guard<std::mutex> lock(g_dbMutex);
        id = g_nextContact++;
        g_db.contacts.insert(id);
    }
    NotifyEvent("DB/Contact/Added", static_cast<Word>(id), 0);
    return ContactHandle(id);
}

bool RemoveContact(host::Contact contact) {
    uintptr_t id = ContactId(contact);
    {
        std::lock_guard<std::mutex> lock(g_dbMutex);
        if (id == 0 || !g_db.contacts.count(id)) return false;
    }
    // The host tells its modules before the contact goes.
    NotifyEvent("DB/Contact/Deleted", static_cast<Word>(id), 0);
    std::lock_guard<std::mutex> lock(g_dbMutex);
    if (!g_db.contacts.erase(id)) return false;
    EraseContactSettings(id);
    return true;
}

// --- services -----------------------------------------------------------------------

Word GetSettingService(Word wParam, Word lParam) {
    auto* request = reinterpret_cast<host::DbGetSetting*>(lParam);
    if (!request || !request->module || !request->setting || !request->value) return 1;
    host::DbVariant& out = *request->value;
    std::lock_guard<std::mutex> lock(g_dbMutex);
    ++g_settingReads;
    auto it =
        g_db.settings.find(detail::SettingKeyView{static_cast<uintptr_t>(wParam), request->module, request->setting});
    if (it == g_db.settings.end()) {
        out.type = host::kDbDeleted;
        return 1;
    }
    const Setting& s = it->second;
    switch (s.type) {
    case host::kDbByte: out.bVal = static_cast<uint8_t>(s.number); break;
    case host::kDbWord: out.wVal = static_cast<uint16_t>(s.number); break;
    case host::kDbDword: out.dVal = s.number; break;
    case host::kDbText: {
        char* copy = static_cast<char*>(std::malloc(s.text.size() + 1));
        if (!copy) return 1;
        std::memcpy(copy, s.text.data(), s.text.size());
        copy[s.text.size()] = '\0';
        g_variants.insert(copy);
        out.pszVal = copy;
        out.cchVal = static_cast<uint16_t>(s.text.size() > 0xFFFF ? 0xFFFF : s.text.size());
        break;
    }
    default: return 1;
    }
    out.type = s.type;
    return 0;
}

Word FreeVariantService(Word, Word lParam) {
    auto* value = reinterpret_cast<host::DbVariant*>(lParam);
    if (!value) return 1;
    if (value->type != host::kDbText || !value->pszVal) return 0;
    std::lock_guard<std::mutex> lock(g_dbMutex);
    auto it = g_variants.find(value->pszVal);
    if (it == g_variants.end()) {
        ++g_foreignFrees;  // not ours: freeing it would corrupt the heap
    } else {
        std::free(*it);
        g_variants.erase(it);
    }
    value->pszVal = nullptr;
    return 0;
}

Word WriteSettingService(Word wParam, Word lParam) {
    auto* request = reinterpret_cast<const host::DbWriteSetting*>(lParam);
    if (!request) return 1;
    Setting value{request->value.type, 0, {}};
    switch (request->value.type) {
    case host::kDbByte: value.number = request->value.bVal; break;
    case host::kDbWord: value.number = request->value.wVal; break;
    case host::kDbDword: value.number = request->value.dVal; break;
    case host::kDbText:
        if (!request->value.pszVal) return 1;
        value.text = request->value.pszVal;
        break;
    default: return 1;
    }
    return Store(reinterpret_cast<host::Contact>(wParam), request->module, request->setting, value) ? 0 : 1;
}

Word DeleteSettingService(Word wParam, Word lParam) {
    auto* request = reinterpret_cast<const host::DbGetSetting*>(lParam);
    if (!request || !request->module || !request->setting) return 1;
    std::lock_guard<std::mutex> lock(g_dbMutex);
    return g_db.settings.erase(SettingKey{static_cast<uintptr_t>(wParam), request->module, request->setting}) ? 0 : 1;
}

Word FindFirstService(Word, Word) {
    std::lock_guard<std::mutex> lock(g_dbMutex);
    return g_db.contacts.empty() ? 0 : static_cast<Word>(*g_db.contacts.begin());
}

// The contact after `previous` in database order, even when `previous` has
// just been deleted, so a walk may delete the contact it stands on.
Word FindNextService(Word wParam, Word) {
    std::lock_guard<std::mutex> lock(g_dbMutex);
    auto it = g_db.contacts.upper_bound(static_cast<uintptr_t>(wParam));
    return it == g_db.contacts.end() ? 0 : static_cast<Word>(*it);
}

Word GetCountService(Word, Word) {
    std::lock_guard<std::mutex> lock(g_dbMutex);
    return static_cast<Word>(g_db.contacts.size());
}

Word AddContactService(Word, Word) { return reinterpret_cast<Word>(NewContact()); }

Word DeleteContactService(Word wParam, Word) { return RemoveContact(reinterpret_cast<host::Contact>(wParam)) ? 0 : 1; }

}  // namespace

namespace detail {

void ResetDatabase() {
    {
        std::lock_guard<std::mutex> lock(g_dbMutex);
        g_db = DatabaseImage{};
        g_nextContact = 1;
        // Texts still lent out are the plug-in's leak; keep them valid.
        g_variants.clear();
        g_foreignFrees = 0;
        g_settingReads = 0;
    }
    AddService("DB/Contact/GetSetting", GetSettingService);
    AddService("DB/Contact/FreeVariant", FreeVariantService);
    AddService("DB/Contact/WriteSetting", WriteSettingService);
    AddService("DB/Contact/DeleteSetting", DeleteSettingService);
    AddService("DB/Contact/FindFirst", FindFirstService);
    AddService("DB/Contact/FindNext", FindNextService);
    AddService("DB/Contact/GetCount", GetCountService);
    AddService("DB/Contact/Add", AddContactService);
    AddService("DB/Contact/Delete", DeleteContactService);
}

bool ContactExists(host::Contact contact) {
    std::lock_guard<std::mutex> lock(g_dbMutex);
    return Exists(ContactId(contact));
}

std::optional<std::string> ReadText(host::Contact contact, const char* module, const char* name) {
    auto s = GetSetting(contact, module, name);
    if (!s || s->type != host::kDbText) return std::nullopt;
    return s->text;
}

DatabaseImage SnapshotDatabase() {
    std::lock_guard<std::mutex> lock(g_dbMutex);
    return g_db;
}

void ReplaceDatabase(DatabaseImage&& image) {
    std::lock_guard<std::mutex> lock(g_dbMutex);
    g_db = std::move(image);
    g_nextContact = g_db.contacts.empty() ? 1 : *g_db.contacts.rbegin() + 1;
}

}  // namespace detail

host::Contact AddContact() { return NewContact(); }

bool DeleteContact(host::Contact contact) { return RemoveContact(contact); }

std::vector<host::Contact> Contacts() {
    std::lock_guard<std::mutex> lock(g_dbMutex);
    std::vector<host::Contact> out;
    for (uintptr_t id : g_db.contacts) out.push_back(ContactHandle(id));
    return out;
}

void SetByte(host::Contact contact, const char* module, const char* name, uint8_t value) {
    Store(contact, module, name, Setting{host::kDbByte, value, {}});
}

void SetWord(host::Contact contact, const char* module, const char* name, uint16_t value) {
    Store(contact, module, name, Setting{host::kDbWord, value, {}});
}

void SetDword(host::Contact contact, const char* module, const char* name, uint32_t value) {
    Store(contact, module, name, Setting{host::kDbDword, value, {}});
}

void SetText(host::Contact contact, const char* module, const char* name, const std::string& value) {
    Store(contact, module, name, Setting{host::kDbText, 0, value});
}

void DeleteSetting(host::Contact contact, const char* module, const char* name) {
    if (!module || !name) return;
    std::lock_guard<std::mutex> lock(g_dbMutex);
    g_db.settings.erase(SettingKey{ContactId(contact), module, name});
}

std::optional<Setting> GetSetting(host::Contact contact, const char* module, const char* name) {
    if (!module || !name) return std::nullopt;
    std::lock_guard<std::mutex> lock(g_dbMutex);
    auto it = g_db.settings.find(detail::SettingKeyView{ContactId(contact), module, name});
    if (it == g_db.settings.end()) return std::nullopt;
    return it->second;
}

int OutstandingVariants() {
    std::lock_guard<std::mutex> lock(g_dbMutex);
    return static_cast<int>(g_variants.size());
}

int ForeignFrees() {
    std::lock_guard<std::mutex> lock(g_dbMutex);
    return g_foreignFrees;
}

int SettingReads() {
    std::lock_guard<std::mutex> lock(g_dbMutex);
    return g_settingReads;
}

}  // namespace standin
