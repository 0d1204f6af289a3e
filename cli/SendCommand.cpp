// parlet send: the send job over a gateway folder, with the console as its dialog.
#include <CLI/CLI.hpp>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CommandSupport.h"
#include "Commands.h"
#include "ConsoleControls.h"
#include "Destination.h"
#include "Inquiries.h"
#include "Recorded.h"
#include "Usage.h"
#include "catalogue/Catalogue.h"
#include "catalogue/PrefixTable.h"
#include "record/Recording.h"
#include "script/Inquiry.h"
#include "script/MessageKeys.h"
#include "script/RequestHeaders.h"
#include "send/Preview.h"
#include "send/SendJob.h"
#include "shell/Log.h"
#include "shell/Settings.h"

namespace {

struct SendOptions {
    std::string gateways, prefix, number, to, message, sender, log;
    std::string charset;  // "": the default (UTF-8; the ANSI code page on Windows)
    int split = 0;
    bool splitGiven = false;
    bool numberParts = false;
    bool verbose = false;
    std::string queue;  // the outbox file that keeps a message every gateway refused
    bool dryRun = false;
    RecordOptions record;
    bool waitDelivery = false;
    int pollMs = 0;  // --poll-ms: the first wait of --wait-delivery (0: the product's)
};

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
    if (!sent || controls.LastSentWasSplitPart()) return controls.MessageUtf8();
    // Cut mode: the message as the job read it, against what went out.
    std::string whole = controls.ReadMessageUtf8();
    if (!o.splitGiven && controls.LastSentUtf8().size() < whole.size())
        return whole.substr(controls.LastSentUtf8().size());
    return {};
}

// Text for the terminal: UTF-8, control characters as escapes.
std::string Shown(const std::string& text, const charset::Charset& encoding) {
    std::string shown;
    for (char c : encoding.Decode(text)) {
        if (c == '\n')
            shown += "\\n";
        else if (c == '\r')
            shown += "\\r";
        else if (static_cast<unsigned char>(c) < 0x20)
            shown += '?';
        else
            shown += c;
    }
    return shown;
}

// What a gateway's [Gateway] keys about the message add to its dry-run
// line: the unit MaxChars counts in and the Charset, when the file has them.
std::string MessageKeysShown(const preview::GatewayPreview& g) {
    std::string shown;
    if (g.unit != script::CountUnit::kBytes) shown += std::string(" ") + script::CountUnitText(g.unit);
    if (!g.charset.empty()) shown += ", Charset " + g.charset;
    return shown;
}

// "N bytes", and ", M characters" for a gateway that counts them.
std::string Lengths(const preview::GatewayPreview& g, const std::string& text) {
    std::string shown = std::to_string(text.size()) + " bytes";
    if (g.unit == script::CountUnit::kCharacters)
        shown += ", " + std::to_string(g.encoding.Characters(text)) + " characters";
    return shown;
}

// --dry-run: what each enabled gateway would send, and its cost on the air.
int PrintDryRun(const std::string& message, const charset::Charset& encoding, const std::string& utf8) {
    std::vector<preview::GatewayPreview> gateways;
    for (const GatewayView& gateway : ListGateways())
        if (gateway.enabled) gateways.push_back(preview::PreviewGateway(gateway, message, encoding, &utf8));
    std::printf("dry run: nothing is sent; %zu enabled gateway(s), in the order a send tries them\n", gateways.size());
    for (const preview::GatewayPreview& g : gateways) {
        std::printf("%s (%s): MaxChars %s%s, %zu part(s), %d SMS\n", g.file.c_str(), g.name.c_str(),
                    g.maxChars > 0 ? std::to_string(g.maxChars).c_str() : "none", MessageKeysShown(g).c_str(),
                    g.parts.size(), g.sms);
        for (size_t i = 0; i < g.parts.size(); ++i) {
            const preview::PartPreview& p = g.parts[i];
            std::printf("  part %s: %s; %s, %zu %s: %d SMS: %s\n",
                        p.label.empty() ? std::to_string(i + 1).c_str() : p.label.c_str(), Lengths(g, p.text).c_str(),
                        aircost::CodingName(p.cost.coding), p.cost.units,
                        p.cost.coding == aircost::Coding::kGsm7 ? "septets" : "UTF-16 units", p.cost.sms,
                        Shown(p.text, g.encoding).c_str());
        }
        if (g.noRoom) std::printf("  MaxChars %d leaves no room for a numbered part\n", g.maxChars);
        if (!g.refused.empty()) std::printf("  nothing is sent: %s\n", g.refused.c_str());
        if (!g.unsent.empty())
            std::printf("  not sent: %s: %s\n", Lengths(g, g.unsent).c_str(), Shown(g.unsent, g.encoding).c_str());
    }
    return gateways.empty() ? kExitFailed : kExitOk;
}

// Whether a gateway of the catalogue takes the message from UTF-8 (a JSON
// body, or a Charset of its own).
bool AnyJsonGateway() {
    for (const GatewayView& view : ListGateways()) {
        if (view.enabled &&
            (script::AsksForJson(view.path.c_str()) || !script::ReadSiteCharset(view.path.c_str()).written.empty()))
            return true;
    }
    return false;
}

// A message the charset cannot hold whole still goes to gateways that take
// it from UTF-8; the others get "?" for what does not fit, as from the send
// dialog. Without such a gateway it is refused.
bool MessageForCharset(const charset::Charset& encoding, const std::string& utf8, std::string* out) {
    if (encoding.Encode(utf8, out, nullptr)) return true;
    if (!charset::utf8::Valid(utf8, nullptr) || !AnyJsonGateway()) return Encoded(encoding, "message", utf8, out);
    if (FieldTooLong("message", utf8)) return false;
    std::fprintf(stderr,
                 "parlet: the message holds characters %s cannot hold: gateways with a JSON body get it whole, "
                 "the others get \"?\" in their place\n",
                 encoding.name().c_str());
    *out = LossyEncoded(encoding, utf8);
    return true;
}

class SendCommand : public Command {
public:
    CLI::App* Define(CLI::App& app) override {
        SendOptions& send = options_;
        CLI::App* sendCmd = app.add_subcommand("send", "send a message, trying gateway after gateway of a folder");
        sendCmd->footer(usage::kExitCodes);
        sendCmd->add_option("--gateways", send.gateways, "gateway folder")->required();
        CLI::Option* to = sendCmd->add_option("--to", send.to,
                                              "full international number (+436501234567, 0043 650 123-4567); "
                                              "the longest prefix a gateway serves is the prefix");
        sendCmd->add_option("--prefix", send.prefix, "country prefix, digits")->excludes(to);
        sendCmd->add_option("--number", send.number, "number without the prefix, digits")->excludes(to);
        sendCmd->add_option("--message", send.message, "the message")->required();
        sendCmd->add_option("--sender", send.sender, "your own number (the $Sender of gateway files)");
        sendCmd->add_option("--split", send.split, "split a long message into at most N parts (default: cut it)")
            ->check(CLI::Range(1, 65535));
        sendCmd->add_flag("--number-parts", send.numberParts, "label split parts n/m");
        sendCmd->add_option("--charset", send.charset,
                            "encoding of the message for the provider, e.g. UTF-8, ISO-8859-2, windows-1250 "
                            "(default: UTF-8; parlet.exe: the ANSI code page)");
        sendCmd->add_option("--log", send.log, "write the log to FILE");
        sendCmd->add_flag("--verbose", send.verbose, "log reply pages too, and echo the log on standard error");
        sendCmd->add_option("--queue", send.queue,
                            "keep the message in the outbox FILE when every gateway fails (see parlet queue)");
        sendCmd->add_flag("--dry-run", send.dryRun,
                          "send nothing: print the parts each enabled gateway would send and their SMS on the air");
        AddRecordOptions(sendCmd, &send.record);
        sendCmd->add_flag("--wait-delivery", send.waitDelivery,
                          "after the send, ask the gateway's [Status] until the message is delivered or failed");
        sendCmd->add_option("--poll-ms", send.pollMs, "the first wait of --wait-delivery in milliseconds")
            ->check(CLI::Range(1, 3600 * 1000));
        command_ = sendCmd;
        return sendCmd;
    }

    int Run() override {
        options_.splitGiven = command_->count("--split") > 0;
        // A whole number, or a prefix and a number (a dry run needs neither).
        const bool destinationGiven =
            !options_.to.empty() || command_->count("--prefix") || command_->count("--number");
        if (options_.dryRun && !destinationGiven) return Send();
        if (options_.to.empty() && (command_->count("--prefix") == 0 || command_->count("--number") == 0)) {
            std::fprintf(stderr, "parlet send: give --to NUMBER, or --prefix and --number\n");
            return kExitUsage;
        }
        if (!FolderGiven(options_.gateways)) return kExitUsage;
        return Send();
    }

private:
    int Send() {
        const SendOptions& options = options_;
        std::optional<charset::Charset> encoding = ChosenCharset(options.charset);
        if (!encoding) return kExitUsage;
        SendOptions o = options;  // the texts in that charset; the message once the gateways are known
        if (!charset::utf8::Valid(options.message, nullptr) &&
            !Encoded(*encoding, "message", options.message, &o.message)) {
            return kExitUsage;
        }
        if (!Encoded(*encoding, "number", options.number, &o.number) ||
            !Encoded(*encoding, "number", options.to, &o.to) ||
            !Encoded(*encoding, "prefix", options.prefix, &o.prefix) ||
            !Encoded(*encoding, "sender", options.sender, &o.sender)) {
            return kExitUsage;
        }
        if (options.message.empty()) {
            MessageUsable(options.message);  // says so
            return kExitUsage;
        }
        if (FieldTooLong("number", o.number) || FieldTooLong("number", o.to)) return kExitUsage;
        if (!o.dryRun && o.to.empty() && !DestinationUsable(o.prefix, o.number)) return kExitUsage;
        std::string log = o.log.empty() ? std::string() : Absolute(o.log);
        if (!log.empty() && !LogUsable(log)) return kExitUsage;
        if (!RecordUsable(o.record)) return kExitUsage;
        // The options stand in for the options page, for this run only.
        if (!o.sender.empty()) settings::WriteText("SenderNumber", o.sender);
        ApplySplitOptions(o.splitGiven, o.split, o.numberParts);
        if (!log.empty()) {
            settings::WriteByte("DoLog", 1);
            settings::WriteText("Logfile", log);
        }
        if (o.verbose) {
            settings::WriteByte("Verbose", 1);
            logging::SetObserver(EchoLog, nullptr);
        }
        if (LoadCatalogue(o.gateways) != 0) return kExitFailed;
        if (!MessageForCharset(*encoding, options.message, &o.message) || !MessageUsable(o.message)) return kExitUsage;
        if (CountGateways() == 0) {
            std::fprintf(stderr, "parlet: no usable gateway in %s\n", o.gateways.c_str());
        }
        if (o.dryRun) return PrintDryRun(o.message, *encoding, options.message);
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

        ConsoleControls controls(to.prefix, to.number, o.message, options.message, *encoding, stderr);
        if (!controls.PrefixListed()) {
            std::fprintf(stderr, "parlet: no gateway in %s lists the prefix %s\n", o.gateways.c_str(),
                         to.prefix.c_str());
        }
        std::atomic<int> abortFlag{0};
        std::optional<script::Delivery> delivery;
        SendRequest request;
        request.dialog = &controls;
        request.abortFlag = &abortFlag;
        if (!o.queue.empty()) request.outboxFile = Absolute(o.queue);
        {
            // A message that went out stays sent (exit 0) even when its recording cannot be written.
            Watched watched(o.record, *encoding, {}, {});
            SendJob(request);
            if (o.waitDelivery && controls.Status() == sendtext::kSent) delivery = WaitDelivery(controls, o);
            watched.Save();
        }
        logging::SetObserver(nullptr, nullptr);

        if (controls.Status() == sendtext::kQueued) {
            std::fprintf(stderr, "parlet: kept in %s; \"parlet queue %s retry\" tries it again\n",
                         request.outboxFile.c_str(), o.queue.c_str());
        }
        std::string unsent = Unsent(controls, o);
        if (unsent.empty()) {
            std::printf("%s\n", controls.Status().c_str());
            if (delivery) {
                std::printf("Delivery: %s\n", script::DeliveryName(*delivery));
                if (*delivery != script::Delivery::kDelivered) return kExitUndelivered;
            }
        } else {
            // Not the job's own status: "Message sent successfully" would
            // hide that the rest did not go out.
            const int parts = controls.PartsSent();
            std::printf("Sent in part: %d part%s went out, the rest did not\n", parts, parts == 1 ? "" : "s");
            std::fprintf(stderr, "parlet: sent in part; not sent: %s\n", encoding->Decode(unsent).c_str());
            return kExitPartial;
        }
        return controls.Status() == sendtext::kSent ? kExitOk : kExitFailed;
    }

    // The delivery state of the message the last successful attempt sent.
    static script::Delivery WaitDelivery(const ConsoleControls& controls, const SendOptions& o) {
        std::string path;
        for (const GatewayView& view : ListGateways()) {
            if (record::FileName(view.path) == controls.LastSentFile()) path = view.path;
        }
        const std::string& id = controls.LastSentDetail().messageId;
        if (path.empty() || !script::HasStatus(path.c_str())) {
            std::fprintf(stderr, "parlet: %s has no [Status] section: the delivery cannot be asked\n",
                         controls.LastSentFile().c_str());
            return script::Delivery::kUnknown;
        }
        if (id.empty()) {
            std::fprintf(stderr, "parlet: the reply named no message id: the delivery cannot be asked\n");
            return script::Delivery::kUnknown;
        }
        // The account that worked is account 1 now: a send moves it to the front.
        Credentials account;
        if (!ChooseAccount(path, 0, &account)) return script::Delivery::kUnknown;
        return WaitForDelivery(path, account.user ? account.user->c_str() : nullptr,
                               account.password ? account.password->c_str() : nullptr, id, DeliverySchedule(o.pollMs));
    }

    SendOptions options_;
    CLI::App* command_ = nullptr;
};

}  // namespace

std::unique_ptr<Command> MakeSendCommand() { return std::make_unique<SendCommand>(); }
