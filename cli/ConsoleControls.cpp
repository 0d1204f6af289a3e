#include "ConsoleControls.h"

#include "CommandSupport.h"

#include "catalogue/Catalogue.h"
#include "send/SendJob.h"

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace {
constexpr size_t kFieldLimit = 1023;  // the dialog's fields hold at most this many bytes

std::string Limited(const std::string& text, const charset::Charset& encoding) {
    return text.substr(0, encoding.CutPoint(text, kFieldLimit));
}
}  // namespace

ConsoleProgress::ConsoleProgress(FILE* out) : out_(out), terminal_(out && isatty(fileno(out))) {}

void ConsoleProgress::SetRange(int low, int high) {
    low_ = low;
    high_ = high > low ? high : low + 1;
}

void ConsoleProgress::SetPosition(int position) {
    position_ = position;
    Draw();
}

void ConsoleProgress::Step() {
    position_ += script::kProgressStep;
    if (position_ > high_) position_ = high_;
    Draw();
}

void ConsoleProgress::Draw() {
    if (!out_) return;
    constexpr int kWidth = 30;
    int filled = static_cast<int>(static_cast<long long>(position_ - low_) * kWidth / (high_ - low_));
    if (filled < 0) filled = 0;
    if (filled > kWidth) filled = kWidth;
    std::string bar(static_cast<size_t>(filled), '#');
    bar.append(static_cast<size_t>(kWidth - filled), '.');
    int percent = static_cast<int>(static_cast<long long>(position_ - low_) * 100 / (high_ - low_));
    // On a terminal the bar redraws in place; in a log file each step is a line.
    std::fprintf(out_, terminal_ ? "\r  [%s] %3d%%" : "  [%s] %3d%%\n", bar.c_str(), percent);
    open_ = terminal_;
    std::fflush(out_);
}

void ConsoleProgress::Finish() {
    if (open_ && out_) std::fputc('\n', out_);
    open_ = false;
}

ConsoleControls::ConsoleControls(std::string prefix, std::string number, std::string message, std::string messageUtf8,
                                 charset::Charset encoding, FILE* progressOut)
    : prefix_(std::move(prefix)),
      number_(std::move(number)),
      message_(std::move(message)),
      messageUtf8_(std::move(messageUtf8)),
      encoding_(std::move(encoding)),
      out_(progressOut),
      progress_(progressOut) {
    // The dialog offers only the prefixes of the table; a prefix no gateway
    // lists is still passed on, so every gateway says why it refuses it.
    table_ = CurrentPrefixTable();
    long index = table_->Find(prefix_.c_str(), prefix_.size());
    listed_ = index >= 0;
    selected_ = listed_ ? table_->Entry(static_cast<size_t>(index)) : prefix_.c_str();
}

const char* ConsoleControls::SelectedPrefix() { return prefix_.empty() ? nullptr : selected_; }
std::string ConsoleControls::ReadMessage() { return Limited(message_, encoding_); }

// The field holds one text; the two views of it follow each other.
void ConsoleControls::WriteMessage(const std::string& text) {
    message_ = text;
    messageUtf8_ = encoding_.Decode(text);
}

std::string ConsoleControls::ReadMessageUtf8() { return Limited(messageUtf8_, charset::Charset::Utf8()); }

void ConsoleControls::WriteMessageUtf8(const std::string& text) {
    messageUtf8_ = text;
    message_ = LossyEncoded(encoding_, text);
}
std::string ConsoleControls::ReadNumber() { return Limited(number_, encoding_); }

void ConsoleControls::SetStatus(const std::string& text) {
    status_ = text;
    progress_.Finish();
    // The job's own outcome texts are the command's to print, once; the rest
    // name the gateway being tried.
    static const char* const kOutcomes[] = {sendtext::kNeedMessage, sendtext::kNeedNumber, sendtext::kSent,
                                            sendtext::kAllFailed, sendtext::kQueued};
    for (const char* outcome : kOutcomes) {
        if (text == outcome) return;
    }
    if (out_) std::fprintf(out_, "parlet: trying %s\n", text.c_str());
}

void ConsoleControls::AttemptEnded(const AttemptReport& report) {
    if (report.result == script::result::kSent) {
        ++partsSent_;
        lastSent_ = report.utf8 ? report.text : encoding_.Decode(report.text);
        lastSentSplit_ = report.splitPart;
        lastSentFile_ = report.file;
        lastSentDetail_ = report.detail;
    }
    progress_.Finish();
    if (!out_) return;
    std::string user = report.user ? std::string(", user ") + report.user : std::string();
    std::fprintf(out_, "parlet: %s%s: %s\n", report.file.c_str(), user.c_str(),
                 script::ResultLine(report.result, &report.detail).c_str());
    std::fflush(out_);
}
