#include "CommandSupport.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "Destination.h"
#include "StandIn.h"
#include "catalogue/Accounts.h"
#include "catalogue/Catalogue.h"
#include "catalogue/FolderListing.h"
#include "catalogue/GatewayFolder.h"
#include "script/profile/Profile.h"
#include "shell/Log.h"
#include "shell/Settings.h"
#include "shell/UserMessage.h"
#include "transport/Http.h"

namespace {

void PrintBox(const char* text, void*) { std::fprintf(stderr, "parlet: %s\n", text); }

}  // namespace

const char* LogText(const char* entry) {
    constexpr size_t kStamp = 28;  // the ctime layout and four blanks
    return std::strlen(entry) >= kStamp ? entry + kStamp : entry;
}

void EchoLog(const char* entry, void*) {
    std::fputs(LogText(entry), stderr);
    std::fflush(stderr);
}

std::string ShownText(const std::string& text, bool keepBreaks) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool kept = keepBreaks && (c == '\n' || c == '\t');
        if ((byte < 0x20 || byte == 0x7F) && !kept) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out;
}

bool ChooseAccount(const std::string& path, int account, Credentials* credentials) {
    *credentials = Credentials{};
    const std::string accountFile = AccountFilePath(path);
    AccountCredentials found;
    const int number = account > 0 ? account : 1;
    if (!accountFile.empty() && ReadAccount(accountFile, number, &found) == 0) {
        credentials->user = found.user;
        credentials->password = found.password;
        std::fprintf(stderr, "parlet: account %d of %s (user %s)\n", number, accountFile.c_str(), found.user.c_str());
        return true;
    }
    if (account > 0) {
        std::FILE* file = accountFile.empty() ? nullptr : std::fopen(accountFile.c_str(), "rb");
        if (file) std::fclose(file);
        if (accountFile.empty()) {
            std::fprintf(stderr, "parlet: --account %d: only a file whose name ends in .ini has an account file\n",
                         account);
        } else if (!file) {
            std::fprintf(stderr, "parlet: --account %d: there is no account file %s\n", account, accountFile.c_str());
        } else {
            std::fprintf(stderr, "parlet: %s has no account %d (no [Account%d] with a Username)\n", accountFile.c_str(),
                         account, account);
        }
        return false;
    }
    const std::string name = profile::Read(path.c_str(), "Gateway", "Username", kFieldLimit + 1);
    const std::string pass = profile::Read(path.c_str(), "Gateway", "Password", kFieldLimit + 1);
    if (!name.empty()) credentials->user = name;
    if (!pass.empty()) credentials->password = pass;
    if (name.empty()) {
        std::fprintf(stderr, "parlet: no account and no [Gateway] Username: $User and $Pass stay empty\n");
    } else {
        std::fprintf(stderr, "parlet: the [Gateway] Username and Password (user %s)\n", name.c_str());
    }
    return true;
}

std::string Absolute(const std::string& path) {
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return ec ? path : absolute.lexically_normal().string();
}

std::string FolderText(const std::string& folder) {
    std::string text = Absolute(folder);
    while (text.size() > 1 && (text.back() == '/' || text.back() == '\\')) text.pop_back();
    return text;
}

bool Encoded(const charset::Charset& encoding, const char* what, const std::string& utf8, std::string* out) {
    charset::Unfit unfit;
    if (encoding.Encode(utf8, out, &unfit)) return true;
    if (unfit.codePoint == 0) {
        std::fprintf(stderr, "parlet: the %s holds the byte %s at byte %zu, which is not UTF-8\n", what,
                     unfit.character.c_str(), unfit.offset + 1);
    } else {
        std::fprintf(stderr, "parlet: the %s holds \"%s\" (U+%04X) at byte %zu, which %s cannot hold\n", what,
                     unfit.character.c_str(), static_cast<unsigned>(unfit.codePoint), unfit.offset + 1,
                     encoding.name().c_str());
    }
    return false;
}

std::optional<charset::Charset> ChosenCharset(const std::string& name) {
    if (name.empty()) return charset::Charset::Default();
    std::optional<charset::Charset> found = charset::Charset::Find(name);
    if (!found) std::fprintf(stderr, "parlet: unknown or unusable charset %s\n", name.c_str());
    return found;
}

bool FieldTooLong(const char* what, const std::string& value) {
    if (value.size() <= kFieldLimit) return false;
    std::fprintf(stderr, "parlet: the %s is %zu bytes long; at most %zu fit\n", what, value.size(), kFieldLimit);
    return true;
}

bool FolderGiven(const std::string& folder) {
    if (catalogue::platform::FolderExists(folder)) return true;
    std::fprintf(stderr, "parlet: there is no folder %s\n", folder.c_str());
    return false;
}

bool FileGiven(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f) std::fclose(f);
    if (f && !catalogue::platform::FolderExists(path)) return true;
    std::fprintf(stderr, "parlet: there is no file %s\n", path.c_str());
    return false;
}

int LoadCatalogue(const std::string& folder) {
    std::string text = FolderText(folder);
    if (text.size() > catalogue::kMaxFolderLength) {
        std::fprintf(stderr, "parlet: the folder path is longer than %zu characters\n", catalogue::kMaxFolderLength);
        return -1;
    }
    SetGatewayFolder(text);
    if (CreateCatalogue() != 0) {
        std::fprintf(stderr, "parlet: out of memory while reading the gateway folder\n");
        return -1;
    }
    // Said in the command line's words; the scan would tell the plug-in's
    // user to check the options dialog.
    if (catalogue::ListDefinitionFiles(text).empty()) {
        std::fprintf(stderr, "parlet: %s holds no gateway files (*.ini)\n", text.c_str());
        return 0;
    }
    if (ScanGateways() != 0) {
        std::fprintf(stderr, "parlet: out of memory while reading the gateway folder\n");
        return -1;
    }
    return 0;
}

// Prefix and number given apart: digits only, caught before any gateway is tried.
bool DestinationUsable(const std::string& prefix, const std::string& number) {
    if (!destination::AllDigits(prefix)) {
        std::fprintf(stderr,
                     prefix.empty() ? "parlet: the prefix is empty\n"
                                    : "parlet: the prefix \"%s\" must be digits only (43, not +43)\n",
                     prefix.c_str());
        return false;
    }
    if (!destination::AllDigits(number)) {
        std::fprintf(stderr,
                     number.empty() ? "parlet: the number is empty\n"
                                    : "parlet: the number \"%s\" must be digits only (--to takes a formatted number)\n",
                     number.c_str());
        return false;
    }
    return true;
}

bool MessageUsable(const std::string& message) {
    if (!message.empty()) return !FieldTooLong("message", message);
    std::fprintf(stderr, "parlet: the message is empty\n");
    return false;
}

HostSession::HostSession(std::string settingsFile) : settingsFile_(std::move(settingsFile)) {
    standin::Reset();
    static const usermsg::Interceptor kToStderr = {PrintBox, nullptr, nullptr};
    usermsg::SetInterceptor(&kToStderr);
    // As the plug-in's start does last: bind the system's Internet library.
    transport::LoadWinInet();
    std::string error;
    if (!settingsFile_.empty() && !standin::LoadDatabase(settingsFile_, &error)) {
        std::fprintf(stderr, "parlet: cannot read the settings file %s\n", error.c_str());
        ok_ = false;
    }
}

HostSession::~HostSession() {
    CloseLog();
    FreeCatalogue();
    usermsg::SetInterceptor(nullptr);
}

void ApplySplitOptions(bool splitGiven, int split, bool numberParts) {
    if (splitGiven) {
        settings::WriteDword("OnTooLong", settings::kSplitLongMessages);
        settings::WriteWord("SplitNumber", static_cast<uint16_t>(split));
    } else {
        settings::WriteDword("OnTooLong", settings::kCutLongMessages);
    }
    if (numberParts) settings::WriteByte("NumberMsgs", 1);
}
