#include "send/Delivery.h"

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "script/Inquiry.h"
#include "send/AfterSend.h"
#include "shell/Clock.h"
#include "shell/HostLink.h"
#include "shell/Log.h"
#include "shell/Notice.h"
#include "shell/OneAtATime.h"
#include "shell/Timer.h"

namespace delivery {
namespace {

constexpr size_t kNoticeSize = 512;

struct Watched {
    Sent sent;
    uint32_t since = 0;  // the send's time
    unsigned asks = 0;   // asks made
};

struct Answer {
    Watched watched;
    script::Delivery state = script::Delivery::kUnknown;
    uint32_t at = 0;
};

// The watches, the ask under way and its answer; the answer is recorded on
// the interface thread, by the timer's next work.
struct Watches {
    std::mutex mutex;
    std::condition_variable ended;
    bool open = false;  // between Start and Stop
    bool asking = false;
    std::vector<Watched> list;
    std::optional<Answer> answer;
    std::atomic<int> abortFlag{0};
};
Watches g_watches;
job::LastThread g_askThread;

std::atomic<Reader> g_reader{nullptr};

// "delivered", "delivery failed": the words of the history and the notice.
const char* OutcomeWord(script::Delivery state) {
    return state == script::Delivery::kFailed ? "delivery failed" : script::DeliveryName(state);
}

// The ask's thread: one status request, its answer left for the interface thread.
void Ask(Watched watched) {
    host::CallService("Miranda/Thread/Push", 0, 0);
    script::Delivery state = script::Delivery::kUnknown;
    try {
        const Sent& s = watched.sent;
        Reader reader = g_reader.load();
        (reader ? reader : script::ReadDelivery)(s.gatewayPath.c_str(), s.user.empty() ? nullptr : s.user.c_str(),
                                                 s.password ? s.password->c_str() : nullptr, s.messageId.c_str(),
                                                 &state, nullptr, &g_watches.abortFlag);
    } catch (...) {
        WriteLog(" - ERROR: Asking for a delivery report stopped on an unexpected error\n");
    }
    {
        std::lock_guard<std::mutex> lock(g_watches.mutex);
        g_watches.answer = Answer{std::move(watched), state, forward::Now()};
        g_watches.asking = false;
        g_watches.ended.notify_all();
    }
    host::CallService("Miranda/Thread/Pop", 0, 0);
}

void RecordFinal(const Answer& a) {
    const Sent& s = a.watched.sent;
    const std::string outcome = OutcomeText(a.state, a.at);
    WriteLog("* Message %s to %s%s via %s:%s\n", s.messageId.c_str(), s.prefix.c_str(), s.number.c_str(),
             s.gatewayName.c_str(), outcome.c_str());
    // The host's database takes no change to an event: the outcome comes as
    // an event of its own, the message's text with the outcome after it.
    if (host::ContactExists(s.contact)) history::AddSentEvent(s.contact, "", s.text + outcome, s.charset);
    if (a.state != script::Delivery::kFailed) return;
    char text[kNoticeSize];
    std::snprintf(text, sizeof text, "The message to %s%s was not delivered (%s %s).", s.prefix.c_str(),
                  s.number.c_str(), OutcomeWord(a.state), forward::LocalClockText(a.at).c_str());
    ShowNotice(text);
}

// Interface thread: a final answer is recorded, another one waits for the next ask.
void Record(Answer a) {
    if (a.state == script::Delivery::kDelivered || a.state == script::Delivery::kFailed) {
        RecordFinal(a);
        return;
    }
    const Sent& s = a.watched.sent;
    if (a.watched.asks >= static_cast<unsigned>(script::kDeliveryPolls.tries)) {
        WriteLog("* Message %s to %s%s via %s: still %s after %u asks; no more asks\n", s.messageId.c_str(),
                 s.prefix.c_str(), s.number.c_str(), s.gatewayName.c_str(), script::DeliveryName(a.state),
                 a.watched.asks);
        return;
    }
    std::lock_guard<std::mutex> lock(g_watches.mutex);
    if (g_watches.open) g_watches.list.push_back(std::move(a.watched));
}

// The watch due first, taken out of the list to be asked; none when none is
// due or an ask runs.
std::optional<Watched> TakeDue(uint32_t now) {
    std::lock_guard<std::mutex> lock(g_watches.mutex);
    if (!g_watches.open || g_watches.asking) return std::nullopt;
    size_t due = g_watches.list.size();
    uint32_t dueAt = 0;
    for (size_t i = 0; i < g_watches.list.size(); ++i) {
        const Watched& w = g_watches.list[i];
        const uint32_t at = w.since + AskAfterSeconds(static_cast<int>(w.asks));
        if (at <= now && (due == g_watches.list.size() || at < dueAt)) {
            due = i;
            dueAt = at;
        }
    }
    if (due == g_watches.list.size()) return std::nullopt;
    Watched taken = std::move(g_watches.list[due]);
    g_watches.list.erase(g_watches.list.begin() + static_cast<std::ptrdiff_t>(due));
    ++taken.asks;
    g_watches.asking = true;
    return taken;
}

void StartAsk(Watched watched) {
    try {
        g_askThread.Start(Ask, std::move(watched));
    } catch (...) {
        std::lock_guard<std::mutex> lock(g_watches.mutex);
        g_watches.asking = false;  // the watch is lost, as at unload
        g_watches.ended.notify_all();
        WriteLog(" - ERROR: no thread to ask for a delivery report\n");
    }
}

}  // namespace

void SetReader(Reader reader) { g_reader.store(reader); }

uint32_t AskAfterSeconds(int ask) {
    uint32_t ms = 0;
    for (int i = 0; i <= ask; ++i) ms += static_cast<uint32_t>(script::PollDelayMs(script::kDeliveryPolls, i));
    return ms / 1000;
}

bool Watch(const Sent& sent) {
    if (sent.messageId.empty() || !script::HasStatus(sent.gatewayPath.c_str())) return false;
    Watched watched{sent, forward::Now(), 0};
    std::lock_guard<std::mutex> lock(g_watches.mutex);
    if (!g_watches.open) return false;
    g_watches.list.push_back(std::move(watched));
    WriteLog("* Asking %s for the delivery of message %s later\n", sent.gatewayName.c_str(), sent.messageId.c_str());
    return true;
}

void Start() {
    {
        std::lock_guard<std::mutex> lock(g_watches.mutex);
        g_watches.open = true;
        g_watches.abortFlag.store(0);
    }
    timer::Start(timer::Slot::kDelivery, kCheckPeriodMs, CheckDue);
}

void CheckDue() {
    std::optional<Answer> answer;
    {
        std::lock_guard<std::mutex> lock(g_watches.mutex);
        answer.swap(g_watches.answer);
    }
    if (answer) Record(std::move(*answer));
    if (std::optional<Watched> due = TakeDue(forward::Now())) StartAsk(std::move(*due));
}

void Stop() {
    timer::Stop(timer::Slot::kDelivery);
    g_watches.abortFlag.store(1);
    std::unique_lock<std::mutex> lock(g_watches.mutex);
    g_watches.open = false;
    g_watches.ended.wait(lock, [] { return !g_watches.asking; });
    g_watches.list.clear();
    g_watches.answer.reset();
    lock.unlock();
    g_askThread.Join();
}

bool Asking() {
    std::lock_guard<std::mutex> lock(g_watches.mutex);
    return g_watches.asking;
}

void WaitForAsk() {
    std::unique_lock<std::mutex> lock(g_watches.mutex);
    g_watches.ended.wait(lock, [] { return !g_watches.asking; });
}

size_t Watching() {
    std::lock_guard<std::mutex> lock(g_watches.mutex);
    return g_watches.list.size();
}

std::string OutcomeText(script::Delivery state, uint32_t at) {
    if (state != script::Delivery::kDelivered && state != script::Delivery::kFailed) return "";
    return std::string(" (") + OutcomeWord(state) + " " + forward::LocalClockText(at) + ")";
}

}  // namespace delivery
