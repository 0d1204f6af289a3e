#include "send/Credit.h"

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "catalogue/Catalogue.h"
#include "script/profile/Profile.h"
#include "send/SendJob.h"
#include "shell/Clock.h"
#include "shell/HostLink.h"
#include "shell/Log.h"
#include "shell/Notice.h"
#include "shell/Settings.h"

namespace credit {
namespace {

// The settings of one gateway's last known credit: the name's prefix, then
// the gateway's file name.
constexpr const char* kValueSetting = "Credit_";
constexpr const char* kUnitSetting = "CreditUnit_";
constexpr const char* kTimeSetting = "CreditTime_";
// The gateway key below which a reading brings a notice.
constexpr const char* kLowKey = "CreditLow";
constexpr size_t kLowSize = 64;
constexpr size_t kNoticeSize = 512;

std::string SettingName(const char* head, const std::string& gateway) { return head + gateway; }

std::optional<Reading> NoEngine(const std::string&, std::atomic<int>*) { return std::nullopt; }

std::mutex g_readerMutex;
Reader g_reader;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

void CheckLow(const std::string& name, const std::string& path, const Reading& reading,
              const std::optional<Kept>& before) {
    std::optional<double> low = ParseAmount(profile::Read(path.c_str(), "Gateway", kLowKey, kLowSize));
    std::optional<double> now = ParseAmount(reading.value);
    if (!low || !now) return;
    std::optional<double> previous = before ? ParseAmount(before->value) : std::nullopt;
    if (!FellBelow(previous, *now, *low)) return;
    char text[kNoticeSize];
    std::snprintf(text, sizeof text, "The credit of gateway %s is down to %s (CreditLow: %g).", name.c_str(),
                  Text(reading).c_str(), *low);
    WriteLog(" - WARNING: %s\n", text);
    ShowNotice(text);
}

// The background reading of the Credit page: one at a time, waited for at unload.
struct Background {
    std::mutex mutex;
    std::condition_variable ended;
    bool running = false;
    std::atomic<int> abortFlag{0};
};
Background g_background;

void EndBackground() {
    std::lock_guard<std::mutex> lock(g_background.mutex);
    g_background.running = false;
    g_background.ended.notify_all();
}

void ReadAll(const std::vector<GatewayView>& gateways, const std::function<void()>& done) {
    host::CallService("Miranda/Thread/Push", 0, 0);
    try {
        for (const GatewayView& g : gateways) {
            if (g_background.abortFlag.load() == 1) break;
            std::optional<Reading> reading = Read(g.path, &g_background.abortFlag);
            if (reading && g_background.abortFlag.load() != 1) Record(g.name, g.path, *reading);
        }
        if (done) done();
    } catch (...) {
        WriteLog(" - ERROR: Reading the credit stopped on an unexpected error\n");
    }
    host::CallService("Miranda/Thread/Pop", 0, 0);
    EndBackground();
}

}  // namespace

std::string Text(const Reading& reading) {
    if (!reading.known) return "unknown";
    return reading.unit.empty() ? reading.value : reading.value + " " + reading.unit;
}

std::string SentStatus(const Reading& reading) {
    if (!reading.known) return sendtext::kSent;
    return std::string(sendtext::kSent) + " (credit: " + Text(reading) + ")";
}

std::optional<double> ParseAmount(const std::string& text) {
    size_t i = 0;
    const size_t n = text.size();
    while (i < n && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < n && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    double whole = 0;
    size_t digits = 0;
    for (; i < n && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) whole = whole * 10 + (text[i] - '0');
    if (digits == 0) return std::nullopt;
    if (i < n && (text[i] == '.' || text[i] == ',')) {
        ++i;
        double scale = 0.1;
        size_t fraction = 0;
        for (; i < n && text[i] >= '0' && text[i] <= '9'; ++i, ++fraction, scale /= 10)
            whole += (text[i] - '0') * scale;
        if (fraction == 0) return std::nullopt;
    }
    while (i < n && IsBlank(text[i])) ++i;
    if (i != n) return std::nullopt;
    return negative ? -whole : whole;
}

bool FellBelow(std::optional<double> previous, double current, double low) {
    return current < low && !(previous && *previous < low);
}

void SetReader(Reader reader) {
    std::lock_guard<std::mutex> lock(g_readerMutex);
    g_reader = std::move(reader);
}

std::optional<Reading> Read(const std::string& path, std::atomic<int>* abortFlag) {
    Reader reader;
    {
        std::lock_guard<std::mutex> lock(g_readerMutex);
        reader = g_reader ? g_reader : Reader(NoEngine);
    }
    return reader(path, abortFlag);
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

void Record(const std::string& name, const std::string& path, const Reading& reading) {
    WriteLog("* Credit of %s: %s\n", name.c_str(), Text(reading).c_str());
    if (!reading.known) return;  // the last known figure stays
    std::optional<Kept> before = Load(name);
    settings::WriteText(SettingName(kValueSetting, name).c_str(), reading.value);
    settings::WriteText(SettingName(kUnitSetting, name).c_str(), reading.unit);
    settings::WriteDword(SettingName(kTimeSetting, name).c_str(), forward::Now());
    CheckLow(name, path, reading, before);
}

bool ReadAllInBackground(std::function<void()> done) {
    {
        std::lock_guard<std::mutex> lock(g_background.mutex);
        if (g_background.running) return false;
        g_background.running = true;
        g_background.abortFlag.store(0);
    }
    try {
        std::thread([gateways = ListGateways(), done = std::move(done)] { ReadAll(gateways, done); }).detach();
    } catch (...) {
        EndBackground();
        return false;
    }
    return true;
}

bool ReadingInBackground() {
    std::lock_guard<std::mutex> lock(g_background.mutex);
    return g_background.running;
}

void StopBackgroundReading() {
    g_background.abortFlag.store(1);
    std::unique_lock<std::mutex> lock(g_background.mutex);
    g_background.ended.wait(lock, [] { return !g_background.running; });
}

}  // namespace credit
