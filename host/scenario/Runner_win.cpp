// The scenario runner: the command table, the bridge to the interface
// thread, the plug-in's load and unload, contacts and open dialogs.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <cstdlib>
#include <cstdarg>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <thread>

#include "Scenario.h"
#include "ScenarioLine.h"
#include "ScenarioRun.h"
#include "StandIn.h"

namespace scenario {
namespace {

std::map<std::string, Command>& Table() {
    static std::map<std::string, Command> table;
    return table;
}

std::mutex g_echoMutex;

// --- the bridge to the interface thread ------------------------------------------
// Tasks wait in a queue of their own; the posted message only wakes the
// interface thread. A modal loop that is closing drops the posted message it
// fetches after EndDialog, so a waiter posts the wake-up again until its task
// has begun, and the end of the run is asked for the same way.
constexpr UINT kWake = WM_APP + 40;
constexpr DWORD kRewakeMs = 100;
HWND g_bridge = nullptr;
DWORD g_mainThread = 0;
std::atomic<bool> g_quitAsked{false};
std::atomic<bool> g_loopLeft{false};

struct Task {
    std::function<void()> body;
    std::mutex mutex;
    std::condition_variable cv;
    bool started = false;
    std::shared_ptr<std::atomic<bool>> finished = std::make_shared<std::atomic<bool>>(false);
};

std::mutex g_queueMutex;
std::deque<std::shared_ptr<Task>> g_queue;

void Wake() { PostMessageA(g_bridge, kWake, 0, 0); }

void RunTask(Task& task) {
    {
        std::lock_guard<std::mutex> lock(task.mutex);
        task.started = true;
        task.cv.notify_all();
    }
    try {
        task.body();
    } catch (...) {
        Echo("(a command failed on the interface thread)");
    }
    std::lock_guard<std::mutex> lock(task.mutex);
    task.finished->store(true);
    task.cv.notify_all();
}

// Runs the task at the head of the queue: one a wake-up, so a task posted
// while a modal loop ends runs where the next loop takes its wake-up, not
// inside the loop that is ending.
void RunNextTask() {
    std::shared_ptr<Task> task;
    {
        std::lock_guard<std::mutex> lock(g_queueMutex);
        if (g_queue.empty()) return;
        task = g_queue.front();
        g_queue.pop_front();
    }
    RunTask(*task);
}

LRESULT CALLBACK BridgeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kWake) {
        RunNextTask();
        if (g_quitAsked) PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

std::shared_ptr<Task> Post(std::function<void()> body) {
    auto task = std::make_shared<Task>();
    task->body = std::move(body);
    {
        std::lock_guard<std::mutex> lock(g_queueMutex);
        g_queue.push_back(task);
    }
    Wake();
    return task;
}

// Waits until the interface thread has begun the task, waking it again
// while it has not.
void AwaitStart(Task& task) {
    std::unique_lock<std::mutex> lock(task.mutex);
    while (!task.cv.wait_for(lock, std::chrono::milliseconds(kRewakeMs), [&] { return task.started; })) Wake();
}

// Asks the interface thread's message loop to end, until it has.
void QuitMainLoop() {
    g_quitAsked = true;
    while (!g_loopLeft) {
        Wake();
        Sleep(kRewakeMs);
    }
}

// --- the plug-in ------------------------------------------------------------------
using LoadProc = int (*)(const host::PluginLink*);
using UnloadProc = int (*)();
std::string g_pluginPath;
HMODULE g_module = nullptr;
std::atomic<bool> g_loaded{false};

template <typename Proc>
Proc Entry(const char* name) {
    return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(g_module, name)));
}

// --- contacts and dialogs ------------------------------------------------------------
std::mutex g_stateMutex;
std::map<std::string, host::Contact> g_contacts;
std::vector<HWND> g_dialogs;  // in the order they appeared
HWND g_current = nullptr;
HWND g_last = nullptr;
std::map<HWND, std::shared_ptr<std::atomic<bool>>> g_openers;

BOOL CALLBACK CollectDialog(HWND window, LPARAM list) {
    if (ClassOf(window) == "#32770" && IsWindowVisible(window))
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

}  // namespace

// Two files registering one name would silently lose a command.
CommandRegistrar::CommandRegistrar(std::initializer_list<Command> commands) {
    for (const Command& c : commands) {
        if (!Table().emplace(c.name, c).second) {
            std::fprintf(stderr, "parlet-host: the command %s is registered twice\n", c.name);
            std::abort();
        }
    }
}

const Command* FindCommand(const std::string& name) {
    auto it = Table().find(name);
    return it == Table().end() ? nullptr : &it->second;
}

std::vector<Command> AllCommands() {
    std::vector<Command> all;
    for (const auto& entry : Table()) all.push_back(entry.second);
    return all;
}

void Echo(const char* format, ...) {
    char line[4096];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    std::lock_guard<std::mutex> lock(g_echoMutex);
    std::printf("%s\n", line);
    std::fflush(stdout);
}

void OnMainThread(const std::function<void()>& task) {
    if (GetCurrentThreadId() == g_mainThread) {
        task();
        return;
    }
    auto posted = Post(task);
    AwaitStart(*posted);
    std::unique_lock<std::mutex> lock(posted->mutex);
    posted->cv.wait(lock, [&] { return posted->finished->load(); });
}

std::shared_ptr<std::atomic<bool>> StartOnMainThread(std::function<void()> task) {
    auto posted = Post(std::move(task));
    AwaitStart(*posted);
    return posted->finished;
}

bool PluginLoaded() { return g_loaded; }

// Loads on the interface thread. A message box the plug-in shows meanwhile
// (a missing gateway folder) becomes the current dialog, and the command
// returns, so the scenario can answer it; wait-closed then waits for the
// load to end.
Result LoadPlugin() {
    if (g_loaded) return Result::Fail("the plug-in is loaded already");
    auto failed = std::make_shared<std::string>();
    std::vector<HWND> before = OpenDialogs();
    auto finished = StartOnMainThread([failed] {
        if (!g_module) g_module = LoadLibraryA(g_pluginPath.c_str());
        if (!g_module && !g_pluginPath.empty() && g_pluginPath[0] == '/')
            g_module = LoadLibraryA(("Z:" + g_pluginPath).c_str());
        auto load = g_module ? Entry<LoadProc>("Load") : nullptr;
        if (!load) {
            *failed = "cannot load " + g_pluginPath;
            return;
        }
        g_loaded = true;
        Echo("Load: %d", load(standin::Link()));
        Echo("Miranda/System/ModulesLoaded: %d hook(s) called",
             standin::NotifyEvent("Miranda/System/ModulesLoaded", 0, 0));
    });
    HWND box = WaitForNewDialog(before, 60000, finished.get());
    if (box && !finished->load()) {
        SetCurrentDialog(box);
        NoteOpener(box, finished);
        return Result{true, "dialog \"" + WindowText(box) + "\" opened"};
    }
    if (!failed->empty()) return Result::Fail(*failed);
    return Result::Ok();
}

Result UnloadPlugin() {
    if (!g_loaded) return Result::Fail("the plug-in is not loaded");
    bool ok = false;
    OnMainThread([&] { ok = UnloadPluginAtEnd(); });
    return ok ? Result::Ok() : Result::Fail("Unload did not give 0");
}

bool UnloadPluginAtEnd() {
    int result = Entry<UnloadProc>("Unload")();
    Echo("Unload: %d", result);
    FreeLibrary(g_module);
    g_module = nullptr;
    g_loaded = false;
    return result == 0;
}

bool ParseInt(const std::string& word, long* value) {
    if (word.empty()) return false;
    char* end = nullptr;
    *value = std::strtol(word.c_str(), &end, 10);
    return *end == '\0';
}

bool ParseContact(const std::string& word, host::Contact* contact) {
    if (word == "global" || word == "0") {
        *contact = nullptr;
        return true;
    }
    if (!word.empty() && word[0] == '@') {
        std::lock_guard<std::mutex> lock(g_stateMutex);
        auto it = g_contacts.find(word.substr(1));
        if (it == g_contacts.end()) return false;
        *contact = it->second;
        return true;
    }
    long handle = 0;
    if (!ParseInt(word, &handle) || handle <= 0) return false;
    *contact = reinterpret_cast<host::Contact>(handle);
    return true;
}

void NameContact(const std::string& name, host::Contact contact) {
    std::lock_guard<std::mutex> lock(g_stateMutex);
    g_contacts[name] = contact;
}

std::vector<HWND> OpenDialogs() {
    std::vector<HWND> now;
    EnumThreadWindows(g_mainThread, CollectDialog, reinterpret_cast<LPARAM>(&now));
    std::lock_guard<std::mutex> lock(g_stateMutex);
    std::vector<HWND> kept;
    for (HWND d : g_dialogs)
        if (std::find(now.begin(), now.end(), d) != now.end()) kept.push_back(d);
    for (HWND d : now)
        if (std::find(kept.begin(), kept.end(), d) == kept.end()) kept.push_back(d);
    g_dialogs = kept;
    if (std::find(kept.begin(), kept.end(), g_current) == kept.end()) g_current = nullptr;
    return kept;
}

HWND CurrentDialog() {
    std::vector<HWND> open = OpenDialogs();
    std::lock_guard<std::mutex> lock(g_stateMutex);
    HWND current = g_current ? g_current : open.empty() ? nullptr : open.back();
    if (current) g_last = current;
    return current;
}

void SetCurrentDialog(HWND dialog) {
    std::lock_guard<std::mutex> lock(g_stateMutex);
    g_current = dialog;
    if (dialog) g_last = dialog;
}

void NoteOpener(HWND dialog, std::shared_ptr<std::atomic<bool>> finished) {
    std::lock_guard<std::mutex> lock(g_stateMutex);
    g_openers[dialog] = std::move(finished);
}

std::shared_ptr<std::atomic<bool>> OpenerOf(HWND dialog) {
    std::lock_guard<std::mutex> lock(g_stateMutex);
    auto it = g_openers.find(dialog);
    return it == g_openers.end() ? nullptr : it->second;
}

HWND LastDialog() {
    std::lock_guard<std::mutex> lock(g_stateMutex);
    return g_last;
}

HWND WaitForNewDialog(const std::vector<HWND>& before, int ms, const std::atomic<bool>* giveUp) {
    for (int waited = 0;; waited += 20) {
        for (HWND d : OpenDialogs())
            if (std::find(before.begin(), before.end(), d) == before.end()) return d;
        if (waited >= ms || (giveUp && giveUp->load())) return nullptr;
        Sleep(20);
    }
}

// Only a property sheet has its tab control at this id (other dialogs may
// give the sheet's messages meanings of their own).
bool IsPropertySheet(HWND dialog) {
    constexpr int kSheetTabControl = 0x3020;
    HWND tab = GetDlgItem(dialog, kSheetTabControl);
    return tab && ClassOf(tab) == WC_TABCONTROLA;
}

// A property sheet's controls are its own buttons and those of the page it
// shows.
Result FindControl(const std::string& idText, HWND* control) {
    HWND dialog = CurrentDialog();
    if (!dialog) return Result::Fail("no dialog is open");
    long id = 0;
    if (!ParseInt(idText, &id)) return Result::Fail("not a control id: " + idText);
    *control = GetDlgItem(dialog, static_cast<int>(id));
    if (!*control && IsPropertySheet(dialog)) {
        HWND page = reinterpret_cast<HWND>(SendMessageA(dialog, PSM_GETCURRENTPAGEHWND, 0, 0));
        if (page && IsChild(dialog, page)) *control = GetDlgItem(page, static_cast<int>(id));
    }
    if (!*control) return Result::Fail("the dialog has no control " + idText);
    return Result::Ok();
}

bool Matches(const std::string& text, const std::string& expected) {
    if (!expected.empty() && expected[0] == '~') return text.find(expected.substr(1)) != std::string::npos;
    return text == expected;
}

std::string Shown(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c == '"' || c == '\\')
            out += std::string("\\") + c;
        else
            out += c;
    }
    return "\"" + out + "\"";
}

std::string WindowText(HWND window) {
    int length = static_cast<int>(SendMessageA(window, WM_GETTEXTLENGTH, 0, 0));
    std::string text(static_cast<size_t>(length) + 1, '\0');
    int got = static_cast<int>(SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0])));
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    return text;
}

std::string ClassOf(HWND window) {
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

// --- running a scenario ---------------------------------------------------------------

void SetPlugin(const std::string& path, HMODULE module) {
    g_pluginPath = path;
    g_module = module;
    g_loaded = module != nullptr;
}

namespace {

// Runs the file's commands in order; false at the first failure.
bool RunLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        Echo("scenario %s: cannot read", path.c_str());
        return false;
    }
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        std::vector<std::string> words;
        std::string error;
        line = ExpandVariables(line, [](const char* name) -> const char* { return std::getenv(name); });
        if (!SplitLine(line, &words, &error)) {
            Echo("line %d: %s", number, error.c_str());
            return false;
        }
        if (words.empty()) continue;
        Echo("> %s", line.c_str() + line.find_first_not_of(" \t"));
        const Command* command = FindCommand(words[0]);
        Args args(words.begin() + 1, words.end());
        Result result;
        if (!command) {
            result = Result::Fail("unknown command " + words[0] + " (try help)");
        } else if (args.size() < command->minArgs || args.size() > command->maxArgs) {
            result = Result::Fail(std::string("usage: ") + command->usage);
        } else {
            result = command->run(args);
        }
        if (!result.ok) {
            Echo("FAILED at line %d: %s", number, result.message.c_str());
            return false;
        }
        if (!result.message.empty()) Echo("%s", result.message.c_str());
    }
    return true;
}

// How long a run that failed may take to close its dialogs, stop its send
// jobs and unload before the process is ended regardless.
constexpr DWORD kEndGraceMs = 10000;
constexpr DWORD kPollMs = 50;

int RunningJobs() { return standin::ThreadPushes() - standin::ThreadPops(); }

// Ends the process with exit code 1 unless it has ended by itself within
// the grace period (a job stuck in an exchange, a dialog that ignores
// Cancel, an unload that waits). TerminateProcess skips the libraries'
// detach code, which might wait for a lock held by a thread it stopped.
void StartEndWatchdog() {
    std::thread([] {
        Sleep(kEndGraceMs);
        Echo("parlet-host: still running %lu ms after the failure; ending the process",
             static_cast<unsigned long>(kEndGraceMs));
        std::fflush(stdout);
        TerminateProcess(GetCurrentProcess(), 1);
    }).detach();
}

// After a failed line: cancels every open dialog once (a send dialog that
// is sending takes it as an abort, and its job closes it when it stops) and
// waits until no dialog is open and the plug-in's send jobs have ended.
void EndAfterFailure() {
    StartEndWatchdog();
    std::vector<HWND> cancelled;
    for (;;) {
        std::vector<HWND> open = OpenDialogs();
        if (open.empty() && RunningJobs() <= 0) return;
        for (HWND dialog : open) {
            if (std::find(cancelled.begin(), cancelled.end(), dialog) != cancelled.end()) continue;
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            cancelled.push_back(dialog);
        }
        Sleep(kPollMs);
    }
}

}  // namespace

bool RunScenario(const std::string& path) {
    g_mainThread = GetCurrentThreadId();
    WNDCLASSA cls{};
    cls.lpfnWndProc = BridgeProc;
    cls.hInstance = GetModuleHandleA(nullptr);
    cls.lpszClassName = "ParletScenarioBridge";
    RegisterClassA(&cls);
    g_bridge = CreateWindowExA(0, cls.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, cls.hInstance, nullptr);

    bool ok = false;
    std::thread runner([&] {
        ok = RunLines(path);
        size_t open = OpenDialogs().size();
        if (open > 0) Echo("scenario ended with %u dialog(s) open", static_cast<unsigned>(open));
        if (!ok || open > 0) {
            ok = false;
            EndAfterFailure();
        }
        QuitMainLoop();
    });
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    g_loopLeft = true;
    runner.join();
    DestroyWindow(g_bridge);
    return ok;
}

}  // namespace scenario
