// Each recorded value of a query or a form body, made into what the file
// sends: a variable for the number, the message and the account; a Key%d or
// a CustomVar%d for a value an earlier page gave; a cookie; else the value
// as the browser sent it.
#include <algorithm>
#include <cctype>

#include "draft/Drafter.h"
#include "draft/Pages.h"
#include "record/Text.h"
#include "script/Extract.h"
#include "script/Template.h"
#include "transport/Url.h"
#include "shell/Charset.h"
#include "shell/Text.h"

namespace draft {
namespace {

const char* const kUserFields[] = {"user",  "username", "user_name", "login",  "loginname",
                                   "email", "benutzer", "userid",    "account"};
const char* const kPasswordFields[] = {"pass", "password", "passwd", "pwd", "passwort", "kennwort", "pin"};
// Shorter values found in a page are more likely chance than a token.
constexpr size_t kShortestScraped = 6;

template <size_t N>
bool Listed(const std::string& name, const char* const (&list)[N]) {
    const std::string lower = text::LowerAscii(name);
    return std::any_of(std::begin(list), std::end(list), [&](const char* n) { return lower == n; });
}

std::string Digits(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (std::isdigit(static_cast<unsigned char>(c))) out += c;
    }
    return out;
}

bool LooksLikeNumber(const std::string& s) {
    return !s.empty() && s.find_first_not_of("0123456789 -/().+") == std::string::npos;
}

std::string Decoded(const std::string& raw) {
    const std::vector<har::NameValue> f = har::DecodeForm("x=" + raw);
    return f.empty() ? "" : f[0].value;
}

}  // namespace

std::string Placeholder(size_t extraction) { return "\x01" + std::to_string(extraction) + "\x02"; }
std::string KeyPlaceholder(size_t extraction) { return "\x03" + std::to_string(extraction) + "\x04"; }

std::string OneLine(const std::string& text) {
    std::string out;
    for (char c : text) out += (c == '\r' || c == '\n' || c == '\0') ? ' ' : c;
    return out;
}

bool FormSafe(const std::string& value) {
    return std::all_of(value.begin(), value.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b > 0x20 && b < 0x7F && std::string(" &=+%#").find(c) == std::string::npos;
    });
}

std::vector<Field> SplitFields(const std::string& text) {
    std::vector<Field> fields;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('&', start);
        if (end == std::string::npos) end = text.size();
        const std::string piece = text.substr(start, end - start);
        if (!piece.empty()) {
            const size_t eq = piece.find('=');
            Field f;
            f.rawName = piece.substr(0, eq);
            f.raw = eq == std::string::npos ? "" : piece.substr(eq + 1);
            f.name = Decoded(f.rawName);
            f.value = Decoded(f.raw);
            f.piece = piece;
            fields.push_back(f);
        }
        start = end + 1;
    }
    return fields;
}

void Drafter::FindAccount() {
    if (given_.user) user_ = *given_.user, userFrom_ = "given with --user";
    if (given_.password) password_ = *given_.password, passwordFrom_ = "given with --password";
    std::vector<std::string> passwordInputs;
    for (size_t step = 0; step < session_.steps.size() && (user_.empty() || password_.empty()); ++step) {
        const har::Request& r = EntryOf(step).request;
        std::vector<har::NameValue> fields = FormFields(r);
        for (const har::NameValue& q : har::QueryFields(r.url)) fields.push_back(q);
        for (const har::NameValue& f : fields) {
            if (f.value.empty()) continue;
            const std::string where = "the field \"" + f.name + "\" of " + EntryName(session_.steps[step].entry);
            const bool input = std::find(passwordInputs.begin(), passwordInputs.end(), f.name) != passwordInputs.end();
            if (password_.empty() && (input || Listed(f.name, kPasswordFields))) {
                password_ = f.value, passwordFrom_ = where + ", taken for the password";
            } else if (user_.empty() && Listed(f.name, kUserFields)) {
                user_ = f.value, userFrom_ = where + ", taken for the user";
            }
        }
        for (const std::string& name : PasswordFields(PageOf(step))) passwordInputs.push_back(name);
    }
}

bool Drafter::NumberValue(const Field& f, bool prefixApart, Drafted* d) const {
    const std::string& p = given_.prefix;
    const std::string& n = given_.number;
    const struct {
        std::string literal;
        const char* text;
        bool prefixOnly;
    } forms[] = {{p + n, "$Prefix$Number", false},
                 {"+" + p + n, "%2B$Prefix$Number", false},
                 {"00" + p + n, "00$Prefix$Number", false},
                 {n, "$Number", false},
                 {"0" + n, "0$Number", false},
                 {p, "$Prefix", true},
                 {"+" + p, "%2B$Prefix", true},
                 {"00" + p, "00$Prefix", true}};
    for (const auto& form : forms) {
        if (form.prefixOnly && !prefixApart) continue;
        if (f.value == form.literal) {
            d->text = form.text;
            d->origin = form.prefixOnly ? "the prefix" : "the number";
            return true;
        }
    }
    // Blanks, dashes or brackets between the digits: the digits are sent.
    if (!LooksLikeNumber(f.value)) return false;
    const std::string digits = Digits(f.value);
    for (const auto& form : forms) {
        if (form.prefixOnly || Digits(form.literal) != digits) continue;
        d->text = (f.value[0] == '+' && form.literal[0] != '+') ? "%2B" + std::string(form.text) : form.text;
        d->origin = "the number";
        d->check = "the browser sent the number as \"" + f.value + "\"; the file sends its digits";
        return true;
    }
    return false;
}

bool Drafter::AccountValue(const Field& f, Drafted* d) const {
    const bool encoded = f.raw != f.value || !FormSafe(f.value);
    if (!user_.empty() && f.value == user_) {
        d->text = encoded ? "$EncUser" : "$User";
        d->origin = "the account's user";
        return true;
    }
    if (!password_.empty() && f.value == password_) {
        d->text = encoded ? "$EncPass" : "$Pass";
        d->origin = "the account's password";
        return true;
    }
    return false;
}

size_t Drafter::Extract(bool key, size_t step, const std::string& text, const std::string& value,
                        const std::string& comment) {
    for (size_t i = 0; i < extractions_.size(); ++i) {
        const Extraction& x = extractions_[i];
        if (x.key == key && x.step == step && x.text == text) return i;
    }
    extractions_.push_back({key, step, text, value, comment, 0});
    return extractions_.size() - 1;
}

// A Key%d pair is appended to every later POST body that does not name it:
// only a field that every later POST sends may come from one, and only a
// value that needs no encoding (pairs are appended as they stand).
bool Drafter::KeyAllowed(size_t page, const Field& f) const {
    if (!FormSafe(f.value)) return false;
    for (const Extraction& x : extractions_) {
        if (x.key && x.text == f.name && (x.step != page || x.value != f.value)) return false;
    }
    for (size_t s = page + 1; s < session_.steps.size(); ++s) {
        const har::Request& r = EntryOf(s).request;
        if (text::LowerAscii(r.method) == "get") continue;
        bool sends = false;
        for (const har::NameValue& field : FormFields(r)) {
            if (field.name == f.name) {
                sends = true;
            } else if (field.name.size() > f.name.size() &&
                       field.name.compare(field.name.size() - f.name.size(), f.name.size(), f.name) == 0) {
                return false;  // "xname=" would stop the runner appending "name="
            }
        }
        if (!sends) return false;
    }
    return true;
}

bool Drafter::CookieValue(size_t step, const Field& f, Drafted* d) const {
    if (!FormSafe(f.value)) return false;
    for (size_t j = 0; j < step; ++j) {
        std::vector<size_t> replies = session_.steps[j].redirects;
        replies.insert(replies.begin(), session_.steps[j].entry);
        for (size_t e : replies) {
            for (const har::NameValue& c : recording_.entries[e].response.cookies) {
                if (c.value != f.value) continue;
                d->text = "$Cookie[" + c.name + "]";
                d->origin = "the cookie " + c.name + " that " + EntryName(e) + " set";
                return true;
            }
        }
    }
    return false;
}

bool Drafter::PageValue(size_t step, const Field& f, Place place, Drafted* d) {
    auto custom = [&](size_t j, const std::string& pattern, const std::string& where) {
        const size_t i = Extract(false, j, pattern, f.value,
                                 where + ", which " + EntryName(EntryIndex(step)) + " sends as \"" + f.name + "\"");
        d->text = Placeholder(i);
        d->origin = Placeholder(i);
        if (place == Place::kQuery && f.raw != f.value) {
            d->check = "the runner puts " + Placeholder(i) + " into an address as it stands, unencoded";
        }
    };
    // A hidden input of an earlier page, found as the runner finds Key%d.
    for (size_t j = step; j-- > 0;) {
        const std::string& page = PageOf(j);
        std::string found;
        if (!script::FindFieldValue(page.data(), page.size(), f.name, &found) || found != f.value) continue;
        const std::string where = "the input \"" + f.name + "\" of the page of " + EntryName(PageIndex(j));
        if (place == Place::kBody && KeyAllowed(j, f)) {
            const size_t i =
                Extract(true, j, f.name, f.value, where + ", which the runner appends to every later form body");
            d->dropped = true;
            d->origin = KeyPlaceholder(i);
            return true;
        }
        const std::string pattern = CutPattern(page, f.value, f.name);
        if (pattern.empty()) break;
        custom(j, pattern, where);
        return true;
    }
    if (CookieValue(step, f, d)) return true;
    if (f.value.size() < kShortestScraped) return false;
    for (size_t j = step; j-- > 0;) {
        const std::string& page = PageOf(j);
        if (page.find(f.value) == std::string::npos) continue;
        const std::string pattern = CutPattern(page, f.value);
        if (pattern.empty()) {
            d->check = "\"" + f.value + "\" stands in the page of " + EntryName(PageIndex(j)) +
                       ", but no pattern cuts it out: the file sends the recorded value";
            continue;
        }
        custom(j, pattern, "the text around it in the page of " + EntryName(PageIndex(j)));
        d->check.clear();
        return true;
    }
    return false;
}

Drafted Drafter::DraftValue(size_t step, const Field& f, Place place, bool prefixApart) {
    Drafted d;
    d.text = f.raw;
    d.origin = "as sent";
    if (f.value.empty()) return d;
    const size_t message = f.value.find(given_.message);
    if (message != std::string::npos) {
        d.text = script::UrlEncode(f.value.substr(0, message)) + "$Message" +
                 script::UrlEncode(f.value.substr(message + given_.message.size()));
        d.origin = "the message";
        // A message beyond ASCII found as it was typed: the form went as UTF-8.
        const bool ascii = std::all_of(given_.message.begin(), given_.message.end(),
                                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        if (!ascii && charset::utf8::Valid(given_.message, nullptr) && messageUtf8In_.empty())
            messageUtf8In_ = EntryName(EntryIndex(step));
        return d;
    }
    if (NumberValue(f, prefixApart, &d) || AccountValue(f, &d)) return d;
    Drafted found;
    if (PageValue(step, f, place, &found)) return found;
    d.check = found.check;
    return d;
}

std::string Drafter::DraftFields(size_t step, const std::vector<Field>& fields, Place place, std::string* origins,
                                 std::string* check, std::vector<std::pair<Field, bool>>* kept) {
    bool prefixApart = false;
    for (const Field& f : fields) prefixApart |= f.value == given_.number || f.value == "0" + given_.number;
    std::string out;
    for (const Field& f : fields) {
        const Drafted d = DraftValue(step, f, place, prefixApart);
        if (kept) kept->push_back({f, d.dropped});
        if (!origins->empty()) *origins += ", ";
        *origins += f.name + " " + (d.origin == "as sent" ? d.origin : "from " + d.origin);
        if (!d.check.empty()) *check += (check->empty() ? "" : "; ") + d.check;
        if (d.dropped) continue;
        if (!out.empty()) out += '&';
        out += d.origin == "as sent" ? f.piece : f.rawName + "=" + d.text;
    }
    return out;
}

std::string Drafter::DraftAddress(size_t step, const std::string& url, std::string* check) {
    const std::string plain = url.substr(0, url.find('#'));
    const size_t question = plain.find('?');
    std::string base = plain.substr(0, question);
    const std::string full = given_.prefix + given_.number;
    transport::Address address;
    const size_t path = transport::ReadAddress(url, &address) ? address.origin.size() : base.size();
    const size_t number = base.find(full, path);
    if (number != std::string::npos) base.replace(number, full.size(), "$Prefix$Number");
    if (question == std::string::npos) return base;
    std::string origins;
    return base + "?" + DraftFields(step, SplitFields(plain.substr(question + 1)), Place::kQuery, &origins, check);
}

std::string Drafter::DraftOtherBody(size_t, const har::PostData& body, std::string* check) const {
    std::string text = OneLine(body.text);
    auto replace = [&](const std::string& from, const char* to) {
        for (size_t at = from.empty() ? std::string::npos : text.find(from); at != std::string::npos;
             at = text.find(from, at + std::char_traits<char>::length(to))) {
            text.replace(at, from.size(), to);
        }
    };
    replace(given_.message, "$Message");
    replace(given_.prefix + given_.number, "$Prefix$Number");
    if (!password_.empty()) replace(password_, "$Pass");
    if (!user_.empty()) replace(user_, "$User");
    *check = "the body is " + (body.mimeType.empty() ? std::string("no form") : body.mimeType) +
             ", not a form: the runner sends it as application/x-www-form-urlencoded and puts $Message in "
             "form-encoded";
    return text;
}

}  // namespace draft
