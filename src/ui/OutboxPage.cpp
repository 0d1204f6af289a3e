#include "ui/OutboxPage.h"

#include "send/OutboxRetry.h"
#include "shell/Charset.h"
#include "shell/HostLink.h"
#include "shell/Settings.h"
#include "shell/Text.h"
#include "ui/GeneralPage.h"

namespace ui {
namespace {

constexpr size_t kWordsLimit = 32;
constexpr uint32_t kSecondsPerMinute = 60;

// Translated here, each with its literal, so a language pack's template lists them.
std::string StateText(outbox::State state) {
    switch (state) {
    case outbox::State::kQueued: return host::TranslateString("queued");
    case outbox::State::kSending: return host::TranslateString("sending");
    case outbox::State::kUnknown: return host::TranslateString("state unknown");
    case outbox::State::kGivenUp: return host::TranslateString("given up");
    }
    return "";
}

std::string NextTryText(const outbox::Message& m, uint32_t now) {
    if (m.state != outbox::State::kQueued) return "-";
    if (m.nextTry <= now) return host::TranslateString("now");
    const uint32_t minutes = (m.nextTry - now + kSecondsPerMinute - 1) / kSecondsPerMinute;
    return text::FillPattern(host::TranslateString("in %d min"), 'd', std::to_string(minutes), kMaxLongField);
}

}  // namespace

OutboxFields LoadOutboxFields() {
    OutboxFields f;
    f.queueFailed = settings::QueueFailed();
    f.retryMinutes = std::to_string(settings::QueueRetryMinutes());
    f.maxTries = std::to_string(settings::QueueMaxTries());
    f.queuedMsg = settings::QueuedMsg().value_or("");
    f.logHistory = settings::LogHistory();
    return f;
}

void SaveOutboxFields(const OutboxFields& f) {
    settings::WriteByte("QueueFailed", f.queueFailed ? 1 : 0);
    settings::WriteWord("QueueRetryMinutes", ReadCountField(f.retryMinutes));
    settings::WriteWord("QueueMaxTries", ReadCountField(f.maxTries));
    settings::WriteText("QueuedMsg", f.queuedMsg.substr(0, kMaxLongField));
    settings::WriteByte("LogHistory", f.logHistory ? 1 : 0);
}

std::vector<OutboxRow> OutboxRows(const outbox::Contents& contents, uint32_t now) {
    std::vector<OutboxRow> rows;
    for (const outbox::Message& m : contents.messages) {
        OutboxRow row;
        row.id = m.id;
        row.number = m.prefix + " " + m.number;
        row.words = FirstWords(charset::ToDefault(m.text, outbox::MessageCharset(m)), kWordsLimit);
        row.tries = std::to_string(m.tries);
        row.nextTry = NextTryText(m, now);
        row.state = StateText(m.state);
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string FirstWords(const std::string& text, size_t limit) {
    std::string line;
    for (char c : text) line += (c == '\r' || c == '\n' || c == '\t') ? ' ' : c;
    if (line.size() <= limit) return line;
    size_t cut = charset::Charset::Default().CutPoint(line, limit);
    size_t blank = line.rfind(' ', cut);
    if (blank != std::string::npos && blank > limit / 2) cut = blank;
    return line.substr(0, cut) + "...";
}

}  // namespace ui
