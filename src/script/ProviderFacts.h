// What a provider knows beyond "sent": the account's credit and whether a
// message arrived. The names of the sections and keys that say where to find
// them are written here once; the runner, parlet check and the docs read
// them from here.
//
//   [Gateway]  MessageId=  pattern or json: path, cut from the send's last reply
//   [Credit]   Value=      pattern or json: path, cut from the last reply of
//                          [Credit1], [Credit2], ... (requests like [Request%d])
//              Unit=       text shown after the value ("EUR", "SMS")
//              SendPage=   n: the value shows on the page of [Request n] of
//                          the send itself; no request of its own
//              CreditLow=  a number: below it the credit is low
//   [Status]   Value=      optional: the part of the reply the texts are
//                          compared with (pattern or json: path); without
//                          it the texts are sought in the whole reply
//              Delivered1=, Failed1=, Pending1=, ...: texts, as Success is
//              for a send; [Status1], [Status2], ... are its requests,
//              whose templates know $MessageId.
#pragma once

#include <cstddef>
#include <string>

namespace script {

// Sections and keys.
constexpr char kMessageIdKey[] = "MessageId";  // of [Gateway]
constexpr char kCreditSection[] = "Credit";
constexpr char kStatusSection[] = "Status";
constexpr char kValueKey[] = "Value";  // of [Credit] and [Status]
constexpr char kUnitKey[] = "Unit";
constexpr char kSendPageKey[] = "SendPage";
constexpr char kCreditLowKey[] = "CreditLow";
// The request sections of an inquiry: the section's name and a number
// ("Credit1", "Status2"), as "Request1" is for a send.
constexpr const char* kRequestStem = "Request";
constexpr const char* kCreditRequestStem = kCreditSection;
constexpr const char* kStatusRequestStem = kStatusSection;

// The delivery states a [Status] reply maps to, with the numbered key of
// the texts of each, in the order they are tried: a reply that matches none
// is unknown.
enum class Delivery { kUnknown, kPending, kDelivered, kFailed };
struct DeliveryText {
    Delivery state;
    const char* name;  // "delivered", as printed and logged
    const char* key;   // "Delivered": Delivered1, Delivered2, ... (null for unknown)
};
constexpr DeliveryText kDeliveryTexts[] = {
    {Delivery::kFailed, "failed", "Failed"},
    {Delivery::kDelivered, "delivered", "Delivered"},
    {Delivery::kPending, "pending", "Pending"},
    {Delivery::kUnknown, "unknown", nullptr},
};
const char* DeliveryName(Delivery state);

// An account's credit as a reply showed it. Unknown when nothing matched or
// what matched is no number: never a wrong figure.
struct Credit {
    bool known = false;
    std::string value;  // as the reply wrote it, trimmed: "12.40"
    double amount = 0;  // the value as a number
    std::string unit;   // the file's Unit, "" for none
};
// The longest credit value and message id taken from a reply: anything
// longer is no figure and no id, but a pattern that ran over the page.
constexpr size_t kMaxCreditLength = 40;
constexpr size_t kMaxMessageIdLength = 200;

// "12.40 EUR", "12.40" without a unit, "unknown".
std::string CreditText(const Credit& credit);

// A credit value as a number: optional sign, digits, one "." or "," and
// digits; blanks around it allowed. False for anything else ("", "n/a",
// "12 EUR").
bool ParseCreditAmount(const std::string& value, double* amount);

}  // namespace script
