#include "draft/Session.h"

#include <algorithm>
#include <cctype>
#include <set>

#include "draft/Drafter.h"
#include "record/Text.h"
#include "script/RunnerSteps.h"
#include "transport/Url.h"
#include "shell/Text.h"

namespace draft {
namespace {

const char* const kStaticTypes[] = {"image/",
                                    "font/",
                                    "text/css",
                                    "javascript",
                                    "ecmascript",
                                    "audio/",
                                    "video/",
                                    "application/font",
                                    "application/x-font",
                                    "application/wasm",
                                    "application/manifest+json"};
const char* const kStaticExtensions[] = {".css", ".js",   ".mjs",  ".png", ".jpg",  ".jpeg",  ".gif", ".ico",
                                         ".svg", ".webp", ".avif", ".bmp", ".woff", ".woff2", ".ttf", ".otf",
                                         ".eot", ".map",  ".mp3",  ".mp4", ".webm", ".wasm"};

bool EndsWith(const std::string& s, const char* end) {
    const size_t n = std::char_traits<char>::length(end);
    return s.size() >= n && s.compare(s.size() - n, n, end) == 0;
}

std::string WithoutFragment(const std::string& url) { return url.substr(0, url.find('#')); }

bool Readable(const std::string& url) {
    transport::Address address;
    return transport::ReadAddress(url, &address);
}

// The path of an address, without query and fragment, in lower case.
std::string LowerPath(const std::string& url) {
    transport::Address address;
    if (!transport::ReadAddress(url, &address)) return "/";
    return text::LowerAscii(address.target.substr(0, address.target.find('?')));
}

bool IsStatic(const har::Entry& e) {
    const std::string type = text::LowerAscii(e.response.content.mimeType);
    for (const char* t : kStaticTypes) {
        if (type.find(t) != std::string::npos) return true;
    }
    const std::string path = LowerPath(e.request.url);
    for (const char* ext : kStaticExtensions) {
        if (EndsWith(path, ext)) return true;
    }
    return false;
}

bool NamesHost(const har::Request& r) {
    return har::FindHeader(r.headers, "Host") || har::FindHeader(r.headers, ":authority");
}

std::string HostOf(const std::string& origin) {
    transport::Address address;
    return transport::ReadAddress(origin, &address) ? address.host : "";
}

// Two hosts of one site: the same host, or the same last two labels of a
// name (www.example.com and sms.example.com); addresses only when equal.
bool SameSite(const std::string& a, const std::string& b) {
    const std::string ha = HostOf(a), hb = HostOf(b);
    if (ha == hb) return true;
    auto isAddress = [](const std::string& h) {
        return h.empty() || h[0] == '[' || std::all_of(h.begin(), h.end(), [](char c) {
                   return std::isdigit(static_cast<unsigned char>(c)) || c == '.';
               });
    };
    if (isAddress(ha) || isAddress(hb)) return false;
    auto lastTwo = [](const std::string& h) {
        const size_t last = h.rfind('.');
        if (last == std::string::npos || last == 0) return h;
        const size_t before = h.rfind('.', last - 1);
        return before == std::string::npos ? h : h.substr(before + 1);
    };
    return lastTwo(ha) == lastTwo(hb);
}

std::set<std::string> CookiesSet(const har::Entry& e) {
    std::set<std::string> names;
    for (const har::NameValue& c : e.response.cookies) names.insert(c.name);
    for (const har::NameValue& h : e.response.headers) {
        if (text::LowerAscii(h.name) == "set-cookie") names.insert(h.value.substr(0, h.value.find('=')));
    }
    return names;
}

std::set<std::string> CookiesSent(const har::Request& r) {
    std::set<std::string> names;
    for (const har::NameValue& c : r.cookies) names.insert(c.name);
    for (const har::NameValue& h : r.headers) {
        if (text::LowerAscii(h.name) != "cookie") continue;
        for (size_t at = 0; at < h.value.size();) {
            size_t end = h.value.find(';', at);
            if (end == std::string::npos) end = h.value.size();
            std::string piece = h.value.substr(at, end - at);
            piece.erase(0, piece.find_first_not_of(' '));
            names.insert(piece.substr(0, piece.find('=')));
            at = end + 1;
        }
    }
    return names;
}

bool CarriesMessage(const har::Request& r, const std::string& message) {
    if (message.empty()) return false;
    for (const har::NameValue& f : har::QueryFields(r.url)) {
        if (f.value.find(message) != std::string::npos) return true;
    }
    for (const har::NameValue& f : FormFields(r)) {
        if (f.value.find(message) != std::string::npos) return true;
    }
    return r.postData && r.postData->text.find(message) != std::string::npos;
}

bool FollowedByRunner(int status) { return status == 301 || status == 302 || status == 303; }

// Why an exchange is no request of the file, or "" when it is one.
class Sorter {
public:
    Sorter(const std::vector<har::Entry>& entries, const std::string& site) : entries_(entries), site_(site) {
        for (const har::Entry& e : entries) {
            if (NamesHost(e.request)) namingHost_.insert(Origin(e.request.url));
        }
    }

    std::string Skipped(size_t i) const {
        const har::Entry& e = entries_[i];
        if (!Readable(e.request.url)) return "no address a request can go to";
        if (e.response.status == 0) return "no reply came";
        if (text::LowerAscii(e.request.method) == "options") return "a CORS preflight";
        // A cached answer never reached the server: it names no host.
        if (!NamesHost(e.request) && namingHost_.count(Origin(e.request.url))) return "answered from the cache";
        if (IsStatic(e)) return "a static resource";
        if (!SameSite(Origin(e.request.url), site_)) return "another site's";
        return "";
    }

    // The cookie a left-out exchange sets that a later request of the site
    // sends, "" when none.
    std::string CookieNeeded(size_t i, size_t last) const {
        for (const std::string& name : CookiesSet(entries_[i])) {
            for (size_t k = i + 1; k <= last; ++k) {
                if (Skipped(k).empty() && CookiesSent(entries_[k].request).count(name)) {
                    return "it sets the cookie " + name + ", which " + EntryName(k) + " sends";
                }
                if (Skipped(k).empty() && CookiesSet(entries_[k]).count(name)) break;
            }
        }
        return "";
    }

private:
    const std::vector<har::Entry>& entries_;
    std::string site_;
    std::set<std::string> namingHost_;
};

// The exchanges that followed the redirects of entry `i`, as the runner will
// follow them; notes where it cannot.
void FollowRedirects(const std::vector<har::Entry>& entries, std::vector<bool>& taken, Step* step) {
    size_t current = step->entry;
    std::string runnerAddress = entries[current].request.url;
    for (int cycle = 1; FollowedByRunner(entries[current].response.status); ++cycle) {
        const std::string target = RedirectTarget(entries[current]);
        if (!Readable(target)) break;
        size_t next = current + 1;
        while (next < entries.size() && (taken[next] || text::LowerAscii(entries[next].request.method) != "get" ||
                                         WithoutFragment(entries[next].request.url) != target)) {
            ++next;
        }
        if (next == entries.size()) break;
        const har::NameValue* location = har::FindHeader(entries[current].response.headers, "Location");
        std::string runnerTarget;
        if (location && (script::ResolveLocation(runnerAddress, location->value.c_str(), &runnerTarget) != 0 ||
                         runnerTarget != target)) {
            step->checks.push_back("the browser followed the redirect of " + EntryName(current) + " to " + target +
                                   "; the runner reads its Location \"" + location->value + "\" as " +
                                   (runnerTarget.empty() ? "no address" : runnerTarget));
        }
        runnerAddress = runnerTarget.empty() ? target : runnerTarget;
        if (cycle == 5) {
            step->checks.push_back("more than five redirects in a row: the runner stops after five (-9)");
        }
        taken[next] = true;
        step->redirects.push_back(next);
        current = next;
    }
    step->page = current;
    const int status = entries[current].response.status;
    if (status == 307 || status == 308) {
        step->checks.push_back(EntryName(current) + " answered " + std::to_string(status) +
                               ", a redirect the runner does not follow: the run fails here (-11)");
    } else if (status < 200 || (status > 299 && !FollowedByRunner(status))) {
        step->checks.push_back(EntryName(current) + " answered " + std::to_string(status) +
                               ": the runner fails a request whose page is not 2xx (-11)");
    }
}

}  // namespace

std::string EntryName(size_t index) { return "entry " + std::to_string(index + 1); }

std::string Origin(const std::string& url) {
    transport::Address a;
    if (!transport::ReadAddress(url, &a)) return "";
    const bool ownPort = (a.scheme == "http" && a.port == "80") || (a.scheme == "https" && a.port == "443");
    return a.scheme + "://" + a.host + (a.port.empty() || ownPort ? "" : ":" + a.port);
}

std::vector<har::NameValue> FormFields(const har::Request& request) {
    if (!request.postData) return {};
    if (!request.postData->params.empty()) return request.postData->params;
    if (text::LowerAscii(request.postData->mimeType).find("x-www-form-urlencoded") == std::string::npos) return {};
    return har::DecodeForm(request.postData->text);
}

std::string Resolve(const std::string& base, const std::string& reference) {
    const std::string ref = WithoutFragment(reference);
    transport::Address b;
    if (!transport::ReadAddress(base, &b)) return ref;
    const size_t colon = ref.find(':');
    if (colon != std::string::npos && colon > 0 && ref.find_first_of("/?#") > colon &&
        std::isalpha(static_cast<unsigned char>(ref[0]))) {
        return ref;  // absolute
    }
    if (ref.rfind("//", 0) == 0) return base.substr(0, b.scheme.size() + 1) + ref;
    const std::string plain = WithoutFragment(base);
    if (ref.empty()) return plain;
    if (ref[0] == '/') return b.origin + ref;
    if (ref[0] == '?') return plain.substr(0, plain.find('?')) + ref;
    std::string path = b.target.substr(0, b.target.find('?'));
    path = path.substr(0, path.rfind('/') + 1);
    // Dot segments of the reference.
    std::string rest = ref;
    for (;;) {
        if (rest.rfind("./", 0) == 0) {
            rest.erase(0, 2);
        } else if (rest.rfind("../", 0) == 0) {
            rest.erase(0, 3);
            if (path.size() > 1) path = path.substr(0, path.rfind('/', path.size() - 2) + 1);
        } else {
            break;
        }
    }
    return b.origin + path + rest;
}

std::string RedirectTarget(const har::Entry& entry) {
    if (!entry.response.redirectURL.empty()) return Resolve(entry.request.url, entry.response.redirectURL);
    const har::NameValue* location = har::FindHeader(entry.response.headers, "Location");
    return location ? Resolve(entry.request.url, location->value) : "";
}

bool ChooseSteps(const har::Document& recording, const Given& given, Session* out, std::string* error) {
    const std::vector<har::Entry>& entries = recording.entries;
    if (entries.empty()) {
        *error = "the recording holds no exchanges (log.entries is empty)";
        return false;
    }
    size_t message = 0;
    while (message < entries.size() && !CarriesMessage(entries[message].request, given.message)) ++message;
    if (message == entries.size()) {
        *error = "no entry carries the message \"" + given.message + "\": none of the " +
                 std::to_string(entries.size()) +
                 " entries sends it in its address or its body (a recording of another site, or another message?)";
        return false;
    }
    out->site = Origin(entries[message].request.url);
    if (out->site.empty()) {
        *error = EntryName(message) + ": request.url is no address a request can go to (scheme://host/path): \"" +
                 OneLine(entries[message].request.url) + "\"";
        return false;
    }
    const Sorter sorter(entries, out->site);
    std::vector<bool> taken(entries.size(), false);
    for (size_t i = 0; i <= message; ++i) {
        if (taken[i]) continue;
        Step step;
        step.entry = i;
        if (i != message && !sorter.Skipped(i).empty()) {
            if (!Readable(entries[i].request.url)) continue;
            step.kept = sorter.CookieNeeded(i, message);
            if (step.kept.empty()) continue;
        }
        taken[i] = true;
        FollowRedirects(entries, taken, &step);
        out->steps.push_back(step);
        // The message's request may have been followed by a redirect.
        if (std::find(step.redirects.begin(), step.redirects.end(), message) != step.redirects.end()) break;
    }
    return true;
}

}  // namespace draft
