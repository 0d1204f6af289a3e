#include "shell/Settings.h"

#include "shell/HostLink.h"

namespace settings {
namespace {

// Reads a setting of any type; the caller releases a text with FreeVariant.
bool Fetch(const char* module, const char* name, host::Contact contact, host::DbVariant& value) {
    value = host::DbVariant{};
    host::DbGetSetting request{module, name, &value};
    host::Word result = host::CallService("DB/Contact/GetSetting", reinterpret_cast<host::Word>(contact),
                                          reinterpret_cast<host::Word>(&request));
    return result == 0;
}

void Release(host::DbVariant& value) {
    host::CallService("DB/Contact/FreeVariant", 0, reinterpret_cast<host::Word>(&value));
}

// Nothing when the setting is absent (or of a type this build does not know).
std::optional<Value> FetchValue(const char* module, const char* name, host::Contact contact) {
    host::DbVariant variant;
    if (!Fetch(module, name, contact, variant)) return std::nullopt;
    std::optional<Value> value{Value{}};
    switch (variant.type) {
    case host::kDbByte: value->number = variant.bVal; break;
    case host::kDbWord: value->number = variant.wVal; break;
    case host::kDbDword: value->number = variant.dVal; break;
    case host::kDbText:
        if (variant.pszVal) value->text = variant.pszVal;
        break;
    default: value.reset(); break;
    }
    if (value) value->type = static_cast<host::DbValueType>(variant.type);
    Release(variant);
    return value;
}

std::optional<uint32_t> ReadNumber(const char* module, const char* name, host::Contact contact) {
    std::optional<Value> value = FetchValue(module, name, contact);
    // A text where a number belongs counts as absent.
    if (!value || value->IsText()) return std::nullopt;
    return value->number;
}

// False when the setting is absent; `text` stays empty when it is stored as
// something other than text.
bool FetchText(const char* module, const char* name, host::Contact contact, std::optional<std::string>* text) {
    host::DbVariant value;
    if (!Fetch(module, name, contact, value)) return false;
    if (value.type == host::kDbText && value.pszVal) *text = std::string(value.pszVal);
    Release(value);
    return true;
}

bool Write(const char* module, const char* name, host::Contact contact, const host::DbVariant& value) {
    host::DbWriteSetting request{module, name, value};
    return host::CallService("DB/Contact/WriteSetting", reinterpret_cast<host::Word>(contact),
                             reinterpret_cast<host::Word>(&request)) == 0;
}

}  // namespace

std::optional<uint8_t> ReadByte(const char* name, host::Contact contact, const char* module) {
    auto v = ReadNumber(module, name, contact);
    if (!v) return std::nullopt;
    return static_cast<uint8_t>(*v);
}

std::optional<uint16_t> ReadWord(const char* name, host::Contact contact, const char* module) {
    auto v = ReadNumber(module, name, contact);
    if (!v) return std::nullopt;
    return static_cast<uint16_t>(*v);
}

std::optional<uint32_t> ReadDword(const char* name, host::Contact contact, const char* module) {
    return ReadNumber(module, name, contact);
}

std::optional<std::string> ReadText(const char* name, host::Contact contact, const char* module) {
    std::optional<std::string> text;
    FetchText(module, name, contact, &text);
    return text;
}

std::optional<Value> ReadValue(const char* name, host::Contact contact, const char* module) {
    return FetchValue(module, name, contact);
}

bool WriteValue(const char* name, const Value& value, host::Contact contact, const char* module) {
    switch (value.type) {
    case host::kDbByte: return WriteByte(name, static_cast<uint8_t>(value.number), contact, module);
    case host::kDbWord: return WriteWord(name, static_cast<uint16_t>(value.number), contact, module);
    case host::kDbDword: return WriteDword(name, value.number, contact, module);
    default: return WriteText(name, value.text, contact, module);
    }
}

bool WriteByte(const char* name, uint8_t v, host::Contact contact, const char* module) {
    host::DbVariant value{};
    value.type = host::kDbByte;
    value.bVal = v;
    return Write(module, name, contact, value);
}

bool WriteWord(const char* name, uint16_t v, host::Contact contact, const char* module) {
    host::DbVariant value{};
    value.type = host::kDbWord;
    value.wVal = v;
    return Write(module, name, contact, value);
}

bool WriteDword(const char* name, uint32_t v, host::Contact contact, const char* module) {
    host::DbVariant value{};
    value.type = host::kDbDword;
    value.dVal = v;
    return Write(module, name, contact, value);
}

bool WriteText(const char* name, const std::string& v, host::Contact contact, const char* module) {
    host::DbVariant value{};
    value.type = host::kDbText;
    value.pszVal = const_cast<char*>(v.c_str());
    return Write(module, name, contact, value);
}

bool Delete(const char* name, host::Contact contact, const char* module) {
    host::DbGetSetting request{module, name, nullptr};
    return host::CallService("DB/Contact/DeleteSetting", reinterpret_cast<host::Word>(contact),
                             reinterpret_cast<host::Word>(&request)) == 0;
}

const char* const kDefaultSuccessMsg = "Your message has been sent successfully to my owner! :)";
const char* const kDefaultFailureMsg =
    "Sorry, I was not able to send your SMS-Message to my owner.. You may try again later.";
const char* const kDefaultFloodMsg =
    "Sorry, you are not allowed to flood me with SMS-messages. Please wait %d minutes, before you can send the next "
    "message.";

const char* const kDefaultQueuedMsg = "I have kept your message and will try again to send it later.";

std::string GatewayPath() { return ReadText("GatewayPath").value_or(".\\Gateways"); }
std::optional<std::string> SenderNumber() { return ReadText("SenderNumber"); }
uint32_t OnTooLong() { return ReadDword("OnTooLong").value_or(kCutLongMessages); }
uint16_t SplitNumber() { return ReadWord("SplitNumber").value_or(2); }
bool NumberMsgs() { return ReadByte("NumberMsgs").value_or(0) != 0; }
bool ActivateOnNA() { return ReadByte("ActivateOnNA").value_or(0) != 0; }
constexpr const char* kDefaultTrigger = "[SMS]";
std::string Trigger() { return ReadText("Trigger").value_or(kDefaultTrigger); }
std::optional<std::string> ForwardTrigger() {
    std::optional<std::string> text;
    if (!FetchText(kModule, "Trigger", nullptr, &text)) return std::string(kDefaultTrigger);
    return text;
}
uint16_t UserMsgInterval() { return ReadWord("UserMsgInterval").value_or(5); }
bool Active() { return ReadByte("Active").value_or(0) != 0; }
bool DoLog() { return ReadByte("DoLog").value_or(0) != 0; }
std::string Logfile() { return ReadText("Logfile").value_or("sms_log.txt"); }
bool Verbose() { return ReadByte("Verbose").value_or(0) != 0; }
bool UseWab() { return ReadByte("UseWab").value_or(1) != 0; }
std::optional<std::string> SuccessMsg() { return ReadText("SuccessMsg"); }
std::optional<std::string> FailureMsg() { return ReadText("FailureMsg"); }
std::optional<std::string> FloodMsg() { return ReadText("FloodMsg"); }
std::optional<std::string> LastSelectedPrefix() { return ReadText("LastSelectedPrefix"); }
bool ShowNonCriticalPopups() { return ReadByte("ShowNonCriticalPopups").value_or(1) != 0; }
uint32_t LastSendTime(host::Contact contact) { return ReadDword("LastSendTime", contact).value_or(0); }
bool QueueFailed() { return ReadByte("QueueFailed").value_or(0) != 0; }
uint16_t QueueRetryMinutes() { return ReadWord("QueueRetryMinutes").value_or(15); }
uint16_t QueueMaxTries() { return ReadWord("QueueMaxTries").value_or(24); }
std::optional<std::string> QueuedMsg() { return ReadText("QueuedMsg"); }
bool LogHistory() { return ReadByte("LogHistory").value_or(1) != 0; }

}  // namespace settings
