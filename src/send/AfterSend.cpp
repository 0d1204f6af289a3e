#include "send/AfterSend.h"

#include <optional>

#include "send/Outbox.h"
#include "shell/Clock.h"
#include "shell/HostLink.h"
#include "shell/Log.h"
#include "shell/Notice.h"
#include "shell/Settings.h"

namespace {

constexpr uint32_t kSecondsPerMinute = 60;
constexpr const char* kQueuedHead = LPGEN("Not sent yet: kept in the outbox for a later try");
constexpr const char* kGivenUpHead = LPGEN("Not sent: given up after the last try");

std::string CharsetWord(const charset::Charset& charset) {
    return charset.name() == charset::Charset::Default().name() ? std::string() : charset.name();
}

uint32_t RetryDelay() { return settings::QueueRetryMinutes() * kSecondsPerMinute; }

Filed Queue(const SendRequest& request, const SendResult& result) {
    outbox::Message message;
    message.prefix = result.prefix;
    message.number = result.number;
    message.text = result.unsent;
    message.charset = CharsetWord(result.charset);
    message.replyContact = reinterpret_cast<uintptr_t>(request.replyContact);
    message.contact = reinterpret_cast<uintptr_t>(request.historyContact);
    message.queued = forward::Now();
    message.tries = 1;
    message.nextTry = message.queued + RetryDelay();
    uint32_t id = 0;
    if (!outbox::OutboxFile(request.outboxFile).Change([&](outbox::Contents& c) {
            id = c.Add(message);
            return true;
        })) {
        outbox::Tell(" - ERROR: ", "The message to %s%s could not be kept in the outbox %s: it was not sent.",
                     result.prefix.c_str(), result.number.c_str(), request.outboxFile.c_str());
        return Filed::kNothing;
    }
    WriteLog("* The message to %s%s was queued as outbox message %u\n", result.prefix.c_str(), result.number.c_str(),
             static_cast<unsigned>(id));
    history::AddSentEvent(request.historyContact, host::TranslateString(kQueuedHead), result.unsent, result.charset);
    return Filed::kQueued;
}

// The retried message after its try: gone when sent; otherwise back in the
// queue with what is left of it, or given up after its last try.
Filed UpdateRetried(const SendRequest& request, const SendResult& result) {
    std::optional<outbox::Message> after;
    outbox::OutboxFile(request.outboxFile).Change([&](outbox::Contents& c) {
        outbox::Message* m = c.Find(request.outboxId);
        if (!m) return false;  // deleted by the user meanwhile
        if (result.sent) return c.Remove(request.outboxId);
        if (!result.unsent.empty()) m->text = result.unsent;
        const bool last = !result.aborted && m->tries >= settings::QueueMaxTries();
        m->state = last ? outbox::State::kGivenUp : outbox::State::kQueued;
        m->nextTry = forward::Now() + RetryDelay();
        after = *m;
        return true;
    });
    if (result.sent) {
        WriteLog("* Outbox message %u was sent\n", static_cast<unsigned>(request.outboxId));
        return Filed::kNothing;
    }
    if (!after) return Filed::kNothing;
    if (after->state == outbox::State::kQueued) return Filed::kStillQueued;
    outbox::Tell(" - ERROR: ",
                 "Outbox message %lu: Parlet gave up sending the message to %s%s after %lu tries. It stays in the "
                 "outbox (Options, Parlet-Plugin, Outbox) until you retry or delete it.",
                 static_cast<unsigned long>(after->id), after->prefix.c_str(), after->number.c_str(),
                 static_cast<unsigned long>(after->tries));
    history::AddSentEvent(request.historyContact, host::TranslateString(kGivenUpHead), after->text, result.charset);
    return Filed::kGivenUp;
}

}  // namespace

namespace history {

void AddSentEvent(host::Contact contact, const std::string& head, const std::string& text,
                  const charset::Charset& charset) {
    if (!contact || text.empty() || !settings::LogHistory()) return;
    std::string blob = head.empty() ? std::string() : head + "\r\n";
    blob += charset::ToDefault(text, charset);  // the host keeps message events in ANSI
    host::DbEventInfo event{};
    event.cbSize = static_cast<int>(sizeof event);
    event.module = settings::kModule;
    event.timestamp = forward::Now();
    event.flags = host::kEventSent;
    event.eventType = host::kEventMessage;
    event.blobSize = static_cast<uint32_t>(blob.size() + 1);  // with its terminating zero
    event.blob = reinterpret_cast<uint8_t*>(&blob[0]);
    host::CallService("DB/Event/Add", reinterpret_cast<host::Word>(contact), reinterpret_cast<host::Word>(&event));
}

}  // namespace history

Filed AfterSend(const SendRequest& request, const SendResult& result) {
    // What went out is history, whatever became of the rest.
    history::AddSentEvent(request.historyContact, "", result.sentText, result.charset);
    if (request.outboxFile.empty()) return Filed::kNothing;
    if (request.outboxId != 0) return UpdateRetried(request, result);
    if (result.sent || result.aborted || result.unsent.empty()) return Filed::kNothing;
    return Queue(request, result);
}
