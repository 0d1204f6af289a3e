// An account file with values that are easy to damage (quotes, blanks, a
// long password, a missing one, 8-bit bytes), other sections and keys
// that must stay, and a Temp section an older version left behind; and the
// check that a file still holds exactly those accounts, in a rotated order.
#pragma once

#include <fstream>
#include <string>
#include <vector>

#include "script/profile/Profile.h"
#include "script/profile/ProfileFile.h"

namespace torture {

struct Account {
    std::string user;
    std::string password;   // as it reads; "" when missing
};

constexpr size_t kReadSize = 32768;   // the reader's limit: 32767 characters

inline std::vector<Account> FixtureAccounts(size_t longPassword) {
    return {{"anna", " spaced pass "},
            {"bert", std::string(longPassword, 'p')},
            {"carl", ""},
            {"dora", "'x=y; z'"},
            {"emil", "\xF5\xFC \xE4"}};
}

// How each password is written in the file: quoted where its reading
// needs it.
inline std::string FixtureFile(size_t longPassword) {
    std::vector<Account> a = FixtureAccounts(longPassword);
    return "[Info]\r\nNote=keep\r\n"
           "[Account1]\r\nUsername=anna\r\nPassword=\" spaced pass \"\r\n"
           "[Account2]\r\nUsername=bert\r\nExtra=stays\r\nPassword=" + a[1].password + "\r\n"
           "[Account3]\r\nUsername=carl\r\n"
           "[Account4]\r\nUsername=dora\r\nPassword=\"'x=y; z'\"\r\n"
           "[Account5]\r\nUsername=emil\r\nPassword=" + a[4].password + "\r\n"
           "[Temp1]\r\nUsername=orphan\r\nPassword=only copy\r\n";
}

inline void WriteFixture(const std::string& path, size_t longPassword) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << FixtureFile(longPassword);
}

// "" when `file` holds the fixture's accounts in some rotation, with the
// other sections and keys in place; otherwise what is wrong. While other
// processes may replace the file, every key must come from one read of it
// (`keyByKey` false); once they are done, key by key through profile::Read
// checks it with the system's own reader on Windows.
inline std::string CheckFixture(const std::string& file, size_t longPassword, bool keyByKey = false) {
    profile::file::Parsed doc;
    if (!keyByKey && profile::file::Load(file.c_str(), doc) != profile::file::LoadResult::Loaded) return "unreadable";
    auto read = [&](const std::string& section, const char* key) {
        if (keyByKey) return profile::Read(file.c_str(), section.c_str(), key, kReadSize);
        return profile::file::Value(doc, section.c_str(), key, kReadSize);
    };
    const std::vector<Account> expected = FixtureAccounts(longPassword);
    std::vector<Account> found;
    for (int n = 1; n <= 6; ++n) {
        std::string section = "Account" + std::to_string(n);
        std::string user = read(section, "Username");
        if (user.empty()) break;
        found.push_back({user, read(section, "Password")});
    }
    if (found.size() != expected.size()) return "found " + std::to_string(found.size()) + " accounts";
    size_t shift = 0;
    while (shift < expected.size() && expected[shift].user != found[0].user) ++shift;
    for (size_t i = 0; i < expected.size(); ++i) {
        const Account& e = expected[(shift + i) % expected.size()];
        if (found[i].user != e.user || found[i].password != e.password) {
            return "Account" + std::to_string(i + 1) + " reads " + found[i].user + " with a password of " +
                   std::to_string(found[i].password.size()) + " bytes";
        }
    }
    if (read("Info", "Note") != "keep") return "[Info] changed";
    if (read("Account2", "Extra") != "stays") return "Extra left Account2";
    if (read("Temp1", "Username") != "orphan" || read("Temp1", "Password") != "only copy") return "[Temp1] changed";
    if (!read("Temp2", "Username").empty()) return "a Temp2 section appeared";
    return "";
}

}  // namespace torture
