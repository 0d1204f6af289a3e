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
    popup.styleName = "Warning";
    popup.reserved = 0;

    host::Word shown = host::CallService("PopUp/AddPopUpEx", reinterpret_cast<host::Word>(&popup), 0);
    if (shown >= 0) {
        usermsg::SimpleBeep();
        return;
    }
    usermsg::WarningBox(text);
}
