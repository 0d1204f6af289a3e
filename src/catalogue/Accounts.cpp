#include "catalogue/Accounts.h"

#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

#include "catalogue/FileLock.h"
#include "shell/FileReplace.h"
#include "script/profile/NumberedKeys.h"
#include "script/profile/ProfileFile.h"

namespace {

constexpr int kMaxAccounts = profile::kLastNumber;
constexpr const char* kAccountStem = "Account";
// Two sends may end at once (the relay's and the user's): renumberings of
// account files by threads of this process go one at a time, and the lock
// file beside the account file keeps other processes out.
std::mutex g_renumbering;

template <class C>
std::basic_string<C> Units(const std::string& ascii) {
    return std::basic_string<C>(ascii.begin(), ascii.end());
}

// The key as the reader finds it (first section of the name, first key of
// the name in it), or null.
template <class C>
profile::document::Key<C>* FindKey(profile::document::Document<C>& doc, const std::string& section, const char* key) {
    size_t s = profile::document::FindSection(doc, Units<C>(section));
    if (s == profile::document::kNone) return nullptr;
    size_t k = profile::document::FindKey(doc.sections[s], Units<C>(key));
    return k == profile::document::kNone ? nullptr : &doc.sections[s].keys[k];
}

// True when a read of the key gives some text (missing and empty are the same).
template <class C>
bool Reads(const profile::document::Key<C>* key) {
    if (!key || !key->hasValue) return false;
    size_t offset = 0, count = 0;
    profile::document::CutForBuffer(key->value, key->value.size() + 2, &offset, &count);
    return count > 0;
}

// An account's two keys as they stand in the file, quotes and all, so that
// each reads back exactly as before, whatever its length.
template <class C>
struct StoredAccount {
    std::basic_string<C> user;
    bool hasPassword = false;
    std::basic_string<C> password;
};

template <class C>
void SetStored(profile::document::Document<C>& doc, const std::string& section, const char* key,
               const std::basic_string<C>& stored) {
    if (profile::document::Key<C>* existing = FindKey(doc, section, key)) {
        existing->value = stored;
        existing->hasValue = true;
        return;
    }
    // The section exists (it has a Username); the key goes at its end.
    profile::document::SetValue(doc, Units<C>(section), Units<C>(key), stored);
}

// Renumbers in memory what the file holds. -1: `number` is not one of the
// accounts; 0: nothing to change; 1: changed.
template <class C>
int Renumber(profile::document::Document<C>& doc, int number) {
    std::vector<StoredAccount<C>> accounts;
    profile::ForEachNumbered({kAccountStem, 1, kMaxAccounts}, [&](int, const std::string& section) {
        const profile::document::Key<C>* user = FindKey(doc, section, "Username");
        if (!Reads(user)) return false;
        StoredAccount<C> account;
        account.user = user->value;
        const profile::document::Key<C>* password = FindKey(doc, section, "Password");
        account.hasPassword = Reads(password);
        if (account.hasPassword) account.password = password->value;
        accounts.push_back(std::move(account));
        return true;
    });
    // An account past a gap is never used, so it is never moved either.
    const int count = static_cast<int>(accounts.size());
    if (number > count) return -1;
    if (number == 1) return 0;
    for (int target = 1; target <= count; ++target) {
        const StoredAccount<C>& from = accounts[static_cast<size_t>((number - 1 + target - 1) % count)];
        std::string section = profile::NumberedName(kAccountStem, target);
        SetStored(doc, section, "Username", from.user);
        // A missing password is written empty (which reads as missing), so
        // a password the slot held before never sticks to another account.
        if (from.hasPassword || FindKey(doc, section, "Password")) {
            SetStored(doc, section, "Password", from.hasPassword ? from.password : std::basic_string<C>());
        }
    }
    return 1;
}

}  // namespace

std::string AccountFilePath(const std::string& definitionPath) {
    static const char kExtension[] = ".ini";
    const size_t n = sizeof kExtension - 1;
    if (definitionPath.size() < n || definitionPath.compare(definitionPath.size() - n, n, kExtension) != 0) {
        return std::string();
    }
    return definitionPath.substr(0, definitionPath.size() - n) + ".sac";
}

int ReadAccount(const std::string& accountFile, int number, AccountCredentials* account) {
    if (accountFile.empty() || number < 1 || number > kMaxAccounts) return -1;
    try {
        // Both keys from one read of the file: a renumbering by another
        // process replaces the file between two reads, and a user name
        // would then get another account's password.
        profile::file::Parsed doc;
        if (profile::file::Load(accountFile.c_str(), doc) != profile::file::LoadResult::Loaded) return -1;
        std::string section = profile::NumberedName(kAccountStem, number);
        std::string user = profile::file::Value(doc, section.c_str(), "Username", kAccountValueSize);
        if (user.empty()) return -1;
        std::string password = profile::file::Value(doc, section.c_str(), "Password", kAccountValueSize);
        if (account) {
            account->user = std::move(user);
            account->password = password.empty() ? std::nullopt : std::optional<std::string>(std::move(password));
        }
        return 0;
    } catch (const std::bad_alloc&) {
        return -1;
    }
}

int RotateAccounts(const std::string& accountFile, int number) {
    if (accountFile.empty() || number < 1 || number > kMaxAccounts) return -1;
    try {
        std::lock_guard<std::mutex> threads(g_renumbering);
        FileLock processes(AccountLockPath(accountFile));
        if (!processes.held()) return -1;
        // Read, renumber in memory, replace the file once: whatever happens
        // on the way, the file is either the old one or the new one.
        profile::file::Parsed doc;
        if (profile::file::Load(accountFile.c_str(), doc) != profile::file::LoadResult::Loaded) return -1;
        int result =
            doc.kind == profile::encoding::Kind::Ansi ? Renumber(doc.ansi, number) : Renumber(doc.wide, number);
        if (result <= 0) return result;
        files::RemoveLeftovers(accountFile);  // of renumberings killed before
        return profile::file::Replace(accountFile.c_str(), doc) ? 0 : -1;
    } catch (const std::bad_alloc&) {
        return -1;
    }
}

std::string AccountLockPath(const std::string& accountFile) { return accountFile + ".lock"; }
