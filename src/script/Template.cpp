#include "script/Template.h"

#include <cstring>

#include "script/Runner.h"
#include "shell/Log.h"
#include "shell/Text.h"

namespace script {
namespace {

bool IsAsciiAlnum(unsigned char c) {
    // The C locale's class: the encoding must not depend on the user's locale.
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// "[S;L]" behind a variable: L characters of the value from offset S.
std::string Select(const std::string& value, long start, long count) {
    if (start < 0) start = 0;  // a negative offset would read before the value
    if (count < 0) count = 0;
    const size_t len = value.size();
    size_t s = static_cast<size_t>(start);
    if (s == 0) return value;
    if (s > len) s = 0;
    const size_t l = static_cast<size_t>(count);
    if (l == 0 || l > len - s) return value.substr(s);
    return value.substr(s, l);
}

struct Variable {
    const char* name;
    size_t nameLength;
    bool present;
    const std::string* value;
    bool deferred;  // put in as a mark, its text only when the passes are over
};

// What one expansion knows beyond the values: how they go in, and the texts
// of the marks put in for deferred values. A mark is a zero byte, "M", the
// text's index and a zero byte: no file text and no variable name holds a
// zero byte, so no pass can read a deferred value as a template.
struct Insertion {
    Encoding encoding;
    std::vector<std::string> deferred;

    bool Json() const { return encoding == Encoding::kJson; }
    // A value as it goes into the text.
    std::string Put(const std::string& value) const { return Json() ? JsonEscape(value) : value; }
    std::string Mark(std::string value) {
        deferred.push_back(Json() ? JsonEscape(value) : std::move(value));
        return std::string("\0M", 2) + std::to_string(deferred.size() - 1) + std::string(1, '\0');
    }
};

constexpr char kMarkStart[] = {'\0', 'M'};

// Whether `text` holds `token` not followed by a digit ("$CustomVar1" is
// not in "$CustomVar12").
bool HoldsReference(const std::string& text, const std::string& token, bool digitEnds) {
    for (size_t at = text.find(token); at != std::string::npos; at = text.find(token, at + 1)) {
        const size_t behind = at + token.size();
        if (!digitEnds || behind >= text.size() || text[behind] < '0' || text[behind] > '9') return true;
    }
    return false;
}

// Whether a longer name of the table stands at `at` ("$MessageId" where
// "$Message" was found).
bool LongerNameAt(const std::string& work, size_t at, size_t nameLength) {
    for (const char* name : kVariableNames) {
        const size_t length = std::strlen(name);
        if (length > nameLength && work.compare(at, length, name) == 0) return true;
    }
    return false;
}

// Replaces the first occurrence of `v` (with its selector); false if none.
// `selfReference` tells that the inserted text names `v` again.
bool ReplaceFirst(std::string* work, const Variable& v, Insertion* insertion, bool* selfReference) {
    size_t at = work->find(v.name, 0, v.nameLength);
    while (at != std::string::npos && LongerNameAt(*work, at, v.nameLength)) {
        at = work->find(v.name, at + 1, v.nameLength);
    }
    if (at == std::string::npos) return false;
    size_t end = at + v.nameLength;
    std::string inserted = *v.value;
    if (end < work->size() && (*work)[end] == '[') {
        const size_t close = work->find(']', end + 1);
        if (close != std::string::npos) {
            const std::string inner = work->substr(end + 1, close - end - 1);
            const long s = text::ParseDecimal(inner.c_str());
            const size_t semi = inner.find(';');
            const long l = semi == std::string::npos ? 0 : text::ParseDecimal(inner.c_str() + semi + 1);
            inserted = Select(inserted, s, l);
            end = close + 1;
        }
    }
    // A selector cuts the value before it is escaped, so it never splits an escape.
    inserted = v.deferred ? insertion->Mark(std::move(inserted)) : insertion->Put(inserted);
    *selfReference = HoldsReference(inserted, std::string(v.name, v.nameLength), false);
    work->replace(at, end - at, inserted);
    return true;
}

// "$CustomVar" with exactly the number n: "$CustomVar12" is not n = 1.
// A value too long for any expansion sets `tooLong` and is not copied: a
// scraped value may be as large as a whole reply page.
bool ReplaceCustomVar(std::string* work, size_t n, const std::string& raw, Encoding encoding, bool* selfReference,
                      bool* tooLong) {
    const std::string token = kCustomVarReference + std::to_string(n);
    for (size_t from = 0;;) {
        const size_t at = work->find(token, from);
        if (at == std::string::npos) return false;
        const size_t behind = at + token.size();
        if (behind < work->size() && (*work)[behind] >= '0' && (*work)[behind] <= '9') {
            from = at + 1;
            continue;
        }
        if (work->size() - token.size() + raw.size() > kMaxExpandedSize) {
            *tooLong = true;
            return false;
        }
        const bool copy = encoding == Encoding::kForm || encoding == Encoding::kJson;
        const std::string value = encoding == Encoding::kForm
                                      ? UrlEncode(raw)
                                      : (encoding == Encoding::kJson ? JsonEscape(raw) : std::string());
        const std::string& inserted = copy ? value : raw;
        *selfReference = HoldsReference(inserted, token, true);
        work->replace(at, token.size(), inserted);
        return true;
    }
}

const ExpandResultText kExpandResults[] = {
    {kExpandOk, "Ok", ""},
    {kExpandNoCookie, "NoCookie", "Fatal: Required Cookie wasn't found.\n"},
    {kExpandUnclosedCookie, "UnclosedCookie", "Fatal: Cookie reference without a closing ']'.\n"},
    {kExpandRunaway, "Runaway", "Fatal: Template expansion stopped: %s.\n"},
    {kExpandNoMemory, "NoMemory", ""},  // the runner logs this one itself
};

// Logs the result's line and gives the result.
int Fail(ExpandResult result, const char* why = "") {
    WriteLog(DescribeExpandResult(result).log, why);
    return result;
}

int Runaway(const char* why) { return Fail(kExpandRunaway, why); }

}  // namespace

const ExpandResultText& DescribeExpandResult(int code) {
    for (const ExpandResultText& row : kExpandResults) {
        if (row.code == code) return row;
    }
    static const ExpandResultText kUnknown = {kExpandRunaway, "Unknown", ""};
    return kUnknown;
}

int UrlEncode(const char* text, std::string* out) {
    if (!text || !out) return -1;
    static const char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    size_t size = 0;
    for (const char* p = text; *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        size += (IsAsciiAlnum(c) || c == ' ') ? 1 : 3;
    }
    encoded.reserve(size);
    for (const char* p = text; *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (IsAsciiAlnum(c)) {
            encoded += static_cast<char>(c);
        } else if (c == ' ') {
            encoded += '+';
        } else {
            encoded += '%';
            encoded += kHex[c >> 4];
            encoded += kHex[c & 15];
        }
    }
    out->swap(encoded);
    return 0;
}

std::string UrlEncode(const std::string& text) {
    std::string out;
    UrlEncode(text.c_str(), &out);
    return out;
}

std::string JsonEscape(const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (b < 0x20 || b == 0x7F) {
            out += "\\u00";
            out += kHex[b >> 4];
            out += kHex[b & 15];
        } else {
            out += c;
        }
    }
    return out;
}

namespace {

// The values of the table variables for one expansion, in the order of
// kVariableNames; a value the run lacks is not present.
struct VariableSet {
    enum Index : size_t {
        kPrefix,
        kNumber,
        kMessage,
        kSender,
        kCount,
        kUser,
        kPass,
        kLRurl,
        kEncUser,
        kEncPass,
        kCharset,
        kMessageId
    };
    static_assert(kMessageId + 1 == kVariableCount, "one index for every name of kVariableNames");

    std::string texts[kVariableCount];
    Variable variables[kVariableCount];

    VariableSet(const TemplateValues& values, Encoding encoding) {
        const SmsMessage* m = values.message;
        // Bodies that are not forms take the message as it is, and never as a template.
        const bool deferMessage = encoding == Encoding::kJson || encoding == Encoding::kVerbatim;
        bool present[kVariableCount] = {};
        auto keep = [&](size_t i, const char* s) {
            if (s) texts[i] = s;
            present[i] = s != nullptr;
        };
        auto encode = [&](size_t i, const char* s) { present[i] = s && UrlEncode(s, &texts[i]) == 0; };
        keep(kPrefix, m ? m->prefix : nullptr);
        keep(kNumber, m ? m->number : nullptr);
        if (deferMessage) {
            keep(kMessage, m ? m->text : nullptr);
        } else {
            encode(kMessage, m ? m->text : nullptr);
        }
        keep(kSender, m ? m->sender : nullptr);
        // In 64 bits: MaxChars near INT32_MIN less a long text must not overflow.
        present[kCount] = present[kMessage];
        if (present[kCount])
            texts[kCount] = std::to_string(
                static_cast<int64_t>(values.maxChars) -
                (values.messageLength >= 0 ? values.messageLength : static_cast<int64_t>(std::strlen(m->text))));
        keep(kUser, values.user);
        keep(kPass, values.password);
        keep(kLRurl, values.lastRedirect);
        encode(kEncUser, values.user);
        encode(kEncPass, values.password);
        keep(kCharset, values.charset);
        keep(kMessageId, values.messageId);
        for (size_t i = 0; i < kVariableCount; ++i) {
            variables[i] = Variable{kVariableNames[i], std::strlen(kVariableNames[i]), present[i], &texts[i],
                                    deferMessage && i == kMessage};
        }
    }
};

// The pass for the first "$Cookie[name]" (at `cookie`): replaced by the
// cookie's value, or the expansion fails.
int ReplaceCookie(std::string* work, size_t cookie, const CookieJar* jar, const Insertion& insertion) {
    const size_t nameAt = cookie + sizeof kCookieReference - 1;
    const size_t close = work->find(']', nameAt);
    if (close == std::string::npos) return Fail(kExpandUnclosedCookie);
    std::string value;
    if (!jar || !FindCookie(*jar, work->data() + nameAt, close - nameAt, &value)) return Fail(kExpandNoCookie);
    if (HoldsReference(value, work->substr(cookie, close + 1 - cookie), false)) {
        return Runaway("a cookie's value refers to itself");
    }
    work->replace(cookie, close + 1 - cookie, insertion.Put(value));
    if (work->size() > kMaxExpandedSize) return Runaway("the text grew too long");
    return kExpandOk;
}

// One pass over the table variables and the custom variables: the first
// occurrence of each replaced. `changed` tells whether anything was.
int ReplaceVariables(std::string* work, const VariableSet& set, const std::vector<std::string>& custom,
                     bool mayHoldCustom, Insertion* insertion, bool* changed) {
    bool selfReference = false;
    for (const Variable& v : set.variables) {
        if (v.present && ReplaceFirst(work, v, insertion, &selfReference)) *changed = true;
        if (selfReference) return Runaway((std::string("the value of ") + v.name + " refers to itself").c_str());
    }
    bool tooLong = false;
    for (size_t n = 1; mayHoldCustom && n <= custom.size(); ++n) {
        if (ReplaceCustomVar(work, n, custom[n - 1], insertion->encoding, &selfReference, &tooLong)) *changed = true;
        if (selfReference) return Runaway("a custom variable refers to itself");
        if (tooLong || work->size() > kMaxExpandedSize) return Runaway("the text grew too long");
    }
    return kExpandOk;
}

// The texts of the deferred values in place of their marks.
int PutDeferred(std::string* work, const Insertion& insertion) {
    if (insertion.deferred.empty()) return kExpandOk;
    std::string done;
    size_t from = 0;
    for (size_t at = work->find(kMarkStart, 0, 2); at != std::string::npos; at = work->find(kMarkStart, from, 2)) {
        const size_t close = work->find('\0', at + 2);
        const size_t index = static_cast<size_t>(text::ParseDecimal(work->c_str() + at + 2));
        if (close == std::string::npos || index >= insertion.deferred.size()) break;
        done.append(*work, from, at - from);
        done += insertion.deferred[index];
        from = close + 1;
        if (done.size() > kMaxExpandedSize) return Runaway("the text grew too long");
    }
    done.append(*work, from, std::string::npos);
    if (done.size() > kMaxExpandedSize) return Runaway("the text grew too long");
    work->swap(done);
    return kExpandOk;
}

}  // namespace

int ExpandTemplate(const char* text, const TemplateValues& values, Encoding encoding, std::string* out) {
    std::string work = text ? text : "";
    const VariableSet set(values, encoding);
    Insertion insertion{encoding, {}};
    // Custom variables are copied (and encoded) only where the text names
    // them: scraped values can be large, and most templates name none.
    static const std::vector<std::string> kNone;
    const std::vector<std::string>& custom = values.customVars ? *values.customVars : kNone;

    size_t scanned = 0;
    for (int pass = 1;; ++pass) {
        if (pass > kMaxPasses) return Runaway("too many passes");
        // Each pass searches the text once per variable it may hold.
        const bool mayHoldCustom = !custom.empty() && work.find(kCustomVarReference) != std::string::npos;
        scanned += work.size() * (2 + kVariableCount + (mayHoldCustom ? custom.size() : 0));
        if (scanned > kMaxScannedBytes) return Runaway("too much text to search");

        const size_t cookie = work.find(kCookieReference);
        if (cookie != std::string::npos) {
            const int replaced = ReplaceCookie(&work, cookie, values.jar, insertion);
            if (replaced != kExpandOk) return replaced;
            continue;
        }
        const std::string before = work;
        bool changed = false;
        const int replaced = ReplaceVariables(&work, set, custom, mayHoldCustom, &insertion, &changed);
        if (replaced != kExpandOk) return replaced;
        if (!changed) break;
        if (work.size() > kMaxExpandedSize) return Runaway("the text grew too long");
        if (work == before) return Runaway("a value refers to itself");
    }
    const int put = PutDeferred(&work, insertion);
    if (put != kExpandOk) return put;
    out->swap(work);
    return kExpandOk;
}

}  // namespace script
