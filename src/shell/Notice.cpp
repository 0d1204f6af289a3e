#include "shell/Notice.h"

#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "shell/HostLink.h"
#include "shell/Settings.h"
#include "shell/UserMessage.h"

namespace {
constexpr size_t kMaxHeld = 16;  // a start that raises more tells the first ones
std::mutex g_heldMutex;
bool g_holding = false;
std::vector<std::string> g_held;

bool Held(const char* text) {
    std::lock_guard<std::mutex> lock(g_heldMutex);
    if (!g_holding) return false;
    if (g_held.size() < kMaxHeld) g_held.emplace_back(text);
    return true;
}
}  // namespace

namespace notice {
void HoldWhileStarting() {
    std::lock_guard<std::mutex> lock(g_heldMutex);
    g_holding = true;
}

void ShowHeld() {
    std::vector<std::string> held;
    {
        std::lock_guard<std::mutex> lock(g_heldMutex);
        g_holding = false;
        held.swap(g_held);
    }
    for (const std::string& text : held) ShowNotice(text.c_str());
}

void DropHeld() {
    std::lock_guard<std::mutex> lock(g_heldMutex);
    g_holding = false;
    g_held.clear();
}
}  // namespace notice

void ShowNotice(const char* text) {
    if (!settings::ShowNonCriticalPopups()) return;
    if (!text) text = "";
    if (Held(text)) return;

    host::PopupData popup{};
    popup.contact = nullptr;
    popup.icon = notice::NoticeIcon();
    std::snprintf(popup.title, sizeof popup.title, "%s", usermsg::kCaption);
    std::snprintf(popup.text, sizeof popup.text, "%s", text);
    popup.colorBack = 0;
    popup.colorText = 0;
    popup.windowProc = nullptr;
    popup.pluginData = nullptr;
    popup.seconds = -1;

    // A popup that was not made (0, -1, no popup plug-in) must not lose
    // the notice: the box tells it instead.
    host::Word result = host::CallService("PopUp/AddPopUpEx", reinterpret_cast<host::Word>(&popup), 0);
    if (host::PopupShown(result)) {
        usermsg::SimpleBeep();
        return;
    }
    usermsg::WarningBox(text);
}
