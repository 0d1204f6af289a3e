// The plug-in's settings, kept in the host's database. Reads give nothing
// while a setting is absent; the named accessors apply the defaults of the
// settings table, and nothing is written back for a default.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "shell/HostRecords.h"

namespace settings {

constexpr const char* kModule = "Parlet-Plugin";
constexpr const char* kNetModule = "ZUVE_ROV";  // network user, window positions, phone contacts

std::optional<uint8_t> ReadByte(const char* name, host::Contact contact = nullptr, const char* module = kModule);
std::optional<uint16_t> ReadWord(const char* name, host::Contact contact = nullptr, const char* module = kModule);
std::optional<uint32_t> ReadDword(const char* name, host::Contact contact = nullptr, const char* module = kModule);
// An empty text that is stored is present; only an absent setting gives nothing.
std::optional<std::string> ReadText(const char* name, host::Contact contact = nullptr, const char* module = kModule);

// A setting of any type as it is stored: a number (byte, word, double word)
// or a text. Lists of settings end at a missing one, not at one of another
// type than they expect.
struct Value {
    host::DbValueType type = host::kDbText;
    uint32_t number = 0;
    std::string text;
    bool IsText() const { return type == host::kDbText; }
};
std::optional<Value> ReadValue(const char* name, host::Contact contact = nullptr, const char* module = kModule);
bool WriteValue(const char* name, const Value& value, host::Contact contact = nullptr, const char* module = kModule);

bool WriteByte(const char* name, uint8_t value, host::Contact contact = nullptr, const char* module = kModule);
bool WriteWord(const char* name, uint16_t value, host::Contact contact = nullptr, const char* module = kModule);
bool WriteDword(const char* name, uint32_t value, host::Contact contact = nullptr, const char* module = kModule);
bool WriteText(const char* name, const std::string& value, host::Contact contact = nullptr,
               const char* module = kModule);
bool Delete(const char* name, host::Contact contact = nullptr, const char* module = kModule);

// The settings table, with its defaults.
constexpr uint32_t kCutLongMessages = 1004;
constexpr uint32_t kSplitLongMessages = 1005;

extern const char* const kDefaultSuccessMsg;
extern const char* const kDefaultFailureMsg;
extern const char* const kDefaultFloodMsg;
extern const char* const kDefaultQueuedMsg;

std::string GatewayPath();                  // ".\Gateways"
std::optional<std::string> SenderNumber();  // none
uint32_t OnTooLong();                       // 1004: cut
uint16_t SplitNumber();                     // 2
bool NumberMsgs();                          // off
bool ActivateOnNA();                        // off
std::string Trigger();                      // "[SMS]", also for a value that is no text
// As the relay reads it: "[SMS]" while absent, none when stored as
// something other than text (then nothing is forwarded).
std::optional<std::string> ForwardTrigger();
uint16_t UserMsgInterval();               // 5 minutes
bool Active();                            // off
bool DoLog();                             // off
std::string Logfile();                    // "sms_log.txt"
bool Verbose();                           // off
bool UseWab();                            // on
std::optional<std::string> SuccessMsg();  // written at start-up when absent
std::optional<std::string> FailureMsg();
std::optional<std::string> FloodMsg();
std::optional<std::string> LastSelectedPrefix();
bool ShowNonCriticalPopups();                  // on
uint32_t LastSendTime(host::Contact contact);  // 0: never

// The outbox and the history.
bool QueueFailed();                      // off: a send that failed everywhere is not kept
uint16_t QueueRetryMinutes();            // 15
uint16_t QueueMaxTries();                // 24
std::optional<std::string> QueuedMsg();  // the answer to a forward that was kept; written at start-up when absent
bool LogHistory();                       // on: sent messages go into the contact's history

}  // namespace settings
