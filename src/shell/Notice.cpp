#include "shell/Notice.h"

#include <cstdio>
#include <cstring>

#include "shell/HostLink.h"
#include "shell/Settings.h"
#include "shell/UserMessage.h"

void ShowNotice(const char* text) {
    if (!settings::ShowNonCriticalPopups()) return;
    if (!text) text = "";

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
