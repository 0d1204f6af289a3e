#include "shell/Log.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>

#include "shell/LogFile.h"
#include "shell/Settings.h"

namespace {

// One lock keeps the file, the name and whole entries together: two send
// threads never interleave their entries and the file is opened once. Each
// entry goes to the file in one unbuffered append, so nothing waits in a
// buffer for a kill to lose, and other processes' entries never mix in.
std::mutex g_mutex;
logfile::Handle g_file = logfile::kNone;
char g_name[logging::kMaxNameLength + 1] = "";
logging::Observer g_observer = nullptr;
void* g_observerContext = nullptr;
std::atomic<bool> g_hasObserver{false};  // lets the common case skip the lock

bool OpenFile() {
    if (g_file != logfile::kNone) return true;
    if (g_name[0] == '\0') {
        std::string name = settings::Logfile();
        std::snprintf(g_name, sizeof g_name, "%s", name.c_str());
    }
    g_file = logfile::Open(g_name);
    return g_file != logfile::kNone;
}

// "Wed Dec 19 02:21:12 2007": the ctime layout without its line break.
void FormatTime(char* out, size_t size) {
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    local = *std::localtime(&now);  // the C runtime keeps this buffer per thread
#else
    localtime_r(&now, &local);
#endif
    std::snprintf(out, size, "%.3s %.3s%3d %.2d:%.2d:%.2d %d", kDays[local.tm_wday % 7], kMonths[local.tm_mon % 12],
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, 1900 + local.tm_year);
}

}  // namespace

void WriteLog(const char* format, ...) {
    bool enabled = settings::DoLog();
    if (!enabled && !g_hasObserver.load()) return;

    std::unique_ptr<char[]> entry(new (std::nothrow) char[logging::kEntrySize]);
    if (!entry) return;
    char stamp[32];
    FormatTime(stamp, sizeof stamp);
    int prefix = std::snprintf(entry.get(), logging::kEntrySize, "%s    ", stamp);
    va_list args;
    va_start(args, format);
    std::vsnprintf(entry.get() + prefix, logging::kEntrySize - prefix, format, args);
    va_end(args);

    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_observer) g_observer(entry.get(), g_observerContext);
    if (!enabled || !OpenFile()) return;
    logfile::Append(g_file, entry.get(), std::strlen(entry.get()));
}

void CloseLog() {
    std::lock_guard<std::mutex> lock(g_mutex);
    logfile::Close(g_file);
    g_file = logfile::kNone;
}

namespace logging {

void SetObserver(Observer observer, void* context) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_observer = observer;
    g_observerContext = context;
    g_hasObserver.store(observer != nullptr);
}

void ResetForTests() {
    std::lock_guard<std::mutex> lock(g_mutex);
    logfile::Close(g_file);
    g_file = logfile::kNone;
    g_name[0] = '\0';
}

}  // namespace logging
