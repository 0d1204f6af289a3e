// The credit and delivery status of a gateway file: [Gateway] MessageId,
// [Credit] and [Status] and their request sections, with the names of the
// engine's own table (script/ProviderFacts.h).
#include <string>
#include <vector>

#include "LintChecks.h"
#include "script/Extract.h"
#include "script/ProviderFacts.h"
#include "script/RunObserver.h"

namespace lint {
namespace {

using script::kValueSize;

constexpr char kMessageIdVariable[] = "$MessageId";

// An inquiry's request sections, each checked as the runner builds it.
std::vector<const Section*> CheckInquiryRequests(Sheet& sheet, const char* stem, const Section* gw) {
    const std::vector<const Section*> requests =
        sheet.ReadSectionList(stem, "the inquiry ends", "is never run", [&](const Section* s, std::string* why) {
            if (sheet.Present(s, "URL", kValueSize)) return true;
            *why = "has no URL";
            return false;
        });
    Gathered gathered;
    for (const Section* r : requests) {
        CheckRequest(sheet, *r, gw, gathered);
        if (std::string(stem) != script::kStatusRequestStem) WarnMessageIdOutsideStatus(sheet, *r);
    }
    return requests;
}

// A Value as the runner cuts it: a pattern or a JSON path.
const Key* CheckValueKey(Sheet& sheet, const Section* section) {
    const Key* value = sheet.Present(section, script::kValueKey, kValueSize);
    if (value) CheckCustomVar(sheet, *value, sheet.Value(value, kValueSize));
    return value;
}

void CheckSendPage(Sheet& sheet, const Key& key) {
    const std::string value = sheet.Value(&key, kValueSize);
    const int page = IsNumber(value) ? std::stoi(value.substr(0, 9)) : 0;
    if (page <= 0 || !sheet.FindSection("Request" + std::to_string(page))) {
        sheet.Error(key.line,
                    "SendPage \"" + value + "\" names no [Request" + value + "] of this file: the credit is never read",
                    "write the number of the request whose page shows the credit");
    }
}

void CheckCredit(Sheet& sheet, const Section* gw) {
    const Section* credit = sheet.FindSection(script::kCreditSection);
    const std::vector<const Section*> requests = CheckInquiryRequests(sheet, script::kCreditRequestStem, gw);
    if (!credit) {
        if (!requests.empty()) {
            sheet.Error(requests.front()->line, "[Credit1] without a [Credit] section: nothing reads its reply",
                        "add [Credit] with Value=<pattern or json:path> (and Unit=)");
        }
        return;
    }
    if (!CheckValueKey(sheet, credit)) {
        sheet.Error(credit->line, "[Credit] has no Value: the credit is never read",
                    "add Value=<pattern or json:path> that finds the figure on the reply");
    }
    sheet.FindKey(credit, script::kUnitKey);
    const Key* sendPage = sheet.Present(credit, script::kSendPageKey, kValueSize);
    if (sendPage) CheckSendPage(sheet, *sendPage);
    if (!sendPage && requests.empty()) {
        sheet.Error(credit->line, "[Credit] has no SendPage and there is no [Credit1]: the credit is never read",
                    "add [Credit1] with the request that shows it, or SendPage=<n> for the send's page");
    }
    if (const Key* low = sheet.Present(credit, script::kCreditLowKey, kValueSize)) {
        double mark = 0;
        if (!script::ParseCreditAmount(sheet.Value(low, kValueSize), &mark)) {
            sheet.Warn(low->line, "CreditLow \"" + sheet.Value(low, kValueSize) + "\" is no number: it is ignored",
                       "write the figure below which the credit is low, for example CreditLow=5.00");
        }
    }
}

void CheckStatus(Sheet& sheet, const Section* gw) {
    const Section* status = sheet.FindSection(script::kStatusSection);
    const std::vector<const Section*> requests = CheckInquiryRequests(sheet, script::kStatusRequestStem, gw);
    const Key* messageId = gw ? sheet.Present(gw, script::kMessageIdKey, kValueSize) : nullptr;
    if (messageId) CheckCustomVar(sheet, *messageId, sheet.Value(messageId, kValueSize));
    if (!status && requests.empty()) return;
    const int line = status ? status->line : requests.front()->line;
    if (!messageId) {
        sheet.Error(line, "[Gateway] has no MessageId: no message id is known, so the status is never asked",
                    "add MessageId=<pattern or json:path> that finds the id on the send's last reply");
    }
    if (requests.empty()) {
        sheet.Error(line, "no [Status1] with a URL: the status is never asked",
                    "add [Status1] with URL=...$MessageId...");
    }
    if (!status) {
        sheet.Error(line, "no [Status] section: every reply reads as unknown",
                    "add [Status] with Delivered1=, Failed1= and Pending1= texts");
        return;
    }
    CheckValueKey(sheet, status);
    size_t texts = 0;
    for (const script::DeliveryText& row : script::kDeliveryTexts) {
        if (row.key) texts += sheet.ReadList(status, row.key, kValueSize).size();
    }
    if (texts == 0) {
        sheet.Error(status->line, "[Status] has no Delivered1, Failed1 or Pending1: every reply reads as unknown",
                    "add the texts the provider answers, for example Delivered1=delivered");
    }
}

}  // namespace

void WarnMessageIdOutsideStatus(Sheet& sheet, const Section& request) {
    for (const Key& key : request.keys) {
        if (IsComment(key) || key.value.find(kMessageIdVariable) == std::string::npos) continue;
        sheet.Warn(key.line,
                   std::string(kMessageIdVariable) + " has a value only in [" + script::kStatusRequestStem +
                       "%d] requests: here it stays in the text",
                   "ask for the status in [Status1]");
    }
}

void CheckInquirySections(Sheet& sheet, const Section* gw) {
    CheckCredit(sheet, gw);
    CheckStatus(sheet, gw);
}

}  // namespace lint
