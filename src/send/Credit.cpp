#include "send/Credit.h"

#include <atomic>
#include <cstdio>
#include <thread>
#include <utility>
#include <vector>

#include "catalogue/Accounts.h"
#include "catalogue/Catalogue.h"
#include "script/Inquiry.h"
#include "script/profile/Profile.h"
#include "send/SendJob.h"
#include "shell/Clock.h"
#include "shell/HostLink.h"
#include "shell/Log.h"
#include "shell/Notice.h"
#include "shell/OneAtATime.h"
#include "shell/Settings.h"

namespace credit {
namespace {

// The settings of one gateway's last known credit: the name's prefix, then
// the gateway's file name.
constexpr const char* kValueSetting = "Credit_";
constexpr const char* kUnitSetting = "CreditUnit_";
constexpr const char* kTimeSetting = "CreditTime_";
constexpr size_t kNoticeSize = 512;
constexpr size_t kFieldSize = 1024;

std::string SettingName(const char* head, const std::string& gateway) { return head + gateway; }

std::atomic<Reader> g_reader{nullptr};

void CheckLow(const std::string& name, const std::string& path, const script::Credit& credit,
              const std::optional<Kept>& before) {
    double low = 0;
    if (!credit.known || !script::CreditLowMark(path.c_str(), &low)) return;
    double last = 0;
    std::optional<double> previous;
    if (before && script::ParseCreditAmount(before->value, &last)) previous = last;
    if (!FellBelow(previous, credit.amount, low)) return;
    char text[kNoticeSize];
    std::snprintf(text, sizeof text, "The credit of gateway %s is down to %s (CreditLow: %g).", name.c_str(),
                  script::CreditText(credit).c_str(), low);
    WriteLog(" - WARNING: %s\n", text);
    ShowNotice(text);
}

// The account a reading on the user's word uses: the first of the
// gateway's account file, or the file's own Username and Password.
void FirstAccount(const std::string& path, std::optional<std::string>* user, std::optional<std::string>* password) {
    AccountCredentials account;
    const std::string accounts = AccountFilePath(path);
    if (!accounts.empty() && ReadAccount(accounts, 1, &account) == 0) {
        *user = account.user;
        *password = account.password;
        return;
    }
    std::string u = profile::Read(path.c_str(), "Gateway", "Username", kFieldSize);
    std::string p = profile::Read(path.c_str(), "Gateway", "Password", kFieldSize);
    if (!u.empty()) *user = u;
    if (!p.empty()) *password = p;
}

// The background reading of the Credit page: one at a time, waited for at unload.
job::OneAtATime g_background;
job::LastThread g_backgroundThread;

void EndBackground() { g_background.Release(); }

void ReadAll(const std::vector<GatewayView>& gateways, Done done, void* context) {
    host::CallService("Miranda/Thread/Push", 0, 0);
    try {
        for (const GatewayView& g : gateways) {
            if (g_background.abortFlag().load() == 1) break;
            std::optional<std::string> user;
            std::optional<std::string> password;
            FirstAccount(g.path, &user, &password);
            std::optional<script::Credit> credit =
                Read(g.path, user ? user->c_str() : nullptr, password ? password->c_str() : nullptr,
                     &g_background.abortFlag());
            if (credit && g_background.abortFlag().load() != 1) Record(g.name, g.path, *credit);
        }
        if (done) done(context);
    } catch (...) {
        WriteLog(" - ERROR: Reading the credit stopped on an unexpected error\n");
    }
    host::CallService("Miranda/Thread/Pop", 0, 0);
    EndBackground();
}

}  // namespace

std::string SentStatus(const script::Credit& credit) {
    if (!credit.known) return sendtext::kSent;
    return std::string(sendtext::kSent) + " (credit: " + script::CreditText(credit) + ")";
}

bool FellBelow(std::optional<double> previous, double current, double low) {
    return current < low && !(previous && *previous < low);
}

void SetReader(Reader reader) { g_reader.store(reader); }

std::optional<script::Credit> Read(const std::string& path, const char* user, const char* password,
                                   std::atomic<int>* abortFlag) {
    if (!script::HasCredit(path.c_str())) return std::nullopt;
    Reader reader = g_reader.load();
    script::Credit credit;
    (reader ? reader : script::ReadCredit)(path.c_str(), user, password, &credit, nullptr, abortFlag);
    return credit;  // unknown when the run failed or the value was not found
}

std::optional<Kept> Load(const std::string& name) {
    std::optional<std::string> value = settings::ReadText(SettingName(kValueSetting, name).c_str());
    if (!value) return std::nullopt;
    Kept kept;
    kept.value = *value;
    kept.unit = settings::ReadText(SettingName(kUnitSetting, name).c_str()).value_or("");
    kept.readAt = settings::ReadDword(SettingName(kTimeSetting, name).c_str()).value_or(0);
    return kept;
}

void Record(const std::string& name, const std::string& path, const script::Credit& credit) {
    WriteLog("* Credit of %s: %s\n", name.c_str(), script::CreditText(credit).c_str());
    if (!credit.known) return;  // the last known figure stays
    std::optional<Kept> before = Load(name);
    settings::WriteText(SettingName(kValueSetting, name).c_str(), credit.value);
    settings::WriteText(SettingName(kUnitSetting, name).c_str(), credit.unit);
    settings::WriteDword(SettingName(kTimeSetting, name).c_str(), forward::Now());
    CheckLow(name, path, credit, before);
}

bool ReadAllInBackground(Done done, void* context) {
    if (!g_background.Claim()) return false;
    try {
        g_backgroundThread.Start(ReadAll, ListGateways(), done, context);
    } catch (...) {
        EndBackground();
        return false;
    }
    return true;
}

bool ReadingInBackground() { return g_background.Running(); }

void StopBackgroundReading() {
    g_background.Stop();
    g_backgroundThread.Join();
}

}  // namespace credit
