#include "script/Inquiry.h"

#include <cstring>

#include "script/InquiryPages.h"
#include "script/RunObserver.h"
#include "script/RunState.h"
#include "script/RunnerSteps.h"
#include "script/Search.h"
#include "script/profile/NumberedKeys.h"
#include "script/profile/Profile.h"
#include "shell/Log.h"
#include "shell/Text.h"

namespace script {
namespace {

std::string Key(const char* path, const char* section, const char* key) {
    return profile::Read(path, section, key, kValueSize);
}

struct FileSection {
    const char* path;
    const char* section;
};

std::string ReadFileKey(const void* context, const char* key) {
    const FileSection* s = static_cast<const FileSection*>(context);
    return Key(s->path, s->section, key);
}

std::string TrimmedOfLineBlanks(const std::string& text) {
    const char* blanks = " \t\r\n";
    const size_t begin = text.find_first_not_of(blanks);
    if (begin == std::string::npos) return std::string();
    return text.substr(begin, text.find_last_not_of(blanks) + 1 - begin);
}

// The value a [Credit] or [Status] Value names; false when it is not on the
// page, or a pattern's end was not and the value ran to the page's end.
bool CutTrimmed(const std::string& pattern, const char* body, size_t length, std::string* value) {
    bool ranToEnd = false;
    if (pattern.empty() || !CutValue(body, length, pattern, value, &ranToEnd) || ranToEnd) return false;
    *value = TrimmedOfLineBlanks(*value);
    return true;
}

// Whether one of the texts "stem1", "stem2", ... is in the reply: equal to
// the cut value (letter case aside) or, without one, within the page.
bool AnyText(const SectionKeys& status, const char* stem, const std::string* value, const char* body, size_t length) {
    bool found = false;
    profile::ReadNumbered(
        {stem}, [&](const std::string& name) { return status.read(status.context, name.c_str()); },
        [&](int, const std::string&, const std::string& text) {
            found =
                value ? text::LowerAscii(text) == text::LowerAscii(*value) : FindExact(body, length, text) != kNotFound;
            return !found;
        });
    return found;
}

int SendPageOf(const char* path) {
    if (Key(path, kCreditSection, kValueKey).empty()) return 0;
    const int page = text::ParseDecimal(Key(path, kCreditSection, kSendPageKey).c_str());
    return page > 0 && page <= kLastNumber ? page : 0;
}

bool HasOwnRequests(const char* path, const char* stem) {
    return !Key(path, profile::NumberedName(stem, 1).c_str(), "URL").empty();
}

SmsMessage NoMessage() {
    SmsMessage none{};
    none.prefix = "";
    none.number = "";
    none.text = "";
    return none;
}

}  // namespace

Credit CutCredit(const SectionKeys& credit, const char* body, size_t length) {
    Credit c;
    c.unit = credit.read(credit.context, kUnitKey);
    std::string value;
    if (!CutTrimmed(credit.read(credit.context, kValueKey), body, length, &value)) return c;
    if (!ParseCreditAmount(value, &c.amount)) return c;
    c.value = value;
    c.known = true;
    return c;
}

Delivery MapDelivery(const SectionKeys& status, const char* body, size_t length) {
    const std::string pattern = status.read(status.context, kValueKey);
    std::string value;
    if (!pattern.empty() && !CutTrimmed(pattern, body, length, &value)) return Delivery::kUnknown;
    for (const DeliveryText& row : kDeliveryTexts) {
        if (row.key && AnyText(status, row.key, pattern.empty() ? nullptr : &value, body, length)) return row.state;
    }
    return Delivery::kUnknown;
}

std::string CutMessageId(const std::string& pattern, const char* body, size_t length) {
    std::string id;
    if (!CutTrimmed(pattern, body, length, &id) || id.size() > kMaxMessageIdLength) return std::string();
    for (char c : id) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return std::string();
    }
    return id;
}

int CreditPageOf(const Run& run) {
    // An inquiry's own requests read their last page instead.
    if (run.inquiry && std::strcmp(run.stem, kRequestStem) != 0) return 0;
    return SendPageOf(run.path);
}

void ReadCreditPage(Run& run, const char* body, size_t length) {
    const FileSection section{run.path, kCreditSection};
    const Credit credit = CutCredit(SectionKeys{ReadFileKey, &section}, body, length);
    WriteLog(" - Credit: %s\n", CreditText(credit).c_str());
    if (run.inquiry) {
        run.inquiry->credit = credit;
        run.inquiry->answered = true;
    } else if (run.detail) {
        run.detail->credit = credit;
    }
}

void ReadInquiryPage(Run& run, const char* body, size_t length) {
    Inquiry& inquiry = *run.inquiry;
    if (std::strcmp(inquiry.section, kCreditSection) == 0) {
        ReadCreditPage(run, body, length);
        return;
    }
    const FileSection section{run.path, kStatusSection};
    inquiry.delivery = MapDelivery(SectionKeys{ReadFileKey, &section}, body, length);
    inquiry.answered = true;
    WriteLog(" - Delivery status of %s: %s\n", inquiry.messageId, DeliveryName(inquiry.delivery));
}

std::string ReadMessageId(const Run& run, const char* body, size_t length) {
    const std::string pattern = Read(run, "Gateway", kMessageIdKey);
    if (pattern.empty()) return std::string();
    const std::string id = CutMessageId(pattern, body, length);
    if (id.empty()) {
        WriteLog(" - WARNING: The reply shows no message id (%s=%s)\n", kMessageIdKey, pattern.c_str());
    } else {
        WriteLog(" - Message id: %s\n", id.c_str());
    }
    return id;
}

bool HasCredit(const char* path) { return !Key(path, kCreditSection, kValueKey).empty(); }

bool CreditFromSend(const char* path) { return SendPageOf(path) > 0; }

bool HasStatus(const char* path) {
    return !Key(path, "Gateway", kMessageIdKey).empty() && HasOwnRequests(path, kStatusRequestStem);
}

bool CreditLowMark(const char* path, double* mark) {
    const std::string low = Key(path, kCreditSection, kCreditLowKey);
    return !low.empty() && ParseCreditAmount(low, mark);
}

bool CreditIsLow(const char* path, const Credit& credit) {
    double mark = 0;
    return credit.known && CreditLowMark(path, &mark) && credit.amount < mark;
}

int ReadCredit(const char* path, const char* user, const char* password, Credit* credit, RunDetail* detail,
               std::atomic<int>* abortFlag) {
    *credit = Credit{};
    if (!path) path = "";
    profile::Snapshot snapshot(path);
    if (!HasCredit(path)) {
        LogErrorLine(" - ERROR: %s has no [%s] section with a %s\n", path, kCreditSection, kValueKey);
        return result::kNoRequest;
    }
    Inquiry inquiry;
    inquiry.section = kCreditSection;
    RunPlan plan;
    plan.inquiry = &inquiry;
    if (HasOwnRequests(path, kCreditRequestStem)) {
        plan.stem = kCreditRequestStem;
    } else {
        // Shown on a page of the send: the send's requests up to that page,
        // never the one that sends.
        const int page = SendPageOf(path);
        bool guessed = false;
        const int sending = SendingRequest(path, &guessed);
        if (page == 0 || (sending != 0 && sending <= page)) {
            LogErrorLine(" - ERROR: The credit shows only on a page that sending reaches: not read\n");
            return result::kNoRequest;
        }
        plan.stopBefore = page + 1;
    }
    SmsMessage none = NoMessage();
    const int result = RunPlanned(plan, path, user, password, &none, nullptr, abortFlag, detail);
    *credit = inquiry.credit;
    return result;
}

int ReadDelivery(const char* path, const char* user, const char* password, const char* messageId, Delivery* state,
                 RunDetail* detail, std::atomic<int>* abortFlag) {
    *state = Delivery::kUnknown;
    if (!path) path = "";
    profile::Snapshot snapshot(path);
    if (!HasStatus(path)) {
        LogErrorLine(" - ERROR: %s has no %s and no [%s1] section\n", path, kMessageIdKey, kStatusSection);
        return result::kNoRequest;
    }
    if (!messageId || !*messageId) {
        LogErrorLine(" - ERROR: No message id to ask about\n");
        return result::kMissingParameters;
    }
    Inquiry inquiry;
    inquiry.section = kStatusSection;
    inquiry.messageId = messageId;
    RunPlan plan;
    plan.stem = kStatusRequestStem;
    plan.inquiry = &inquiry;
    SmsMessage none = NoMessage();
    const int result = RunPlanned(plan, path, user, password, &none, nullptr, abortFlag, detail);
    *state = inquiry.delivery;
    return result;
}

int PollDelayMs(const PollSchedule& schedule, int attempt) {
    long long delay = schedule.firstMs;
    for (int i = 0; i < attempt && delay < schedule.longestMs; ++i) delay *= 2;
    return static_cast<int>(delay < schedule.longestMs ? delay : schedule.longestMs);
}

}  // namespace script
