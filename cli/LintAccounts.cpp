// Account files: the accounts a send job reaches, and what renumbering
// after a successful send would leave behind.
#include "LintChecks.h"
#include "catalogue/Accounts.h"

namespace lint {

void CheckAccountFile(Sheet& sheet) {
    for (const Section& section : sheet.Doc().sections) {
        const std::string lower = Lower(section.name);
        if (lower.size() > 4 && lower.compare(0, 4, "temp") == 0 &&
            lower.find_first_not_of("0123456789", 4) == std::string::npos) {
            sheet.Warn(section.line,
                       "[" + section.name +
                           "] is left over from an interrupted renumbering of an older version and "
                           "may hold the only copy of an account; renumbering leaves it alone",
                       "move an account it holds into an [AccountN] section, then delete [" + section.name + "]");
            sheet.Reported(&section);
        }
    }
    std::vector<const Section*> accounts =
        sheet.ReadSectionList("Account", "the accounts end", "is never used", [&](const Section* s, std::string* why) {
            if (sheet.Present(s, "Username", kAccountValueSize)) return true;
            *why = "has no Username";
            return false;
        });
    for (const Section* account : accounts) {
        sheet.Value(sheet.FindKey(account, "Password"), kAccountValueSize);
        for (const Key& key : account->keys) {
            const std::string name = Lower(key.name);
            if (name == "username" || name == "password" || IsComment(key)) continue;
            sheet.Warn(key.line, "key " + key.name + " stays in [" + account->name + "] when accounts are renumbered",
                       "keep only Username and Password in account sections");
            sheet.Reported(&key);
        }
    }
    if (accounts.empty()) {
        sheet.Warn(0, "no [Account1] with a Username: the gateway's own Username and Password are used",
                   "add [Account1] with Username= and Password=");
    }
    sheet.ReportUnread("is not an account and is never read", "name account sections Account1, Account2, ...");
}

}  // namespace lint
