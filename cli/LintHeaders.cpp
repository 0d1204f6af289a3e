// The keys of a request section that reach HTTP APIs, checked with the
// engine's own table (script/RequestHeaders.h): what fails a run, and a
// note of every header the request sends, credentials hidden.
#include <map>

#include "LintChecks.h"
#include "script/Extract.h"
#include "script/RequestHeaders.h"
#include "script/Runner.h"

namespace lint {
namespace {

using script::kValueSize;

const std::string kBadHeader = ResultName(script::result::kBadHeader);

// "Auth": the Authorization it sends. The name, or "" when there is none.
std::string CheckAuth(Sheet& sheet, const Section& r) {
    const Key* key = sheet.Present(&r, script::kAuthKey, kValueSize);
    if (!key) return std::string();
    const std::string value = sheet.Value(key, kValueSize);
    const script::AuthScheme* scheme = script::FindAuthScheme(value);
    if (!scheme) {
        std::string schemes;
        for (const script::AuthScheme& s : script::kAuthSchemes) schemes += std::string(" or Auth=") + s.value;
        sheet.Error(key->line, "Auth \"" + value + "\" is unknown: the run fails with " + kBadHeader,
                    "write" + schemes.substr(3));
        return std::string();
    }
    sheet.Note(key->line, "[" + r.name + "] sends " + script::kAuthorizationName + ": " + scheme->scheme + " *** (" +
                              scheme->made + ")");
    return script::kAuthorizationName;
}

void CheckContentType(Sheet& sheet, const Section& r) {
    const Key* key = sheet.Present(&r, script::kContentTypeKey, kValueSize);
    if (!key) return;
    const std::string value = sheet.Value(key, kValueSize);
    for (char c : value) {
        if (c >= 0 && c < ' ') {
            sheet.Error(key->line, "ContentType holds a control character: the run fails with " + kBadHeader,
                        "write a media type such as application/json");
            return;
        }
    }
    if (Lower(sheet.Value(sheet.FindKey(&r, "Type"), kValueSize)) != "post") {
        sheet.Warn(key->line, "ContentType is used only by a POST request", "delete it or make the request a POST");
        return;
    }
    const std::string essence = value.substr(0, value.find(';'));
    if (essence.find('/') == std::string::npos) {
        sheet.Warn(key->line, "ContentType \"" + value + "\" is not a media type (type/subtype)",
                   "write a media type such as application/json");
    }
    switch (script::BodyKindOf(value)) {
    case script::BodyKind::kForm: break;
    case script::BodyKind::kJson:
        sheet.Note(key->line, "[" + r.name + "] sends Content-Type: " + value +
                                  ": the PostString's values go in JSON-escaped, the message as UTF-8, and no "
                                  "Key or select values are appended");
        break;
    case script::BodyKind::kVerbatim:
        sheet.Note(key->line, "[" + r.name + "] sends Content-Type: " + value +
                                  ": the PostString's values go in as they are, and no Key or select values are "
                                  "appended");
        break;
    }
}

}  // namespace

void CheckRequestHeaders(Sheet& sheet, const Section& r, size_t customVarsBefore) {
    CheckContentType(sheet, r);
    std::map<std::string, const Key*> seen;  // by lower-case name
    const std::string auth = CheckAuth(sheet, r);
    if (!auth.empty()) seen[Lower(auth)] = nullptr;
    for (const Key* key : sheet.ReadList(&r, script::kHeaderStem, kValueSize)) {
        const std::string line = sheet.Value(key, kValueSize);
        std::string name, value;
        const script::HeaderFault fault = script::SplitHeaderLine(line, &name, &value);
        if (fault != script::HeaderFault::kNone) {
            const bool reserved = fault == script::HeaderFault::kReservedName;
            sheet.Error(key->line,
                        key->name + " " + script::DescribeHeaderFault(fault) + ": the run fails with " + kBadHeader,
                        reserved ? "use the key of its own (Referer, Host, UserAgent, ContentType) or delete the line"
                                 : "write " + key->name + "=Name: value, for example " + key->name +
                                       "=Accept: application/json");
            continue;
        }
        CheckTemplate(sheet, *key, value, customVarsBefore);
        auto first = seen.emplace(Lower(name), key);
        if (!first.second && !first.first->second) {
            sheet.Error(key->line, name + " is set by Auth already: the two would go out as one garbled header",
                        "delete " + key->name + " or the Auth key");
        } else if (!first.second) {
            sheet.Warn(key->line,
                       name + " comes again (first in " + first.first->second->name +
                           "): the values go out as one line, joined by \", \"",
                       "write both values into " + first.first->second->name + " if that is what you mean");
        }
        // A value cut from a reply is shown by its name: "***" would hide where it comes from.
        const bool variable = value.find("$CustomVar") != std::string::npos;
        sheet.Note(key->line, "[" + r.name + "] sends " + name + ": " +
                                  (variable ? value : script::ShownHeaderValue(name, value)));
    }
}

}  // namespace lint
