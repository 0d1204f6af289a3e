#include "draft/Draft.h"

#include <algorithm>
#include <cctype>

#include "draft/Drafter.h"
#include "draft/Pages.h"
#include "record/Text.h"
#include "script/Extract.h"
#include "script/MessageKeys.h"
#include "script/RunnerSteps.h"
#include "script/Template.h"
#include "shell/PluginInfo.h"
#include "transport/Url.h"

namespace draft {
namespace {

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// A body no line of a gateway file can carry: control bytes other than
// line breaks and tabs.
bool Binary(const std::string& text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b < 0x20 && c != '\t' && c != '\r' && c != '\n';
    });
}

// A value of the file: quoted when blanks at its ends would be lost.
std::string Stored(const std::string& value) { return StoresAsValue(value) ? value : "\"" + value + "\""; }

std::string Joined(const std::vector<std::string>& texts) {
    std::string out;
    for (const std::string& t : texts) out += (out.empty() ? "" : "; ") + t;
    return out;
}

std::string Described(const har::Entry& e) {
    return Upper(e.request.method) + " " + OneLine(e.request.url) + ", answered " + std::to_string(e.response.status);
}

}  // namespace

Drafter::Drafter(const har::Document& recording, const Given& given, const Session& session)
    : recording_(recording), given_(given), session_(session), bodies_(session.steps.size()) {}

const std::string& Drafter::PageOf(size_t step) const {
    return recording_.entries[PageIndex(step)].response.content.text;
}

bool Drafter::DraftRequest(size_t step, std::string* error) {
    const Step& s = session_.steps[step];
    const har::Entry& e = EntryOf(step);
    FileSection section{"Request" + std::to_string(step + 1), {}};
    std::string urlCheck;
    const std::string url = DraftAddress(step, e.request.url, &urlCheck);
    std::string comment = EntryName(s.entry) + ": " + Described(e);
    for (size_t r : s.redirects) {
        comment += "; the runner follows the redirect to " + EntryName(r) + ", " + Described(recording_.entries[r]);
    }
    if (!s.kept.empty()) comment += "; off the site, kept: " + s.kept;
    std::vector<std::string> checks = s.checks;
    if (!urlCheck.empty()) checks.push_back(urlCheck);
    section.lines.push_back({"URL", url, comment, Joined(checks)});

    const std::string method = Upper(e.request.method);
    const bool post = method != "GET";
    section.lines.push_back({"Type", post ? "POST" : "GET", EntryName(s.entry) + "'s method",
                             method == "GET" || method == "POST"
                                 ? ""
                                 : "the browser sent " + method + "; the runner sends GET or POST only"});
    if (const har::NameValue* agent = har::FindHeader(e.request.headers, "User-Agent")) {
        if (StoresAsValue(agent->value)) {
            section.lines.push_back(
                {"UserAgent", agent->value, "the browser's User-Agent in " + EntryName(s.entry), ""});
        }
    }
    if (const har::NameValue* referer = har::FindHeader(e.request.headers, "Referer")) {
        std::string check;
        const std::string value = DraftAddress(step, referer->value, &check);
        if (StoresAsValue(value)) {
            section.lines.push_back({"Referer", value, "the Referer of " + EntryName(s.entry), check});
        }
    }
    if (post) {
        const har::PostData none;
        const har::PostData& body = e.request.postData ? *e.request.postData : none;
        if (Binary(body.text)) {
            *error = EntryName(s.entry) +
                     ": request.postData.text is binary: a gateway file's PostString cannot "
                     "carry it";
            return false;
        }
        std::string check, origins, text;
        const std::vector<har::NameValue> form = FormFields(e.request);
        if (!form.empty() || body.text.empty()) {
            std::vector<Field> fields = SplitFields(body.text);
            if (body.text.empty() || (!body.params.empty() && fields.size() != body.params.size())) {
                fields.clear();
                for (const har::NameValue& p : body.params) {
                    const std::string name = script::UrlEncode(p.name), value = script::UrlEncode(p.value);
                    fields.push_back({p.name, p.value, name, value, name + "=" + value});
                }
                if (!body.params.empty()) {
                    check = "the browser sent " + (body.mimeType.empty() ? "the form" : body.mimeType) +
                            "; the runner sends the fields form-encoded";
                }
            }
            std::string fieldCheck;
            text = DraftFields(step, fields, Place::kBody, &origins, &fieldCheck, &bodies_[step]);
            if (!fieldCheck.empty()) check += (check.empty() ? "" : "; ") + fieldCheck;
            comment = "the form body of " + EntryName(s.entry) + (origins.empty() ? "" : ": " + origins);
        } else {
            text = DraftOtherBody(step, body, &check);
            comment = "the body of " + EntryName(s.entry);
        }
        if (text.empty()) {
            text = "_=";
            check += std::string(check.empty() ? "" : "; ") + "the browser sent an empty body; a POST needs one";
        }
        if (text.size() >= script::kValueSize) {
            check += std::string(check.empty() ? "" : "; ") + "longer than the " +
                     std::to_string(script::kValueSize - 1) + " characters the runner reads";
        }
        section.lines.push_back({"PostString", text, comment, check});
    }
    requests_.push_back(section);
    return true;
}

void Drafter::DraftGatewaySection() {
    gateway_.name = "Gateway";
    const size_t last = session_.steps.size() - 1;
    transport::Address address;
    transport::ReadAddress(session_.site, &address);  // the site is an origin ChooseSteps read
    const std::string site = address.host + (address.port.empty() ? "" : ":" + address.port);
    gateway_.lines.push_back({"Name", site, "the site that took the message in " + EntryName(EntryIndex(last)), ""});
    gateway_.lines.push_back(
        {"RequiresVersion", plugin::kVersionText, "the plug-in version that drafted this file", ""});
    gateway_.lines.push_back({"Prefix1", given_.prefix + ";+" + given_.prefix,
                              "the prefix given with --prefix; after \";\" the label the send dialog shows", ""});
    gateway_.lines.push_back(
        {"MaxChars", "160", "the length of one SMS", "write the provider's own limit for one message"});
    if (!messageUtf8In_.empty()) {
        gateway_.lines.push_back(
            {script::kCharsetKey, "UTF-8", "the message went to the site as UTF-8 in " + messageUtf8In_, ""});
    }

    std::vector<const std::string*> earlier;
    for (size_t step = 0; step < session_.steps.size(); ++step) {
        std::vector<size_t> replies = session_.steps[step].redirects;
        replies.insert(replies.begin(), EntryIndex(step));
        for (size_t e : replies) {
            if (e != PageIndex(last)) earlier.push_back(&recording_.entries[e].response.content.text);
        }
    }
    const std::vector<std::string> avoid = {given_.message, script::UrlEncode(given_.message), given_.number, user_,
                                            password_};
    bool sure = false;
    const std::string success = SuccessText(PageOf(last), earlier, avoid, &sure);
    const std::string page = EntryName(PageIndex(last));
    if (success.empty()) {
        gateway_.lines.push_back(
            {"Success", "", "", "the last page (" + page + ") shows no text to tell a sent message by: write one"});
        gateway_.lines.back().key = ";Success";
    } else {
        gateway_.lines.push_back({"Success", success, "the last page (" + page + ") shows it and no earlier page does",
                                  sure ? ""
                                       : "an earlier page shows it too, or it holds what may change per send: "
                                         "choose a text only the page after a sent message shows"});
        if (!sure) gateway_.lines.back().comment = "a text of the last page (" + page + ")";
    }
    if (!user_.empty()) {
        gateway_.lines.push_back({"Username", Stored(user_), "the account's user, " + userFrom_,
                                  given_.user ? "" : "give --user to be sure"});
    }
    if (!password_.empty()) {
        gateway_.lines.push_back({"Password", Stored(password_), "the account's password, " + passwordFrom_,
                                  given_.password ? "" : "give --password to be sure"});
    }
}

// Numbers run on across the sections of a file, in the order the runner
// extracts: by section, then in the order the draft found them.
void Drafter::NumberExtractions() {
    int customVars = 0, keys = 0;
    for (size_t step = 0; step < requests_.size(); ++step) {
        for (Extraction& x : extractions_) {
            if (x.step != step) continue;
            x.number = x.key ? ++keys : ++customVars;
            std::string check;
            if (!x.key && x.number > static_cast<int>(script::kMaxCustomVars)) {
                check = "more custom variables than the runner keeps (" + std::to_string(script::kMaxCustomVars) + ")";
            }
            requests_[step].lines.push_back(
                {(x.key ? "Key" : "CustomVar") + std::to_string(x.number), x.text, x.comment, check});
        }
    }
    auto numbered = [this](std::string text) { return Placeheld(text); };
    for (FileSection* section : [this] {
             std::vector<FileSection*> all{&gateway_};
             for (FileSection& r : requests_) all.push_back(&r);
             return all;
         }()) {
        for (Line& line : section->lines) {
            line.value = numbered(line.value);
            line.comment = numbered(line.comment);
            line.check = numbered(line.check);
        }
    }
}

std::string Drafter::Placeheld(const std::string& text) const {
    std::string out;
    for (size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        if (c != '\x01' && c != '\x03') {
            out += c;
            continue;
        }
        const size_t end = text.find(c == '\x01' ? '\x02' : '\x04', at);
        const Extraction& x = extractions_[std::stoul(text.substr(at + 1, end - at - 1))];
        out += (c == '\x01' ? "$CustomVar" : "Key") + std::to_string(x.number);
        at = end;
    }
    return out;
}

// The runner appends the Key%d pairs to each POST body that does not name
// them; the body it then sends must hold the fields the browser sent.
void Drafter::CheckAppendedKeys() {
    for (size_t step = 0; step < requests_.size(); ++step) {
        if (bodies_[step].empty()) continue;
        std::string body;
        for (const auto& [field, dropped] : bodies_[step]) {
            if (!dropped) body += (body.empty() ? "" : "&") + field.piece;
        }
        std::vector<script::KeyPair> keys;
        std::vector<const Extraction*> ordered;
        for (const Extraction& x : extractions_) {
            if (x.key && x.step < step) ordered.push_back(&x);
        }
        std::sort(ordered.begin(), ordered.end(),
                  [](const Extraction* a, const Extraction* b) { return a->number < b->number; });
        for (const Extraction* x : ordered) keys.push_back({x->text, x->value});
        script::AppendKeys(&body, keys, script::kMaxExpandedSize);
        std::vector<std::pair<std::string, std::string>> sent, recorded;
        for (const har::NameValue& f : har::DecodeForm(body)) sent.push_back({f.name, f.value});
        for (const auto& entry : bodies_[step]) recorded.push_back({entry.first.name, entry.first.value});
        std::sort(sent.begin(), sent.end());
        std::sort(recorded.begin(), recorded.end());
        if (sent == recorded) continue;
        for (Line& line : requests_[step].lines) {
            if (line.key != "PostString") continue;
            line.check += std::string(line.check.empty() ? "" : "; ") +
                          "with the Key%d pairs appended, the runner's body differs from the browser's: " + body;
        }
    }
}

bool Drafter::Build(std::string* error) {
    FindAccount();
    for (size_t step = 0; step < session_.steps.size(); ++step) {
        if (!DraftRequest(step, error)) return false;
    }
    DraftGatewaySection();
    NumberExtractions();
    CheckAppendedKeys();
    return true;
}

Draft Drafter::Result() const {
    Draft out;
    auto line = [&](const std::string& text) { out.text += text + "\r\n"; };
    line("; Drafted by parlet draft from " + (given_.source.empty() ? "a browser's recording" : given_.source) +
         ": the browser's requests");
    line("; from the site's first page to the one that carried the message. Each comment says where");
    line("; the line below it came from; a \"; check:\" line marks a guess to look at. Try the file with");
    line("; parlet check, parlet replay against the recording, and parlet run before sending with it.");
    std::vector<const FileSection*> all{&gateway_};
    for (const FileSection& r : requests_) all.push_back(&r);
    for (const FileSection* section : all) {
        line("");
        line("[" + section->name + "]");
        for (const Line& l : section->lines) {
            if (!l.check.empty()) {
                line("; check: " + OneLine(l.check));
                out.checks.push_back("[" + section->name + "] " + (l.key[0] == ';' ? l.key.substr(1) : l.key) + ": " +
                                     OneLine(l.check));
            }
            if (!l.comment.empty()) line("; " + OneLine(l.comment));
            line(l.key + "=" + l.value);
        }
    }
    return out;
}

bool DraftGateway(const har::Document& recording, const Given& given, Draft* out, std::string* error) {
    Session session;
    if (!ChooseSteps(recording, given, &session, error)) return false;
    Drafter drafter(recording, given, session);
    if (!drafter.Build(error)) return false;
    *out = drafter.Result();
    return true;
}

}  // namespace draft
