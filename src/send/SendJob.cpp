#include "send/SendJob.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <thread>

#include "catalogue/Accounts.h"
#include "catalogue/Catalogue.h"
#include "script/MessageKeys.h"
#include "script/profile/Profile.h"
#include "script/RequestHeaders.h"
#include "script/Runner.h"
#include "send/AfterSend.h"
#include "send/SendControls.h"
#include "send/Split.h"
#include "shell/HostLink.h"
#include "shell/Log.h"
#include "shell/Settings.h"
#include "shell/Text.h"

namespace {

constexpr size_t kFieldSize = 1024;  // message, number and gateway values: at most 1023 bytes

std::optional<std::string> GatewayValue(const std::string& path, const char* key) {
    std::string value = profile::Read(path.c_str(), "Gateway", key, kFieldSize);
    if (value.empty()) return std::nullopt;
    return value;
}

void Reply(host::Contact contact, const std::optional<std::string>& text) {
    if (contact && text) host::SendInstantMessage(contact, text->c_str());
}

// One prepared attempt: the text as it goes out, and for a split part what
// stays for the next part.
struct Attempt {
    std::string text;
    bool splitPart = false;
    std::string rest;
    std::string carried;  // the message's bytes it carries, without a label
};

// The answer a forward's contact gets when the send did not go out.
std::optional<std::string> FailureAnswer(Filed filed) {
    if (filed == Filed::kStillQueued) return std::nullopt;  // answered when it was first kept
    std::optional<std::string> failure = settings::FailureMsg();
    if (filed != Filed::kQueued) return failure;
    std::optional<std::string> queued = settings::QueuedMsg();
    if (!failure || !queued) return failure ? failure : queued;
    return *failure + " " + *queued;
}

enum class Outcome { Sent, Failed, Aborted };

class Job {
public:
    explicit Job(const SendRequest& request) : request_(request), dialog_(*request.dialog) {}
    // A job that ends on an error still gives its dialog back.
    ~Job() { HandBack(); }

    void Run();

private:
    void HandBack() {
        if (handedBack_) return;
        handedBack_ = true;
        dialog_.HandBack();
    }
    // The job's end: history and outbox, the status line, the answer.
    void Finish(Outcome outcome);
    void Report(Outcome outcome, bool aborted, Filed filed);
    Outcome TryGateways();
    // Steps for the gateway at the head of the list; true when the gateway
    // sent the part (or the job is over), false when it failed.
    bool TryGateway(const GatewayRef& gateway, bool* over);
    // Cuts, splits or labels the text for this gateway; false when the
    // gateway has no room for a part at all.
    bool Prepare(const std::string& text, const std::string& path, const Measure& measure, Attempt* attempt);
    // The message as this gateway takes it: in its "Charset", as UTF-8 for a
    // JSON body, else as the dialog gives it. False (logged) when it cannot.
    bool GatewayText(const std::string& path, std::optional<charset::Charset>* encoding, std::string* text);
    // Runs the gateway once and reports the attempt to the dialog.
    int Send(const GatewayRef& gateway, const std::string& name, const Attempt& attempt);
    bool Aborted() const { return request_.abortFlag && request_.abortFlag->load() == 1; }

    SendRequest request_;
    SendControls& dialog_;
    const char* prefix_ = nullptr;
    std::string number_;
    std::optional<std::string> sender_;
    uint32_t fullLength_ = 0;
    uint32_t fullLengthUtf8_ = 0;  // the same as UTF-8, for gateways that take it so
    std::string fullUtf8_;         // the whole message as UTF-8, for gateways with a "Charset"
    uint32_t fullCharacters_ = 0;  // its characters, for gateways that count them
    int turn_ = 0;                 // -1 once something was sent
    int account_ = 0;              // 0: no account in use
    int partsSent_ = 0;
    bool finished_ = false;  // the last part went out, or SplitNumber parts did
    bool handedBack_ = false;
    std::string accountFile_;  // of the gateway that sent the last part
    std::string sentText_;     // what went out of the message, labels left out
    std::optional<std::string> user_;
    std::optional<std::string> password_;
    bool utf8_ = false;                    // the gateway being tried takes the message from UTF-8, in `charset_`
    std::string charset_;                  // the encoding the message is in for it
    std::optional<charset::Charset> own_;  // that encoding, when the gateway chose it
};

void Job::Run() {
    prefix_ = dialog_.SelectedPrefix();
    if (dialog_.ReadMessage().empty()) {
        HandBack();
        dialog_.SetStatus(sendtext::kNeedMessage);
        dialog_.FocusMessage();
        return;
    }
    number_ = dialog_.ReadNumber();
    if (number_.empty()) {
        HandBack();
        dialog_.SetStatus(sendtext::kNeedNumber);
        dialog_.FocusNumber();
        return;
    }
    dialog_.EnableSend(false);
    sender_ = settings::SenderNumber();
    fullLength_ = static_cast<uint32_t>(dialog_.ReadMessage().size());
    fullUtf8_ = dialog_.ReadMessageUtf8();
    fullLengthUtf8_ = static_cast<uint32_t>(fullUtf8_.size());
    fullCharacters_ = static_cast<uint32_t>(charset::Charset::Utf8().Characters(fullUtf8_));

    Finish(TryGateways());
}

void Job::Finish(Outcome outcome) {
    const bool aborted = outcome == Outcome::Aborted || Aborted();
    SendResult result;
    result.sent = finished_ && partsSent_ > 0;
    result.aborted = aborted && !result.sent;
    result.prefix = prefix_ ? prefix_ : "";
    result.number = number_;
    result.sentText = sentText_;
    result.charset = dialog_.MessageCharset();
    if (!result.sent) result.unsent = dialog_.ReadMessageForSend();
    // A message kept in the outbox changes the answer, so it is kept first;
    // one that went out is recorded after its answer.
    const Filed filed = result.sent ? Filed::kNothing : AfterSend(request_, result);
    Report(outcome, aborted, filed);
    if (result.sent) AfterSend(request_, result);
}

void Job::Report(Outcome outcome, bool aborted, Filed filed) {
    if (aborted) {
        // Send is enabled before the close, so the dialog takes the command
        // as a close and not as a new abort.
        dialog_.EnableSend(true);
        HandBack();
        if (request_.abortFlag) request_.abortFlag->store(0);
        dialog_.Close();
        return;
    }
    dialog_.EnableSend(true);
    HandBack();
    if (outcome == Outcome::Sent) {
        WriteLog("* We succeeded!! :-)\n");
        dialog_.SetStatus(sendtext::kSent);
        if (request_.replyContact) {
            Reply(request_.replyContact, settings::SuccessMsg());
            dialog_.Close();
        }
        if (account_ > 1) RotateAccounts(accountFile_, account_);
    } else {
        dialog_.SetStatus(filed == Filed::kQueued ? sendtext::kQueued : sendtext::kAllFailed);
        if (request_.replyContact) {
            Reply(request_.replyContact, FailureAnswer(filed));
            dialog_.Close();
        }
    }
}

Outcome Job::TryGateways() {
    while (turn_ >= 0 ? turn_ < CountGateways() : false) {
        GatewayRef gateway = FirstGateway();
        if (!gateway) break;
        if (!gateway->enabled.load()) {
            MoveGatewayToEnd(gateway);
            ++turn_;
            continue;
        }
        bool over = false;
        bool sent = TryGateway(gateway, &over);
        if (over) return Aborted() ? Outcome::Aborted : Outcome::Sent;
        if (Aborted()) return Outcome::Aborted;
        if (sent) {
            // A split part went out and more are to come: the turns start
            // again with the same first gateway and its following account.
            turn_ = 0;
            continue;
        }
        // Every turn that ends without success moves its gateway last.
        MoveGatewayToEnd(gateway);
        ++turn_;
    }
    return partsSent_ > 0 && finished_ ? Outcome::Sent : Outcome::Failed;
}

bool Job::TryGateway(const GatewayRef& gateway, bool* over) {
    profile::Snapshot snapshot(gateway->path.c_str());
    std::optional<std::string> name = GatewayValue(gateway->path, "Name");
    dialog_.SetStatus(name ? *name : gateway->name);

    std::string text;
    own_.reset();
    if (!GatewayText(gateway->path, &own_, &text)) {
        // Nothing went out: the attempt ends before its run.
        dialog_.AttemptEnded(AttemptReport{gateway->name,
                                           name ? *name : gateway->name,
                                           nullptr,
                                           std::string(),
                                           false,
                                           false,
                                           script::result::kBadCharset,
                                           {}});
        return false;
    }
    utf8_ = own_.has_value();
    const charset::Charset encoding = own_ ? *own_ : dialog_.MessageCharset();
    charset_ = encoding.name();
    text.resize(encoding.CutPoint(text, kFieldSize - 1));
    const Measure measure(encoding, script::ReadCountUnit(gateway->path.c_str()));
    std::string accountFile = AccountFilePath(gateway->path);
    std::optional<Attempt> attempt;
    // A part goes through the accounts from the one after the account that
    // sent the last part, wraps around to account 1 and ends when every
    // account has had its try: the gateway fails a part only when all of
    // its accounts failed it.
    int firstTried = 0;
    bool wrapped = false;

    for (;;) {
        // The account step.
        if (!accountFile.empty()) {
            AccountCredentials credentials;
            if (ReadAccount(accountFile, account_ + 1, &credentials) == 0) {
                if (wrapped && account_ + 1 == firstTried) {
                    account_ = 0;
                    return false;  // round to the first account tried: every account failed this part
                }
                WriteLog(" * Trying to send SMS with user '%s'\n", credentials.user.c_str());
                ++account_;
                if (firstTried == 0) firstTried = account_;
                user_ = credentials.user;
                password_ = credentials.password;
            } else if (account_ > 0) {
                account_ = 0;
                // A second end of the list (the file lost accounts meanwhile)
                // also means every account has had its try.
                if (wrapped) return false;
                wrapped = true;
                continue;
            }
        }
        if (account_ == 0) {
            user_ = GatewayValue(gateway->path, "Username");
            password_ = GatewayValue(gateway->path, "Password");
        }
        // A retry with the next account sends the failed attempt's text as it was.
        if (!attempt) {
            attempt.emplace();
            if (!Prepare(text, gateway->path, measure, &*attempt)) {
                account_ = 0;
                return false;
            }
        }
        if (Send(gateway, name ? *name : gateway->name, *attempt) == 0) {
            accountFile_ = accountFile;
            // The history keeps the message in the dialog's charset, also
            // a part a gateway took as UTF-8 or in a charset of its own.
            sentText_ += utf8_ ? charset::LossyEncoded(dialog_.MessageCharset(), encoding.Decode(attempt->carried))
                               : attempt->carried;
            turn_ = -1;
            if (!attempt->splitPart) {
                finished_ = true;
                ++partsSent_;
                *over = true;
                return true;
            }
            if (utf8_) {
                dialog_.WriteMessageUtf8(encoding.Decode(attempt->rest));
            } else {
                dialog_.WriteMessage(attempt->rest);
            }
            ++partsSent_;
            if (partsSent_ >= settings::SplitNumber()) {
                finished_ = true;  // the rest stays unsent in the message field
                *over = true;
            }
            return true;
        }
        if (Aborted()) return false;
        if (account_ == 0) return false;
    }
}

bool Job::GatewayText(const std::string& path, std::optional<charset::Charset>* encoding, std::string* text) {
    const script::SiteCharset site = script::ReadSiteCharset(path.c_str());
    if (site.Unknown()) {
        script::LogUnknownCharset(site.written);
        return false;
    }
    if (site.charset) {
        *encoding = site.charset;
        return script::ToSiteCharset(*site.charset, dialog_.ReadMessageUtf8(), text);
    }
    // A JSON body takes the message as UTF-8, every character of it.
    if (script::AsksForJson(path.c_str())) {
        *encoding = charset::Charset::Utf8();
        *text = dialog_.ReadMessageUtf8();
        return true;
    }
    *text = dialog_.ReadMessageForSend();
    return true;
}

bool Job::Prepare(const std::string& text, const std::string& path, const Measure& measure, Attempt* attempt) {
    std::optional<std::string> maxText = GatewayValue(path, script::kMaxCharsKey);
    int32_t maxChars = maxText ? text::ParseDecimal(maxText->c_str()) : 0;
    PartPlan plan;
    // The whole message's length, as this gateway counts it.
    uint32_t full = utf8_ ? fullLengthUtf8_ : fullLength_;
    if (measure.unit == script::CountUnit::kCharacters) {
        full = fullCharacters_;
    } else if (utf8_ && measure.charset.name() != charset::Charset::Utf8().name()) {
        std::string encoded;
        full = static_cast<uint32_t>(measure.charset.Encode(fullUtf8_, &encoded, nullptr) ? encoded.size() : 0);
    }
    const bool cut = settings::OnTooLong() == settings::kCutLongMessages;
    if (PlanPart(text, partsSent_, full, maxChars, cut, measure, &plan) != 0) {
        WriteLog(" - ERROR: MaxChars %ld leaves no room for a numbered part\n", static_cast<long>(maxChars));
        return false;
    }
    attempt->text = std::move(plan.text);
    attempt->splitPart = plan.splitPart;
    attempt->carried = text.substr(0, plan.carried);
    if (plan.splitPart) attempt->rest = text.substr(plan.carried);
    return true;
}

int Job::Send(const GatewayRef& gateway, const std::string& name, const Attempt& attempt) {
    script::SmsMessage message{};
    message.prefix = prefix_;
    message.number = number_.c_str();
    message.text = attempt.text.c_str();
    message.sender = sender_ ? sender_->c_str() : nullptr;
    message.charset = charset_.c_str();
    AttemptReport report{gateway->name,
                         name,
                         user_ ? user_->c_str() : nullptr,
                         own_ ? own_->Decode(attempt.text) : attempt.text,
                         attempt.splitPart,
                         utf8_,
                         0,
                         {}};
    report.result = script::RunGateway(gateway->path.c_str(), report.user, password_ ? password_->c_str() : nullptr,
                                       &message, dialog_.Progress(), request_.abortFlag, &report.detail);
    dialog_.AttemptEnded(report);
    return report.result;
}

// The start handshake: the starter waits until the job has its own copy.
struct Handshake {
    std::mutex mutex;
    std::condition_variable cv;
    bool started = false;
};

void RunJob(const SendRequest& request, Handshake* handshake) {
    SendRequest copy = request;
    host::CallService("Miranda/Thread/Push", 0, 0);
    if (handshake) {
        {
            std::lock_guard<std::mutex> lock(handshake->mutex);
            handshake->started = true;
        }
        handshake->cv.notify_one();
    }
    if (copy.dialog) {
        // No exception may leave the job's thread: it would end the host.
        try {
            Job job(copy);
            job.Run();
        } catch (const std::bad_alloc&) {
            WriteLog(" - ERROR: Out of memory, the send job stopped\n");
        } catch (...) {
            WriteLog(" - ERROR: The send job stopped on an unexpected error\n");
        }
    }
    if (copy.abortFlag) copy.abortFlag->store(0);
    host::CallService("Miranda/Thread/Pop", 0, 0);
}

}  // namespace

void SendJob(const SendRequest& request) { RunJob(request, nullptr); }

int StartSendJob(const SendRequest& request) {
    auto handshake = std::make_shared<Handshake>();
    try {
        std::thread([request, handshake] { RunJob(request, handshake.get()); }).detach();
    } catch (...) {
        return -1;  // no thread: the starter does not wait
    }
    std::unique_lock<std::mutex> lock(handshake->mutex);
    handshake->cv.wait(lock, [&] { return handshake->started; });
    return 0;
}
