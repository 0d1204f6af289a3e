#include "shell/PhoneAccount.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "shell/Guard.h"
#include "shell/HostRecords.h"
#include "shell/Settings.h"

namespace plugin {
namespace {

using host::Word;

constexpr const char* kAccountName = "Parlet SMS";  // the protocol's name in the host's lists

// No capability, no status mode, no unique id: the host's status menus and
// its status bar leave out a protocol without status modes.
Word GetCapsService(Word, Word) { return 0; }

Word GetNameService(Word wParam, Word lParam) {
    return Guarded<Word>(1, [&] {
        auto* buffer = reinterpret_cast<char*>(lParam);
        if (!buffer || wParam <= 0) return Word{1};
        size_t room = static_cast<size_t>(wParam) - 1;
        size_t length = std::min(room, std::strlen(kAccountName));
        std::memcpy(buffer, kAccountName, length);
        buffer[length] = '\0';
        return Word{0};
    });
}

Word LoadIconService(Word, Word) { return 0; }

Word GetStatusService(Word, Word) { return host::kStatusOffline; }

}  // namespace

void RegisterPhoneAccount(std::vector<host::Handle>& services) {
    const std::string module = settings::kNetModule;
    const struct {
        const char* suffix;
        host::ServiceProc proc;
    } table[] = {{host::kProtoGetCaps, GetCapsService},
                 {host::kProtoGetName, GetNameService},
                 {host::kProtoLoadIcon, LoadIconService},
                 {host::kProtoGetStatus, GetStatusService}};
    for (const auto& entry : table)
        if (host::Handle service = host::CreateService((module + entry.suffix).c_str(), entry.proc))
            services.push_back(service);
    host::ProtocolDescriptor descriptor{host::kProtocolDescriptorSize, settings::kNetModule, host::kProtoTypeProtocol};
    host::CallService("Proto/RegisterModule", 0, reinterpret_cast<Word>(&descriptor));
}

}  // namespace plugin
