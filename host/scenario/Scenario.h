// The scenario runner of parlet-host: a scenario file holds one command a
// line; each command echoes what it did, and a failed command (a wait that
// timed out, a check that did not hold) ends the run with exit code 1.
//
// Commands live in a table that any file can add to with a static
// CommandRegistrar, so the commands of a new dialog go in a file of their
// own. They run on the scenario thread; work on windows goes to the host's
// interface thread through OnMainThread/StartOnMainThread, which keeps the
// commands in order even while a modal dialog runs its own message loop.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <map>
#include <string>
#include <vector>

#include "shell/HostRecords.h"

namespace scenario {

using Args = std::vector<std::string>;  // the words after the command's name

// What a command gives back: ok, or the reason it failed.
struct Result {
    bool ok = true;
    std::string message;
    static Result Ok() { return {}; }
    static Result Fail(std::string why) { return {false, std::move(why)}; }
};

struct Command {
    const char* name;
    const char* usage;  // shown by "help" and on a wrong argument count
    size_t minArgs;
    size_t maxArgs;
    Result (*run)(const Args& args);
};

class CommandRegistrar {
public:
    explicit CommandRegistrar(std::initializer_list<Command> commands);
};
const Command* FindCommand(const std::string& name);
std::vector<Command> AllCommands();  // sorted by name

// Prints one line of the transcript (a line break is added).
void Echo(const char* format, ...) __attribute__((format(printf, 1, 2)));

// --- the interface thread ------------------------------------------------------
// Runs `task` on the host's interface thread and waits until it is done.
void OnMainThread(const std::function<void()>& task);
// Runs `task` there without waiting for it to end (it may run a modal
// dialog); returns once it has begun. Gives a flag that turns true when the
// task has returned.
std::shared_ptr<std::atomic<bool>> StartOnMainThread(std::function<void()> task);

// --- the plug-in -----------------------------------------------------------------
bool PluginLoaded();
// Load (and "Miranda/System/ModulesLoaded"), and Unload.
Result LoadPlugin();
Result UnloadPlugin();

// Points `function` of `dll` in the import table of `module` at
// `replacement`; false when the module does not import it.
bool PatchImport(HMODULE module, const char* dll, const char* function, void* replacement);

// --- contacts ------------------------------------------------------------------------
// "@name" names a contact added by the scenario; "0" or "global" the global
// settings; a number a contact handle. False when unknown.
bool ParseContact(const std::string& word, host::Contact* contact);
void NameContact(const std::string& name, host::Contact contact);

// --- dialogs ---------------------------------------------------------------------------
// The open dialogs of the interface thread, oldest first (message boxes
// count). The current dialog is the newest unless "use" picked another.
std::vector<HWND> OpenDialogs();
HWND CurrentDialog();
void SetCurrentDialog(HWND dialog);
// The task that opened `dialog` (a menu command): wait-closed also waits
// for it to return, so the transcript keeps its order.
void NoteOpener(HWND dialog, std::shared_ptr<std::atomic<bool>> finished);
std::shared_ptr<std::atomic<bool>> OpenerOf(HWND dialog);
// The dialog the last command worked on, open or not (null at first).
HWND LastDialog();
// Waits up to `ms` for a dialog that was not open before; null when none.
HWND WaitForNewDialog(const std::vector<HWND>& before, int ms, const std::atomic<bool>* giveUp);
// The control `idText` (a decimal id) of the current dialog, or a failure.
Result FindControl(const std::string& idText, HWND* control);
std::string WindowText(HWND window);
// Types KEYS (args[1]) into control args[0] on the interface thread: a
// WM_CHAR each, between key-down and key-up when `keyStrokes`, with Ctrl
// held for {ctrl+...} keys; the outcome reads "VERB N key(s) ONTO ID".
Result SendKeys(const Args& args, bool keyStrokes, const std::string& verb, const std::string& onto);
// A text as the transcript shows it: in double quotes, with \r, \n, \"
// and \\ escaped.
std::string Shown(const std::string& text);
// The text to look for: "~TEXT" matches a text that contains TEXT.
bool Matches(const std::string& text, const std::string& expected);
// Whether `dialog` is a property sheet (the options dialog); FindControl
// looks in the page it shows after its own buttons.
bool IsPropertySheet(HWND dialog);
std::string ClassOf(HWND window);

// Checks COUNT and ~PART words against texts (the last must hold each
// PART), as "outbox" does; the texts are echoed, and `shown` says what they are.
Result CheckTexts(const std::vector<std::string>& texts, const Args& checks, const std::string& shown);

// Reads a whole number; false when the word is not one.
bool ParseInt(const std::string& word, long* value);

// Default limit of a wait, in milliseconds.
constexpr int kDefaultWaitMs = 15000;

}  // namespace scenario
