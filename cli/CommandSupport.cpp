#include "CommandSupport.h"

#include <cstdio>
#include <filesystem>

#include "Destination.h"
#include "StandIn.h"
#include "catalogue/Catalogue.h"
#include "catalogue/GatewayFolder.h"
#include "shell/Log.h"
#include "shell/Settings.h"
#include "shell/UserMessage.h"
#include "transport/Http.h"

namespace {

void PrintBox(const char* text, void*) { std::fprintf(stderr, "parlet: %s\n", text); }

}  // namespace

void EchoLog(const char* entry, void*) {
    constexpr size_t kStamp = 28;  // the ctime layout and four blanks
    std::string text(entry);
    std::fputs(text.size() >= kStamp ? text.c_str() + kStamp : text.c_str(), stderr);
    std::fflush(stderr);
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

int LoadCatalogue(const std::string& folder) {
    std::string text = FolderText(folder);
    if (text.size() > catalogue::kMaxFolderLength) {
        std::fprintf(stderr, "parlet: the folder path is longer than %zu characters\n", catalogue::kMaxFolderLength);
        return -1;
    }
    SetGatewayFolder(text);
    if (CreateCatalogue() != 0 || ScanGateways() != 0) {
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
