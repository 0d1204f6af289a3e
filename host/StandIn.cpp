// The stand-in's core: the link record, the event and service tables and the
// main-thread queue behind CallServiceSync.
#include "StandIn.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string_view>
#include <thread>
#include <unordered_map>

#include "StandInInternal.h"
#include "shell/HostLink.h"

namespace standin {
namespace {

using host::Handle;
using host::Word;

struct Hook {
    uintptr_t id;
    host::HookProc proc;
    void* window;  // set for a hook that posts a window message
    unsigned message;
};

struct Event {
    uintptr_t id;
    std::vector<Hook> hooks;
};

struct Service {
    uintptr_t id;
    host::ServiceProc proc;
    std::unique_ptr<std::string> name;  // the map's key looks into it
};

// Handler calls happen outside this lock: a handler may call the host again,
// from this or another thread.
std::mutex g_mutex;
std::map<std::string, Event, std::less<>> g_events;  // found by const char* without a copy
// Keyed by views of the names the entries own, so a call looks a service up
// without copying its name.
std::unordered_map<std::string_view, Service> g_services;
uintptr_t g_nextId = 1;  // events, hooks and services share one numbering
std::set<std::string> g_kept;
std::thread::id g_mainThread;

Handle ToHandle(uintptr_t id) { return reinterpret_cast<Handle>(id); }
uintptr_t FromHandle(Handle h) { return reinterpret_cast<uintptr_t>(h); }

// --- CallServiceSync queue ----------------------------------------------------

struct SyncCall {
    std::string name;
    Word wParam;
    Word lParam;
    Word result;
    enum { kPending, kTaken, kDone } state;
};

// How long a worker waits for a main thread that is not serving before it
// runs the call itself: long enough for a busy message loop to answer.
constexpr auto kSyncGrace = std::chrono::milliseconds(500);

std::mutex g_syncMutex;
std::condition_variable g_syncCv;
std::deque<std::shared_ptr<SyncCall>> g_syncQueue;
bool g_serving = false;  // the main thread is inside PumpMainThread

// --- link slots -------------------------------------------------------------------

Handle LinkCreateHookableEvent(const char* name) {
    if (!name) return nullptr;
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_events.count(name)) return nullptr;
    uintptr_t id = g_nextId++;
    g_events[name] = Event{id, {}};
    return ToHandle(id);
}

int LinkDestroyHookableEvent(Handle event) {
    std::lock_guard<std::mutex> lock(g_mutex);
    for (auto it = g_events.begin(); it != g_events.end(); ++it) {
        if (it->second.id == FromHandle(event)) {
            g_events.erase(it);
            return 0;
        }
    }
    return -1;
}

// Calls the hooks in hooking order until one gives non-zero, as the host does.
// `called` counts the hooks run; the result is 0 or the stopping hook's value.
Word CallHooks(const std::vector<Hook>& hooks, Word wParam, Word lParam, int& called) {
    called = 0;
    for (const Hook& hook : hooks) {
        ++called;
        if (hook.window) {
            platform::PostWindowMessage(hook.window, hook.message, wParam, lParam);
            continue;
        }
        Word r = hook.proc(wParam, lParam);
        if (r != 0) return r;
    }
    return 0;
}

Word LinkNotifyEventHooks(Handle event, Word wParam, Word lParam) {
    std::vector<Hook> hooks;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        bool found = false;
        for (const auto& entry : g_events) {
            if (entry.second.id == FromHandle(event)) {
                hooks = entry.second.hooks;
                found = true;
                break;
            }
        }
        if (!found) return -1;
    }
    int called = 0;
    return CallHooks(hooks, wParam, lParam, called);
}

Handle AddHook(const char* name, host::HookProc proc, void* window, unsigned message) {
    if (!name) return nullptr;
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_events.find(name);
    if (it == g_events.end()) return nullptr;  // the host only hooks events that exist
    uintptr_t id = g_nextId++;
    it->second.hooks.push_back(Hook{id, proc, window, message});
    return ToHandle(id);
}

Handle LinkHookEvent(const char* name, host::HookProc hook) { return hook ? AddHook(name, hook, nullptr, 0) : nullptr; }

Handle LinkHookEventMessage(const char* name, void* window, unsigned message) {
    return window ? AddHook(name, nullptr, window, message) : nullptr;
}

int LinkUnhookEvent(Handle hook) {
    std::lock_guard<std::mutex> lock(g_mutex);
    for (auto& entry : g_events) {
        auto& hooks = entry.second.hooks;
        for (auto it = hooks.begin(); it != hooks.end(); ++it) {
            if (it->id == FromHandle(hook)) {
                hooks.erase(it);
                return 0;
            }
        }
    }
    return -1;
}

Handle LinkCreateServiceFunction(const char* name, host::ServiceProc proc) {
    if (!name || !proc) return nullptr;
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_services.count(name)) return nullptr;
    uintptr_t id = g_nextId++;
    auto owned = std::make_unique<std::string>(name);
    std::string_view key(*owned);
    g_services.emplace(key, Service{id, proc, std::move(owned)});
    return ToHandle(id);
}

int LinkDestroyServiceFunction(Handle service) {
    std::lock_guard<std::mutex> lock(g_mutex);
    for (auto it = g_services.begin(); it != g_services.end(); ++it) {
        if (it->second.id == FromHandle(service)) {
            g_services.erase(it);
            return 0;
        }
    }
    return -1;
}

Word LinkCallService(const char* name, Word wParam, Word lParam) {
    if (!name) return host::kServiceNotFound;
    host::ServiceProc proc = nullptr;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        auto it = g_services.find(name);
        if (it == g_services.end()) return host::kServiceNotFound;
        proc = it->second.proc;
    }
    return proc(wParam, lParam);
}

int LinkServiceExists(const char* name) {
    if (!name) return 0;
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_services.count(name) ? 1 : 0;
}

Word LinkCallServiceSync(const char* name, Word wParam, Word lParam) {
    if (!name) return host::kServiceNotFound;
    if (IsMainThread()) return LinkCallService(name, wParam, lParam);

    auto call = std::make_shared<SyncCall>(SyncCall{name, wParam, lParam, 0, SyncCall::kPending});
    {
        std::lock_guard<std::mutex> lock(g_syncMutex);
        g_syncQueue.push_back(call);
    }
    g_syncCv.notify_all();
    platform::WakeMainThread();

    std::unique_lock<std::mutex> lock(g_syncMutex);
    auto deadline = std::chrono::steady_clock::now() + kSyncGrace;
    for (;;) {
        if (call->state == SyncCall::kDone) return call->result;
        if (call->state == SyncCall::kPending && !g_serving) {
            if (std::chrono::steady_clock::now() >= deadline) break;
            g_syncCv.wait_until(lock, deadline);
        } else {
            g_syncCv.wait(lock);  // the main thread has it, or will take it now
        }
    }
    // The main thread is busy elsewhere: take the call back and run it here.
    for (auto it = g_syncQueue.begin(); it != g_syncQueue.end(); ++it) {
        if (*it == call) {
            g_syncQueue.erase(it);
            break;
        }
    }
    lock.unlock();
    return LinkCallService(call->name.c_str(), wParam, lParam);
}

const host::PluginLink g_link = {
    LinkCreateHookableEvent,    LinkDestroyHookableEvent, LinkNotifyEventHooks,      LinkHookEvent,
    LinkHookEventMessage,       LinkUnhookEvent,          LinkCreateServiceFunction,
    LinkCreateServiceFunction,  // transient services live as long as the others here
    LinkDestroyServiceFunction, LinkCallService,          LinkServiceExists,         LinkCallServiceSync,
};

// Events the host itself offers.
const char* const kHostEvents[] = {
    "Miranda/System/ModulesLoaded", "Miranda/System/PShutdown",  "Miranda/System/Shutdown", "Opt/Initialise",
    "CList/StatusModeChange",       "CList/PreBuildContactMenu", "CList/PreBuildMainMenu",  "DB/Contact/Added",
    "DB/Contact/Deleted",
};

}  // namespace

namespace detail {

void AddService(const char* name, host::ServiceProc proc) { LinkCreateServiceFunction(name, proc); }

void RemoveService(const char* name) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_services.erase(name);
}

const char* Keep(const std::string& text) {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_kept.insert(text).first->c_str();
}

int ServeMainThreadQueue() {
    int served = 0;
    for (;;) {
        std::shared_ptr<SyncCall> call;
        {
            std::lock_guard<std::mutex> lock(g_syncMutex);
            if (g_syncQueue.empty()) break;
            call = g_syncQueue.front();
            g_syncQueue.pop_front();
            call->state = SyncCall::kTaken;
        }
        Word result = LinkCallService(call->name.c_str(), call->wParam, call->lParam);
        {
            std::lock_guard<std::mutex> lock(g_syncMutex);
            call->result = result;
            call->state = SyncCall::kDone;
        }
        g_syncCv.notify_all();
        ++served;
    }
    return served;
}

}  // namespace detail

void Reset() {
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_events.clear();
        g_services.clear();
        g_kept.clear();
        g_nextId = 1;
        g_mainThread = std::this_thread::get_id();
    }
    {
        // Nobody should be waiting across a reset; release any who are.
        std::lock_guard<std::mutex> lock(g_syncMutex);
        for (auto& call : g_syncQueue) {
            call->result = host::kServiceNotFound;
            call->state = SyncCall::kDone;
        }
        g_syncQueue.clear();
        g_serving = false;
    }
    g_syncCv.notify_all();
    for (const char* name : kHostEvents) LinkCreateHookableEvent(name);
    host::SetLink(&g_link);
    detail::ResetDatabase();
    detail::ResetProtocols();
    detail::ResetClist();
    detail::ResetUtils();
    detail::ResetEvents();
    RegisterNetlibServices();
    platform::InitMainThread();
}

const host::PluginLink* Link() { return &g_link; }

bool IsMainThread() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return std::this_thread::get_id() == g_mainThread;
}

int PumpMainThread(int timeoutMs) {
    if (!IsMainThread()) return -1;
    {
        std::lock_guard<std::mutex> lock(g_syncMutex);
        g_serving = true;
    }
    int served = detail::ServeMainThreadQueue();
    if (served == 0 && timeoutMs > 0) {
        std::unique_lock<std::mutex> lock(g_syncMutex);
        g_syncCv.wait_for(lock, std::chrono::milliseconds(timeoutMs), [] { return !g_syncQueue.empty(); });
        lock.unlock();
        served = detail::ServeMainThreadQueue();
    }
    {
        std::lock_guard<std::mutex> lock(g_syncMutex);
        g_serving = false;
    }
    g_syncCv.notify_all();  // waiting workers may now take their calls back
    return served;
}

int NotifyEvent(const char* name, host::Word wParam, host::Word lParam) {
    if (!name) return -1;
    std::vector<Hook> hooks;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        auto it = g_events.find(name);
        if (it == g_events.end()) return -1;
        hooks = it->second.hooks;
    }
    int called = 0;
    CallHooks(hooks, wParam, lParam, called);
    return called;
}

int HookCount(const char* name) {
    if (!name) return 0;
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_events.find(name);
    return it == g_events.end() ? 0 : static_cast<int>(it->second.hooks.size());
}

}  // namespace standin
