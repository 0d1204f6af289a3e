#include "Commands.h"

#include <cstdio>
#include <filesystem>
#include <string>

#include "ConsoleControls.h"
#include "Lint.h"
#include "StandIn.h"
#include "catalogue/Catalogue.h"
#include "catalogue/GatewayFolder.h"
#include "catalogue/PrefixTable.h"
#include "script/Profile.h"
#include "script/Runner.h"
#include "send/SendJob.h"
#include "shell/Log.h"
#include "shell/Settings.h"
#include "shell/UserMessage.h"
#include "transport/Http.h"

namespace {

constexpr size_t kFieldLimit = 1023;

void PrintBox(const char* text, void*) { std::fprintf(stderr, "parlet: %s\n", text); }

// Log entries on standard error, without their time stamps, as they happen.
void EchoLog(const char* entry, void*) {
    constexpr size_t kStamp = 28;   // the ctime layout and four blanks
    std::string text(entry);
    std::fputs(text.size() >= kStamp ? text.c_str() + kStamp : text.c_str(), stderr);
    std::fflush(stderr);
}

std::string Absolute(const std::string& path) {
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return ec ? path : absolute.lexically_normal().string();
}

// Strips a trailing separator so that joined paths stay clean.
std::string FolderText(const std::string& folder) {
    std::string text = Absolute(folder);
    while (text.size() > 1 && (text.back() == '/' || text.back() == '\\')) text.pop_back();
    return text;
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

}  // namespace

HostSession::HostSession(std::string settingsFile) : settingsFile_(std::move(settingsFile)) {
    standin::Reset();
    static const usermsg::Interceptor kToStderr = {PrintBox, nullptr, nullptr};
    usermsg::SetInterceptor(&kToStderr);
    // As the plug-in's start does last: bind the system's Internet library.
    transport::LoadWinInet();
    if (!settingsFile_.empty() && std::filesystem::exists(settingsFile_)) {
        if (!standin::LoadDatabase(settingsFile_)) {
            std::fprintf(stderr, "parlet: cannot read the settings file %s\n", settingsFile_.c_str());
            ok_ = false;
        }
    }
}

HostSession::~HostSession() {
    CloseLog();
    FreeCatalogue();
    usermsg::SetInterceptor(nullptr);
}

int SendCommand(const SendOptions& o) {
    if (FieldTooLong("message", o.message) || FieldTooLong("number", o.number)) return kExitUsage;
    // The options stand in for the options page, for this run only.
    if (!o.sender.empty()) settings::WriteText("SenderNumber", o.sender);
    if (o.splitGiven) {
        settings::WriteDword("OnTooLong", settings::kSplitLongMessages);
        settings::WriteWord("SplitNumber", static_cast<uint16_t>(o.split));
    } else {
        settings::WriteDword("OnTooLong", settings::kCutLongMessages);
    }
    if (o.numberParts) settings::WriteByte("NumberMsgs", 1);
    if (!o.log.empty()) {
        settings::WriteByte("DoLog", 1);
        settings::WriteText("Logfile", Absolute(o.log));
    }
    if (o.verbose) {
        settings::WriteByte("Verbose", 1);
        logging::SetObserver(EchoLog, nullptr);
    }
    if (LoadCatalogue(o.gateways) != 0) return kExitFailed;
    if (CountGateways() == 0) {
        std::fprintf(stderr, "parlet: no usable gateway in %s\n", o.gateways.c_str());
    }

    ConsoleControls controls(o.prefix, o.number, o.message, stderr);
    if (!controls.PrefixListed()) {
        std::fprintf(stderr, "parlet: no gateway in %s lists the prefix %s\n", o.gateways.c_str(), o.prefix.c_str());
    }
    std::atomic<int> abortFlag{0};
    SendRequest request;
    request.dialog = &controls;
    request.abortFlag = &abortFlag;
    SendJob(request);
    logging::SetObserver(nullptr, nullptr);

    std::printf("%s\n", controls.Status().c_str());
    bool sent = controls.Status() == sendtext::kSent;
    // Split parts that went out each left the rest in the message field; when
    // as many went out as --split allows, that rest was never sent.
    if (sent && o.splitGiven && controls.MessageWrites() >= o.split && !controls.Message().empty()) {
        std::printf("not sent (more parts than --split allows): %s\n", controls.Message().c_str());
    }
    return sent ? kExitOk : kExitFailed;
}

int RunCommand(const RunOptions& o) {
    logging::SetObserver(EchoLog, nullptr);
    std::string path = Absolute(o.file);
    script::SmsMessage message{};
    message.prefix = o.prefix.c_str();
    message.number = o.number.c_str();
    message.text = o.message.c_str();
    message.sender = o.senderGiven ? o.sender.c_str() : nullptr;
    ConsoleProgress progress(stderr);
    int result = script::RunGateway(path.c_str(), o.userGiven ? o.user.c_str() : nullptr,
                                    o.passwordGiven ? o.password.c_str() : nullptr, &message, &progress, nullptr);
    progress.Finish();
    logging::SetObserver(nullptr, nullptr);
    std::printf("result %d (%s)\n", result, result == script::result::kSent ? "sent" : "failed");
    return result == script::result::kSent ? kExitOk : kExitFailed;
}

int GatewaysCommand(const std::string& folder) {
    if (LoadCatalogue(folder) != 0) return kExitFailed;
    std::vector<GatewayView> list = ListGateways();
    if (list.empty()) {
        std::printf("no gateways\n");
        return kExitOk;
    }
    std::printf("%-4s %-7s %-24s %-24s %s\n", "pos", "enabled", "file", "name", "prefixes");
    int position = 1;
    for (const GatewayView& g : list) {
        std::string name = profile::Read(g.path.c_str(), "Gateway", "Name", 1024);
        // Exactly the prefixes the catalogue gathered from this file.
        std::string prefixes;
        for (const std::string& value : ReadPrefixList(g.path).values) {
            if (!prefixes.empty()) prefixes += " ";
            prefixes += value.substr(0, value.find(';'));
        }
        std::printf("%-4d %-7s %-24s %-24s %s\n", position++, g.enabled ? "yes" : "no", g.name.c_str(),
                    name.empty() ? "(no Name)" : name.c_str(), prefixes.c_str());
    }
    return kExitOk;
}

int CheckCommand(const std::string& path) {
    std::vector<lint::Finding> findings = lint::CheckPath(path);
    int errors = 0, warnings = 0;
    for (const lint::Finding& f : findings) {
        std::printf("%s\n", lint::Format(f).c_str());
        (f.severity == lint::Severity::Error ? errors : warnings)++;
    }
    std::printf("%d error%s, %d warning%s\n", errors, errors == 1 ? "" : "s", warnings, warnings == 1 ? "" : "s");
    return errors > 0 ? kExitFailed : kExitOk;
}
