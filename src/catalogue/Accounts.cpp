#include "catalogue/Accounts.h"

#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>

#include "script/Profile.h"

namespace {

constexpr int kMaxAccounts = 255;
// Renumbering moves values whole: a shorter buffer would cut long
// passwords in the file for good.
constexpr size_t kMoveValueSize = 32768;

std::string Section(const char* stem, int number) {
    char name[32];
    std::snprintf(name, sizeof name, "%s%d", stem, number);
    return name;
}

std::string Value(const std::string& file, const std::string& section, const char* key, size_t size) {
    return profile::Read(file.c_str(), section.c_str(), key, size);
}

bool HasUser(const std::string& file, const char* stem, int number) {
    char probe[2];
    return profile::Read(file.c_str(), Section(stem, number).c_str(), "Username", probe, sizeof probe) > 0;
}

// Copies Username and Password from one section to another. A missing
// password is written empty (which reads as missing), so a password the
// target held before never sticks to another account.
bool CopyAccount(const std::string& file, const std::string& from, const std::string& to) {
    std::string user = Value(file, from, "Username", kMoveValueSize);
    std::string password = Value(file, from, "Password", kMoveValueSize);
    return profile::Write(file.c_str(), to.c_str(), "Username", user.c_str()) &&
           profile::Write(file.c_str(), to.c_str(), "Password", password.c_str());
}

bool MoveBack(const std::string& file, int k, int target) {
    std::string temp = Section("Temp", k);
    return CopyAccount(file, temp, Section("Account", target)) && profile::DeleteSection(file.c_str(), temp.c_str());
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
        profile::Snapshot snapshot(accountFile.c_str());   // both keys from one read of the file
        std::string section = Section("Account", number);
        std::string user = Value(accountFile, section, "Username", kAccountValueSize);
        if (user.empty()) return -1;
        std::string password = Value(accountFile, section, "Password", kAccountValueSize);
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
    // Two sends may end at once (the relay's and the user's); a renumbering
    // is many writes through scratch sections, and two of them interleaved
    // lose accounts. One at a time.
    static std::mutex renumbering;
    std::lock_guard<std::mutex> lock(renumbering);
    try {
        int count = 0;
        while (count < kMaxAccounts && HasUser(accountFile, "Account", count + 1)) ++count;
        // An account past a gap is never used, so it is never moved either.
        if (number > count) return -1;
        if (number == 1) return 0;

        for (int k = 1; k <= count; ++k) {
            if (!CopyAccount(accountFile, Section("Account", k), Section("Temp", k))) return -1;
        }
        int target = 1;
        for (int k = number; k <= count; ++k) {
            if (!MoveBack(accountFile, k, target++)) return -1;
        }
        for (int k = 1; k < number; ++k) {
            if (!MoveBack(accountFile, k, target++)) return -1;
        }
        // Scratch sections an earlier, broken renumbering left behind.
        for (int k = count + 1; k <= kMaxAccounts && HasUser(accountFile, "Temp", k); ++k) {
            profile::DeleteSection(accountFile.c_str(), Section("Temp", k).c_str());
        }
        return 0;
    } catch (const std::bad_alloc&) {
        return -1;
    }
}
