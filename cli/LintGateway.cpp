// Gateway definition files: the [Gateway] section as the catalogue and the
// send job read it, and the script of [Request%d] sections as the runner
// runs it, each finding in the runner's own result numbers.
#include <algorithm>
#include <cctype>
#include <optional>
#include <set>

#include "LintChecks.h"
#include "catalogue/RequiredVersion.h"
#include "script/Extract.h"
#include "script/MessageKeys.h"
#include "script/profile/NumberedKeys.h"
#include "script/RunObserver.h"
#include "script/Runner.h"
#include "shell/PluginInfo.h"
#include "shell/Text.h"

namespace lint {
namespace {

using script::kPrefixValueSize;
using script::kValueSize;

std::string VersionText(uint32_t v) {
    return std::to_string(v >> 24) + "." + std::to_string((v >> 16) & 0xFF) + "." + std::to_string((v >> 8) & 0xFF) +
           "." + std::to_string(v & 0xFF);
}

bool AllDigits(const std::string& s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

void CheckVersion(Sheet& sheet, const Section* gw) {
    const Key* key = sheet.Present(gw, "RequiresVersion", kVersionValueSize);
    if (!key) return;
    const std::string value = sheet.Value(key, kVersionValueSize);
    uint32_t version = 0;
    if (ParseRequiredVersion(value.c_str(), &version) != 0) {
        sheet.Error(key->line,
                    "RequiresVersion \"" + value +
                        "\" is malformed (four numbers separated by dots, at least 7 "
                        "characters): the catalogue ignores this gateway",
                    std::string("write four numbers separated by dots, for example RequiresVersion=") +
                        plugin::kVersionText);
    } else if (version > plugin::kVersion) {
        sheet.Error(key->line,
                    "RequiresVersion " + VersionText(version) + " is newer than this plug-in (" + plugin::kVersionText +
                        "): the catalogue ignores this gateway",
                    "lower RequiresVersion or update the plug-in");
    }
}

// The prefixes the catalogue gathers: up to the first empty one or the
// first without ';' within the characters it reads.
size_t CheckPrefixes(Sheet& sheet, const Section* gw) {
    std::set<std::string> seen;
    Sheet::ListRules rules;
    rules.never = "is never gathered into the prefix table";
    rules.goOn = [&](int, const Key* key, std::string* why) {
        const std::string value = sheet.Value(key, kPrefixValueSize);
        const size_t semi = value.find(';');
        if (semi == std::string::npos) {
            const bool beyond = key->value.find(';') != std::string::npos;
            sheet.Error(key->line,
                        key->name +
                            (beyond ? "'s ';' lies beyond character " + std::to_string(kPrefixValueSize - 1) +
                                          ", where the catalogue stops reading it"
                                    : " has no ';'") +
                            ": the catalogue reports it and gathers no prefix from here on",
                        beyond ? "shorten the label" : "write " + key->name + "=<digits>;<label>");
            *why = "has no ';'";
            return false;
        }
        const std::string prefix = value.substr(0, semi);
        if (!AllDigits(prefix)) {
            sheet.Warn(key->line, "prefix \"" + prefix + "\" is not digits only", "write the country prefix as digits");
        }
        if (!seen.insert(prefix).second) sheet.Warn(key->line, "prefix " + prefix + " is listed twice", "delete one");
        return true;
    };
    return sheet.ReadList(gw, "Prefix", kPrefixValueSize, rules).size();
}

// "MaxChars", "MaxCharsUnit" and "Charset": how long a message may be, in
// what it is counted, and the charset the site gets it in.
void CheckMessageKeys(Sheet& sheet, const Section* gw) {
    if (const Key* key = sheet.Present(gw, script::kMaxCharsKey, kValueSize)) {
        const std::string value = sheet.Value(key, kValueSize);
        if (!IsNumber(value) || text::ParseDecimal(value.c_str()) <= 0) {
            sheet.Warn(key->line,
                       "MaxChars \"" + value + "\" is not a positive number; it reads as " +
                           std::to_string(text::ParseDecimal(value.c_str())),
                       "write the provider's longest message length, for example MaxChars=160");
        }
    } else {
        sheet.Warn(gw->line,
                   "[Gateway] has no MaxChars: every message goes whole, however long, and $Count is "
                   "the message's negative length",
                   "add the provider's longest message length, for example MaxChars=160");
    }
    if (const Key* key = sheet.Present(gw, script::kMaxCharsUnitKey, kValueSize)) {
        const std::string value = sheet.Value(key, kValueSize);
        if (!script::FindCountUnit(value)) {
            std::string units;
            for (const script::CountUnitName& row : script::kCountUnits)
                units += std::string(units.empty() ? "" : " or ") + key->name + "=" + row.name;
            sheet.Warn(key->line, "MaxCharsUnit \"" + value + "\" is no unit: MaxChars counts bytes", "write " + units);
        }
    }
    if (const Key* key = sheet.Present(gw, script::kCharsetKey, kValueSize)) {
        const std::string value = sheet.Value(key, kValueSize);
        const std::optional<charset::Charset> found = charset::Charset::Find(value);
        if (!found) {
            sheet.Error(key->line,
                        "Charset \"" + value + "\" is unknown here: every run fails with " +
                            ResultName(script::result::kBadCharset),
                        "write the site's charset, for example Charset=UTF-8 or Charset=ISO-8859-15");
        } else {
            sheet.Note(key->line, "the message goes to the site in " + found->name() +
                                      " (JSON bodies take it as UTF-8); $Charset is " + found->name());
        }
    }
}

void CheckGatewaySection(Sheet& sheet, const Section* gw) {
    if (!sheet.Present(gw, "Name", kValueSize)) {
        sheet.Error(gw->line, "[Gateway] has no Name: every run fails with " + ResultName(script::result::kNoName),
                    "add Name=<provider name>");
    }
    if (const Key* key = sheet.Present(gw, "Editme", kValueSize)) {
        sheet.Error(key->line,
                    "Editme is present: every run stops with a warning box (" + ResultName(script::result::kNotEdited) +
                        ")",
                    "put your account into the file and delete the line " + key->name + "=" + key->value);
    }
    CheckVersion(sheet, gw);
    CheckMessageKeys(sheet, gw);
    sheet.FindKey(gw, "Success");  // checked with the script
    // Read by the send job when there is no account file.
    sheet.FindKey(gw, "Username");
    sheet.FindKey(gw, "Password");
    if (CheckPrefixes(sheet, gw) == 0) {
        sheet.Error(gw->line,
                    "the gateway lists no usable prefix: every message is refused (" +
                        ResultName(script::result::kPrefixUnsupported) + ")",
                    "add Prefix1=<digits>;<label>");
    }
}

void CheckType(Sheet& sheet, const Section& r, const Gathered& before) {
    const Key* type = sheet.Present(&r, "Type", kValueSize);
    const Key* body = sheet.FindKey(&r, "PostString");
    const std::string bodyText = sheet.Value(body, kValueSize);
    if (!type) {
        sheet.Error(r.line, "[" + r.name + "] has no Type: the run fails with " + ResultName(script::result::kNoType),
                    "add Type=GET or Type=POST");
        return;
    }
    const std::string kind = Lower(sheet.Value(type, kValueSize));
    if (kind == "post") {
        if (bodyText.empty()) {
            sheet.Error(type->line,
                        "a POST request without PostString fails the run with " +
                            ResultName(script::result::kNoPostString),
                        "add PostString=name=value&...");
        } else {
            CheckTemplate(sheet, *body, bodyText, before.customVars);
        }
    } else if (kind == "get") {
        if (!bodyText.empty()) {
            sheet.Warn(body->line, "PostString is ignored for a GET request", "delete it or make the request a POST");
        }
    } else {
        sheet.Error(type->line,
                    "Type \"" + sheet.Value(type, kValueSize) + "\" is neither POST nor GET: the run fails with " +
                        ResultName(script::result::kBadType),
                    "write Type=GET or Type=POST");
    }
}

void CheckMapPrefixes(Sheet& sheet, const Section& r, const Section* gw, const Gathered& before) {
    Sheet::ListRules rules;
    rules.never = "is never used";
    rules.goOn = [&](int n, const Key*, std::string* why) {
        const std::string prefix = profile::NumberedName("Prefix", n);
        if (sheet.Present(gw, prefix, kPrefixValueSize)) return true;
        *why = "has no " + prefix + " in [Gateway]";
        return false;
    };
    for (const Key* map : sheet.ReadList(&r, "MapPrefix", kValueSize, rules)) {
        CheckTemplate(sheet, *map, sheet.Value(map, kValueSize), before.customVars);
    }
}

}  // namespace

void CheckRequest(Sheet& sheet, const Section& r, const Section* gw, Gathered& gathered) {
    const Key* url = sheet.FindKey(&r, "URL");
    const std::string address = sheet.Value(url, kValueSize);
    const std::string lower = Lower(address);
    if (lower.rfind("http://", 0) != 0 && lower.rfind("https://", 0) != 0 && address[0] != '$') {
        sheet.Error(url->line,
                    "URL \"" + address + "\" is not http://, https:// or a $variable: the run fails with " +
                        ResultName(script::result::kBadUrl),
                    "begin the URL with http:// or https://");
    }
    CheckTemplate(sheet, *url, address, gathered.customVars);
    if (const Key* delay = sheet.Present(&r, "Delay", kValueSize)) {
        const std::string value = sheet.Value(delay, kValueSize);
        if (!IsNumber(value)) {
            sheet.Warn(delay->line,
                       "Delay \"" + value + "\" reads as " + std::to_string(text::ParseDecimal(value.c_str())) + " ms",
                       "write the pause in milliseconds, for example Delay=1500");
        } else if (text::ParseDecimal(value.c_str()) > script::kMaxDelayMs) {
            sheet.Warn(delay->line,
                       "Delay " + value + " is above the run's cap: the pause is cut to " +
                           std::to_string(script::kMaxDelayMs) + " ms",
                       "write a pause of at most " + std::to_string(script::kMaxDelayMs) + " ms");
        }
    }
    if (const Key* referer = sheet.Present(&r, "Referer", kValueSize)) {
        CheckTemplate(sheet, *referer, sheet.Value(referer, kValueSize), gathered.customVars);
    }
    for (const char* plain : {"Host", "UserAgent", "UseSelectData"}) sheet.Value(sheet.FindKey(&r, plain), kValueSize);
    if (const Key* sends = sheet.Present(&r, script::kSendsKey, kValueSize)) {
        const std::string value = sheet.Value(sends, kValueSize);
        if (!IsNumber(value)) {
            sheet.Warn(sends->line,
                       std::string(script::kSendsKey) + " \"" + value + "\" reads as " +
                           std::to_string(text::ParseDecimal(value.c_str())) +
                           ": only a number other than 0 marks the request that sends the message",
                       "write Sends=1 (or Sends=0)");
        }
    }
    CheckType(sheet, r, gathered);
    CheckRequestHeaders(sheet, r, gathered.customVars);
    CheckMapPrefixes(sheet, r, gw, gathered);

    // Both lists go on from what earlier requests gathered.
    Sheet::ListRules vars;
    vars.first = static_cast<int>(gathered.customVars) + 1;
    vars.beforeFirst = "is read only when earlier requests extract fewer values: numbering runs on across requests";
    const std::vector<const Key*> customVars = sheet.ReadList(&r, "CustomVar", kValueSize, vars);
    for (const Key* key : customVars) CheckCustomVar(sheet, *key, sheet.Value(key, kValueSize));
    gathered.customVars += customVars.size();
    Sheet::ListRules keys;
    keys.first = static_cast<int>(gathered.keys) + 1;
    keys.beforeFirst = "may never be read: Key numbering runs on across requests";
    gathered.keys += sheet.ReadList(&r, "Key", kValueSize, keys).size();
}

namespace {

void CheckScript(Sheet& sheet, const Section* gw) {
    std::vector<const Section*> requests =
        sheet.ReadSectionList("Request", "the script ends", "is never run", [&](const Section* s, std::string* why) {
            if (sheet.Present(s, "URL", kValueSize)) return true;
            *why = "has no URL";
            return false;
        });
    if (requests.empty()) {
        const size_t first = profile::document::FindSection(sheet.Doc(), std::string("Request1"));
        sheet.Error(first == profile::document::kNone ? 0 : sheet.Doc().sections[first].line,
                    "no [Request1] with a URL: every run fails with " + ResultName(script::result::kNoRequest),
                    "add [Request1] with URL=http://...");
        return;
    }
    Gathered gathered;
    for (const Section* r : requests) {
        CheckRequest(sheet, *r, gw, gathered);
        WarnMessageIdOutsideStatus(sheet, *r);
    }
    if (const Key* success = sheet.Present(gw, "Success", kValueSize)) {
        CheckSuccessText(sheet, *success, sheet.Value(success, kValueSize));
    } else {
        sheet.Warn(gw ? gw->line : 0, "no Success text: any run whose pages load counts as sent",
                   "add Success=<text the provider's last page shows after sending>");
    }
}

}  // namespace

std::string ResultName(int code) {
    return std::string(script::DescribeResult(code).name) + " (" + std::to_string(code) + ")";
}

bool IsNumber(const std::string& s) {
    size_t i = (!s.empty() && (s[0] == '+' || s[0] == '-')) ? 1 : 0;
    return AllDigits(s.substr(i));
}

void CheckGatewayFile(Sheet& sheet) {
    const Section* gw = sheet.FindSection("Gateway");
    if (!gw) {
        sheet.Error(0,
                    "no [Gateway] section: every run fails at once with " + ResultName(script::result::kNoName) +
                        " (no Name)",
                    "add a [Gateway] section with Name=...");
    } else {
        CheckGatewaySection(sheet, gw);
    }
    CheckScript(sheet, gw);
    CheckInquirySections(sheet, gw);
    sheet.ReportUnread("is not read by the plug-in", "check its name or delete it");
}

}  // namespace lint
