#include "send/OutboxPlace.h"

#include <cstdio>

#include "send/Outbox.h"
#include "shell/FileReplace.h"
#include "shell/HostLink.h"
#include "shell/Log.h"

namespace outbox {
namespace {

constexpr const char* kSharedName = "parlet-outbox.txt";
constexpr size_t kHostTextSize = 260;
constexpr const char* kClaimSuffix = ".adopting";

#ifdef _WIN32
constexpr const char* kSeparator = "\\";
#else
constexpr const char* kSeparator = "/";
#endif

// A text the host writes into a buffer of ours; empty when it gives none.
std::string HostText(const char* service) {
    char text[kHostTextSize] = "";
    host::Word result =
        host::CallService(service, static_cast<host::Word>(sizeof text), reinterpret_cast<host::Word>(text));
    text[sizeof text - 1] = '\0';
    return result == 0 ? std::string(text) : std::string();
}

// The profile's name without the extension of its database file ("test.dat").
std::string ProfileStem() {
    std::string name = HostText("DB/GetProfileName");
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return name;
}

bool FileExists(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f) std::fclose(f);
    return f != nullptr;
}

// Adds every message of the claimed file to the outbox under new ids, then
// removes the claim; a kill between the two adds them again at the next
// start: a message may be kept twice, never lost.
void AddClaim(const std::string& claim, const std::string& own) {
    if (!FileExists(own) && files::MoveNoReplace(claim, own)) return;
    Contents claimed = OutboxFile(claim).Read();
    bool added = OutboxFile(own).Change([&](Contents& c) {
        for (const Message& m : claimed.messages) c.Add(m);
        return !claimed.messages.empty();
    });
    if (!added) return;  // the claim stays for the next start
    std::remove(claim.c_str());
    std::remove((claim + ".lock").c_str());
    WriteLog(" - outbox: %u messages of %s added to %s\n", static_cast<unsigned>(claimed.messages.size()),
             claim.c_str(), own.c_str());
}

}  // namespace

std::string PluginOutboxPath() {
    std::string folder = HostText("DB/GetProfilePath");
    if (folder.empty()) return kSharedName;
    std::string stem = ProfileStem();
    if (stem.empty()) return folder + kSeparator + kSharedName;
    return folder + kSeparator + "parlet-outbox-" + stem + ".txt";
}

std::string SharedOutboxPath() {
    std::string folder = HostText("DB/GetProfilePath");
    if (folder.empty() || ProfileStem().empty()) return std::string();
    return folder + kSeparator + kSharedName;
}

void AdoptSharedOutbox() {
    const std::string shared = SharedOutboxPath();
    if (shared.empty()) return;
    const std::string own = PluginOutboxPath();
    const std::string claim = own + kClaimSuffix;
    if (FileExists(claim)) AddClaim(claim, own);
    if (!FileExists(shared) || !files::MoveNoReplace(shared, claim)) return;
    WriteLog(" - outbox: the shared %s taken over by this profile\n", shared.c_str());
    AddClaim(claim, own);
}

}  // namespace outbox
