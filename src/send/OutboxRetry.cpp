#include "send/OutboxRetry.h"

#include <memory>

#include "catalogue/Catalogue.h"
#include "send/SendControls.h"
#include "shell/Clock.h"
#include "shell/HostLink.h"
#include "shell/Log.h"
#include "shell/Notice.h"
#include "shell/OneAtATime.h"
#include "shell/Settings.h"
#include "shell/Timer.h"

namespace outbox {
namespace {

// The send dialog's fields for a retry, held in memory: nobody sees them.
class RetryControls : public SendControls {
public:
    explicit RetryControls(const Message& m)
        : number_(m.number), message_(m.text), charset_(outbox::MessageCharset(m)) {
        // The job gets the prefix table's own entry, as the dialog gives it.
        long index = table_->Find(m.prefix.c_str(), m.prefix.size());
        prefix_ = m.prefix;
        selected_ = index >= 0 ? table_->Entry(static_cast<size_t>(index)) : prefix_.c_str();
    }
    const char* SelectedPrefix() override { return prefix_.empty() ? nullptr : selected_; }
    std::string ReadMessage() override { return message_; }
    std::string ReadMessageForSend() override { return message_; }
    charset::Charset MessageCharset() override { return charset_; }
    void WriteMessage(const std::string& text) override { message_ = text; }
    std::string ReadNumber() override { return number_; }
    void SetStatus(const std::string&) override {}
    void EnableSend(bool) override {}
    void FocusMessage() override {}
    void FocusNumber() override {}
    void Close() override {}
    script::ProgressTarget* Progress() override { return nullptr; }

private:
    std::shared_ptr<const PrefixTable> table_ = CurrentPrefixTable();
    std::string prefix_;
    const char* selected_ = nullptr;
    std::string number_;
    std::string message_;
    charset::Charset charset_;
};

// The plug-in's retries: one at a time, each keeping this alive until its
// job has ended.
job::OneAtATime g_retry;

// Held by a retry's job until it ends: its controls, and the mark that a
// retry runs.
struct RetryHold {
    explicit RetryHold(const Message& m) : controls(m) {}
    ~RetryHold() { g_retry.Release(); }
    RetryControls controls;
};

host::Contact ExistingContact(uintptr_t id) {
    auto contact = reinterpret_cast<host::Contact>(id);
    return host::ContactExists(contact) ? contact : nullptr;
}

void Start(const OutboxFile& file, const Message& message) {
    auto hold = std::make_shared<RetryHold>(message);
    SendRequest request = RetryRequest(file, message, &hold->controls);
    request.abortFlag = &g_retry.abortFlag();
    request.keepAlive = hold;
    WriteLog("* Retrying outbox message %u to %s%s (try %u)\n", static_cast<unsigned>(message.id),
             message.prefix.c_str(), message.number.c_str(), static_cast<unsigned>(message.tries));
    if (StartSendJob(request) != 0) {
        // No thread: the message stays marked; it is tried again after the next start.
        WriteLog(" - ERROR: no thread for the retry of outbox message %u\n", static_cast<unsigned>(message.id));
    }
}

// The queued message due first, if one is due.
std::optional<uint32_t> DueMessage(const Contents& contents, uint32_t now) {
    const Message* due = nullptr;
    for (const Message& m : contents.messages) {
        if (m.state != State::kQueued || m.nextTry > now) continue;
        if (!due || m.nextTry < due->nextTry) due = &m;
    }
    if (!due) return std::nullopt;
    return due->id;
}

// Marks a start of this process's retry; false when one runs.
bool Claim() { return g_retry.Claim(); }

void Unclaim() { g_retry.Release(); }

void TryMessage(const OutboxFile& file, uint32_t id) {
    std::optional<Message> message = BeginRetry(file, id);
    if (!message) {
        Unclaim();
        return;
    }
    Start(file, *message);
}

// At start-up: the marks of sends that a kill interrupted become state
// unknown; the user hears of every message in that state at every start.
void MarkUnknown(const OutboxFile& file) {
    if (file.Read().messages.empty()) return;
    Contents after;
    const uint32_t now = forward::Now();
    file.Change([&](Contents& c) {
        // Every queued message is due at once, in the order it fell due:
        // all its times moved back alike, so the last one is due now.
        uint32_t latest = now;
        for (Message& m : c.messages) {
            if (m.state == State::kSending) m.state = State::kUnknown;
            if (m.state == State::kQueued && m.nextTry > latest) latest = m.nextTry;
        }
        const uint32_t back = latest - now;
        for (Message& m : c.messages) {
            if (m.state == State::kQueued) m.nextTry = m.nextTry > back ? m.nextTry - back : 0;
        }
        after = c;
        return true;
    });
    for (const Message& m : after.messages) {
        if (m.state != State::kUnknown) continue;
        Tell(" - WARNING: ",
             "Outbox message %lu: a message to %s%s was being sent when Miranda stopped; it may or may not have gone "
             "out. It is not sent again on its own: see Options, Parlet-Plugin, Outbox.",
             static_cast<unsigned long>(m.id), m.prefix.c_str(), m.number.c_str());
    }
}

}  // namespace

charset::Charset MessageCharset(const Message& message) {
    if (message.charset.empty()) return charset::Charset::Default();
    if (message.charset == charset::Charset::Utf8().name()) return charset::Charset::Utf8();
    std::optional<charset::Charset> found = charset::Charset::Find(message.charset);
    return found ? *found : charset::Charset::Default();
}

std::optional<Message> BeginRetry(const OutboxFile& file, uint32_t id) {
    std::optional<Message> begun;
    const bool written = file.Change([&](Contents& c) {
        Message* m = c.Find(id);
        if (!m || m->state == State::kSending) return false;
        m->state = State::kSending;
        ++m->tries;
        begun = *m;
        return true;
    });
    // Only a mark that is on the disk lets the send start.
    if (!written) begun.reset();
    return begun;
}

SendRequest RetryRequest(const OutboxFile& file, const Message& message, SendControls* controls) {
    SendRequest request;
    request.dialog = controls;
    request.replyContact = ExistingContact(message.replyContact);
    request.historyContact = ExistingContact(message.contact);
    request.outboxFile = file.path();
    request.outboxId = message.id;
    return request;
}

void StartRetries() {
    AdoptSharedOutbox();
    // Also with "QueueFailed" off: messages kept before stay listed, and no
    // interrupted send may pass for one under way.
    MarkUnknown(OutboxFile(PluginOutboxPath()));
    RetryDue();
    timer::Start(timer::Slot::kOutbox, kCheckPeriodMs, RetryDue);
}

void RetryDue() {
    if (!settings::QueueFailed() || !Claim()) return;
    OutboxFile file(PluginOutboxPath());
    std::optional<uint32_t> due = DueMessage(file.Read(), forward::Now());
    if (!due) {
        Unclaim();
        return;
    }
    TryMessage(file, *due);
}

void StopRetries() {
    timer::Stop(timer::Slot::kOutbox);
    g_retry.Stop();
}

bool RetryRunning() { return g_retry.Running(); }

void WaitForRetry() { g_retry.WaitForEnd(); }

bool RetryNow(uint32_t id) {
    OutboxFile file(PluginOutboxPath());
    bool found = false;
    file.Change([&](Contents& c) {
        Message* m = c.Find(id);
        if (!m || m->state == State::kSending) return false;
        m->state = State::kQueued;
        m->nextTry = 0;
        found = true;
        return true;
    });
    if (!found) return false;
    if (Claim()) TryMessage(file, id);
    return true;
}

bool Delete(uint32_t id) {
    bool removed = false;
    OutboxFile(PluginOutboxPath()).Change([&](Contents& c) {
        const Message* m = c.Find(id);
        removed = m && m->state != State::kSending && c.Remove(id);
        return removed;
    });
    return removed;
}

}  // namespace outbox
