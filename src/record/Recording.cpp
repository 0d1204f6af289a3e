#include "record/Recording.h"

#include <optional>

#include "shell/FileReplace.h"
#include "shell/Version.h"

namespace record {

std::string FileName(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

Recording::Recording(charset::Charset charset, bool redact) : charset_(std::move(charset)), redact_(redact) {
    document_.creatorVersion = PARLET_VERSION_TEXT;
}

void Recording::RunStarted(const char* path, const char* user, const char* password,
                           const script::SmsMessage& message) {
    std::lock_guard<std::mutex> lock(mutex_);
    secrets_ = Secrets{user ? user : "", password ? password : "", message.number, message.text, {}};
    if (redact_) scraped_.Start(path);
    har::Page page;
    page.id = "page_" + std::to_string(document_.pages.size() + 1);
    page.title = FileName(path);
    page.startedDateTime = har::Now();
    har::RunRecord run;
    run.file = page.title;
    run.prefix = message.prefix;
    // The message's own encoding when the run was told it (UTF-8 for a JSON body).
    const std::optional<charset::Charset> own =
        message.charset ? charset::Charset::Find(message.charset) : std::nullopt;
    const charset::Charset& sent = own ? *own : charset_;
    run.number = redact_ ? "$Number" : sent.Decode(message.number);
    run.message = redact_ ? "$Message" : sent.Decode(message.text);
    run.charset = sent.name();
    if (message.sender) run.sender = charset_.Decode(message.sender);
    if (user) run.user = redact_ ? "$User" : charset_.Decode(user);
    if (password) run.password = redact_ ? "$Pass" : charset_.Decode(password);
    run.redacted = redact_;
    page.run = std::move(run);
    document_.pages.push_back(std::move(page));
    section_ = 0;
}

void Recording::RequestStarted(int section) {
    std::lock_guard<std::mutex> lock(mutex_);
    section_ = section;
}

void Recording::RunEnded(int result) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (document_.pages.empty() || !document_.pages.back().run) return;
    har::RunRecord& run = *document_.pages.back().run;
    run.result = result;
    run.resultName = script::DescribeResult(result).name;
}

void Recording::Received(const har::Request& request, const har::Response& response, double ms) {
    std::lock_guard<std::mutex> lock(mutex_);
    har::Entry entry;
    if (!document_.pages.empty()) entry.pageref = document_.pages.back().id;
    entry.startedDateTime = har::Now();
    entry.time = ms;
    entry.request = request;
    entry.response = response;
    entry.section = section_;
    if (redact_) {
        scraped_.Learn(section_, response.content.text, &secrets_);
        Redact(&entry.request, secrets_);
        Redact(&entry.response, secrets_);
    }
    document_.entries.push_back(std::move(entry));
}

har::Document Recording::Document() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return document_;
}

bool Recording::Save(const std::string& path, std::string* error) const {
    if (files::ReplaceWhole(path, har::Format(Document()), files::InPlace::kNever)) return true;
    *error = "cannot write the recording " + path;
    return false;
}

}  // namespace record
