#include "Commands.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "ConsoleControls.h"
#include "Destination.h"
#include "Lint.h"
#include "StandIn.h"
#include "catalogue/Accounts.h"
#include "catalogue/Catalogue.h"
#include "catalogue/GatewayFolder.h"
#include "catalogue/PrefixTable.h"
#include "script/profile/Profile.h"
#include "script/Runner.h"
#include "send/Charset.h"
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

// Strips a trailing separator so that joined paths stay clean.
std::string FolderText(const std::string& folder) {
    std::string text = Absolute(folder);
    while (text.size() > 1 && (text.back() == '/' || text.back() == '\\')) text.pop_back();
    return text;
}

// The text of an option in the charset the provider gets; false, with a
// message naming the first character that does not fit, when it cannot.
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

// The charset named by --charset, or the default; none (with a message)
// when the name is unknown.
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

// The log file must take entries before the send starts, and its name must
// fit whole: the log would otherwise be lost, or written under a cut name.
bool LogUsable(const std::string& path) {
    if (path.size() > logging::kMaxNameLength) {
        std::fprintf(stderr, "parlet: the log path is %zu characters long; at most %zu fit\n", path.size(),
                     logging::kMaxNameLength);
        return false;
    }
    std::FILE* f = std::fopen(path.c_str(), "a");
    if (!f) {
        std::fprintf(stderr, "parlet: cannot open the log %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    std::fclose(f);
    return true;
}

// The digit prefixes of the catalogue's table, for --to.
std::vector<std::string> ServedPrefixes() {
    std::shared_ptr<const PrefixTable> table = CurrentPrefixTable();
    std::vector<std::string> served;
    for (size_t i = 0; i < table->Count(); ++i) served.push_back(table->Entry(i));
    return served;
}

// What the job left unsent: the rest after split parts, or what cut mode
// dropped. Empty when the message went out whole or not at all.
std::string Unsent(ConsoleControls& controls, const SendOptions& o) {
    if (controls.PartsSent() == 0) return {};
    bool sent = controls.Status() == sendtext::kSent;
    if (!sent || controls.LastSentWasSplitPart()) return controls.Message();
    // Cut mode: the message as the job read it, against what went out.
    std::string whole = controls.ReadMessageForSend();
    if (!o.splitGiven && controls.LastSentText().size() < whole.size())
        return whole.substr(controls.LastSentText().size());
    return {};
}

}  // namespace

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

int SendCommand(const SendOptions& options) {
    std::optional<charset::Charset> encoding = ChosenCharset(options.charset);
    if (!encoding) return kExitUsage;
    SendOptions o = options;  // the texts in that charset
    if (!Encoded(*encoding, "message", options.message, &o.message) ||
        !Encoded(*encoding, "number", options.number, &o.number) || !Encoded(*encoding, "number", options.to, &o.to) ||
        !Encoded(*encoding, "prefix", options.prefix, &o.prefix) ||
        !Encoded(*encoding, "sender", options.sender, &o.sender)) {
        return kExitUsage;
    }
    if (!MessageUsable(o.message) || FieldTooLong("number", o.number) || FieldTooLong("number", o.to))
        return kExitUsage;
    if (o.to.empty() && !DestinationUsable(o.prefix, o.number)) return kExitUsage;
    std::string log = o.log.empty() ? std::string() : Absolute(o.log);
    if (!log.empty() && !LogUsable(log)) return kExitUsage;
    // The options stand in for the options page, for this run only.
    if (!o.sender.empty()) settings::WriteText("SenderNumber", o.sender);
    if (o.splitGiven) {
        settings::WriteDword("OnTooLong", settings::kSplitLongMessages);
        settings::WriteWord("SplitNumber", static_cast<uint16_t>(o.split));
    } else {
        settings::WriteDword("OnTooLong", settings::kCutLongMessages);
    }
    if (o.numberParts) settings::WriteByte("NumberMsgs", 1);
    if (!log.empty()) {
        settings::WriteByte("DoLog", 1);
        settings::WriteText("Logfile", log);
    }
    if (o.verbose) {
        settings::WriteByte("Verbose", 1);
        logging::SetObserver(EchoLog, nullptr);
    }
    if (LoadCatalogue(o.gateways) != 0) return kExitFailed;
    if (CountGateways() == 0) {
        std::fprintf(stderr, "parlet: no usable gateway in %s\n", o.gateways.c_str());
    }
    destination::Split to{o.prefix, o.number};
    if (!o.to.empty()) {
        std::string error;
        if (!destination::SplitInternational(o.to, ServedPrefixes(), &to, &error)) {
            std::fprintf(stderr, "parlet: %s\n", error.c_str());
            return kExitUsage;
        }
        std::fprintf(stderr, "parlet: %s is prefix %s, number %s\n", o.to.c_str(), to.prefix.c_str(),
                     to.number.c_str());
    }

    ConsoleControls controls(to.prefix, to.number, o.message, *encoding, stderr);
    if (!controls.PrefixListed()) {
        std::fprintf(stderr, "parlet: no gateway in %s lists the prefix %s\n", o.gateways.c_str(), to.prefix.c_str());
    }
    std::atomic<int> abortFlag{0};
    SendRequest request;
    request.dialog = &controls;
    request.abortFlag = &abortFlag;
    SendJob(request);
    logging::SetObserver(nullptr, nullptr);

    std::printf("%s\n", controls.Status().c_str());
    std::string unsent = Unsent(controls, o);
    if (!unsent.empty()) {
        std::fprintf(stderr, "parlet: sent in part; not sent: %s\n", encoding->Decode(unsent).c_str());
        return kExitPartial;
    }
    return controls.Status() == sendtext::kSent ? kExitOk : kExitFailed;
}

namespace {

// The account a run uses when --user and --pass do not name one: account N
// (--account N, else 1) of the account file, else the [Gateway] account, as
// the send job would. Says which it took; false when --account names none.
bool ChooseAccount(const std::string& path, const RunOptions& o, std::optional<std::string>* user,
                   std::optional<std::string>* password) {
    std::string accountFile = AccountFilePath(path);
    AccountCredentials account;
    int number = o.account > 0 ? o.account : 1;
    if (!accountFile.empty() && ReadAccount(accountFile, number, &account) == 0) {
        *user = account.user;
        *password = account.password;
        std::fprintf(stderr, "parlet: account %d of %s (user %s)\n", number, accountFile.c_str(), account.user.c_str());
        return true;
    }
    if (o.account > 0) {
        std::fprintf(stderr, "parlet: %s has no account %d\n",
                     accountFile.empty() ? "the file has no account file, so it" : accountFile.c_str(), o.account);
        return false;
    }
    std::string name = profile::Read(path.c_str(), "Gateway", "Username", kFieldLimit + 1);
    std::string pass = profile::Read(path.c_str(), "Gateway", "Password", kFieldLimit + 1);
    if (!name.empty()) *user = name;
    if (!pass.empty()) *password = pass;
    if (name.empty()) {
        std::fprintf(stderr, "parlet: no account and no [Gateway] Username: $User and $Pass stay empty\n");
    } else {
        std::fprintf(stderr, "parlet: the [Gateway] Username and Password (user %s)\n", name.c_str());
    }
    return true;
}

}  // namespace

int RunCommand(const RunOptions& options) {
    // The texts as the send job would hand them over: in the default charset.
    const charset::Charset encoding = charset::Charset::Default();
    RunOptions o = options;
    if (!Encoded(encoding, "message", options.message, &o.message) ||
        !Encoded(encoding, "number", options.number, &o.number) ||
        !Encoded(encoding, "prefix", options.prefix, &o.prefix) ||
        !Encoded(encoding, "sender", options.sender, &o.sender) || !Encoded(encoding, "user", options.user, &o.user) ||
        !Encoded(encoding, "password", options.password, &o.password)) {
        return kExitUsage;
    }
    if (!MessageUsable(o.message) || FieldTooLong("number", o.number) || !DestinationUsable(o.prefix, o.number)) {
        return kExitUsage;
    }
    std::string path = Absolute(o.file);
    std::optional<std::string> user, password;
    if ((!o.userGiven || !o.passwordGiven) && !ChooseAccount(path, o, &user, &password)) return kExitUsage;
    if (o.userGiven) user = o.user;
    if (o.passwordGiven) password = o.password;

    logging::SetObserver(EchoLog, nullptr);
    script::SmsMessage message{};
    message.prefix = o.prefix.c_str();
    message.number = o.number.c_str();
    message.text = o.message.c_str();
    message.sender = o.senderGiven ? o.sender.c_str() : nullptr;
    ConsoleProgress progress(stderr);
    script::RunDetail detail;
    int result = script::RunGateway(path.c_str(), user ? user->c_str() : nullptr,
                                    password ? password->c_str() : nullptr, &message, &progress, nullptr, &detail);
    progress.Finish();
    logging::SetObserver(nullptr, nullptr);
    std::printf("result %d (%s)\n", result, script::ResultSummary(result, &detail).c_str());
    return result == script::result::kSent ? kExitOk : kExitFailed;
}

int GatewaysCommand(const std::string& folder) {
    if (LoadCatalogue(folder) != 0) return kExitFailed;
    std::vector<GatewayView> list = ListGateways();
    if (list.empty()) {
        std::printf("no gateways\n");
        return kExitOk;
    }
    struct Row {
        std::string file, name, prefixes;
        bool enabled;
    };
    std::vector<Row> rows;
    int fileWidth = 4, nameWidth = 4;  // at least as wide as the headings
    for (const GatewayView& g : list) {
        Row row{g.name, profile::Read(g.path.c_str(), "Gateway", "Name", 1024), "", g.enabled != 0};
        if (row.name.empty()) row.name = "(no Name)";
        // Exactly the prefixes the catalogue gathered from this file.
        for (const std::string& value : ReadPrefixList(g.path).values) {
            if (!row.prefixes.empty()) row.prefixes += " ";
            row.prefixes += value.substr(0, value.find(';'));
        }
        fileWidth = std::max(fileWidth, static_cast<int>(row.file.size()));
        nameWidth = std::max(nameWidth, static_cast<int>(row.name.size()));
        rows.push_back(std::move(row));
    }
    std::printf("%-4s %-7s %-*s %-*s %s\n", "pos", "enabled", fileWidth, "file", nameWidth, "name", "prefixes");
    int position = 1;
    for (const Row& r : rows) {
        std::printf("%-4d %-7s %-*s %-*s %s\n", position++, r.enabled ? "yes" : "no", fileWidth, r.file.c_str(),
                    nameWidth, r.name.c_str(), r.prefixes.c_str());
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
