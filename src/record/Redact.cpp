#include "record/Redact.h"

#include <algorithm>
#include <functional>
#include <vector>

#include "record/Wire.h"
#include "script/RequestHeaders.h"
#include "script/Template.h"

namespace record {
namespace {

struct Swap {
    std::string from, to;
};

std::string ReplaceAll(const std::string& text, const std::vector<Swap>& swaps) {
    std::string out = text;
    for (const Swap& s : swaps) {
        if (s.from.empty()) continue;
        std::string next;
        size_t at = 0;
        for (size_t hit; (hit = out.find(s.from, at)) != std::string::npos; at = hit + s.from.size()) {
            next.append(out, at, hit - at);
            next += s.to;
        }
        next.append(out, at, std::string::npos);
        out.swap(next);
    }
    return out;
}

const std::pair<const char*, std::string Secrets::*> kPlaceholders[] = {
    {"$User", &Secrets::user},
    {"$Pass", &Secrets::password},
    {"$Number", &Secrets::number},
    {"$Message", &Secrets::message},
};

// A secret as it stands, and as a form or a JSON text holds it (JSON may
// escape a slash, as many servers do).
void AddForms(const std::string& value, const std::string& placeholder, std::vector<Swap>* swaps) {
    if (value.empty()) return;
    const std::string escaped = script::JsonEscape(value);
    std::string slashed;
    for (char c : escaped) slashed += c == '/' ? std::string("\\/") : std::string(1, c);
    for (const std::string& form : {value, script::UrlEncode(value), escaped, slashed}) {
        const bool known = std::any_of(swaps->begin(), swaps->end(),
                                       [&](const Swap& s) { return s.from == form && s.to == placeholder; });
        if (!known) swaps->push_back({form, placeholder});
    }
}

std::vector<Swap> Hiding(const Secrets& secrets) {
    std::vector<Swap> swaps;
    for (const auto& [placeholder, field] : kPlaceholders) AddForms(secrets.*field, placeholder, &swaps);
    for (const auto& [placeholder, value] : secrets.scraped) AddForms(value, placeholder, &swaps);
    std::stable_sort(swaps.begin(), swaps.end(),
                     [](const Swap& a, const Swap& b) { return a.from.size() > b.from.size(); });
    return swaps;
}

std::vector<Swap> Showing(const Secrets& secrets) {
    std::vector<Swap> swaps;
    for (const auto& [placeholder, field] : kPlaceholders) {
        if (!(secrets.*field).empty()) swaps.push_back({placeholder, secrets.*field});
    }
    for (const auto& [placeholder, value] : secrets.scraped) swaps.push_back({placeholder, value});
    // "$CustomVar12" before "$CustomVar1".
    std::stable_sort(swaps.begin(), swaps.end(),
                     [](const Swap& a, const Swap& b) { return a.from.size() > b.from.size(); });
    return swaps;
}

void Each(std::vector<har::NameValue>& pairs, const std::function<std::string(const std::string&)>& change) {
    for (har::NameValue& p : pairs) p.value = change(p.value);
}

void Apply(har::Response* r, const std::vector<Swap>& swaps) {
    auto change = [&](const std::string& s) { return ReplaceAll(s, swaps); };
    r->statusText = change(r->statusText);
    Each(r->headers, change);
    r->content.text = change(r->content.text);
    r->content.size = static_cast<int64_t>(r->content.text.size());
    r->redirectURL = change(r->redirectURL);
    r->cookies.clear();
    for (const har::NameValue& h : r->headers) {
        if (har::FindHeader({h}, "Set-Cookie")) r->cookies.push_back(CookieSet(h.value));
    }
}

}  // namespace

std::string Redact(const std::string& text, const Secrets& secrets) { return ReplaceAll(text, Hiding(secrets)); }

std::string Unredact(const std::string& text, const Secrets& secrets) { return ReplaceAll(text, Showing(secrets)); }

void Redact(har::Request* request, const Secrets& secrets) {
    const std::vector<Swap> swaps = Hiding(secrets);
    auto change = [&](const std::string& s) { return ReplaceAll(s, swaps); };
    request->url = change(request->url);
    Each(request->headers, change);
    // Basic credentials are Base64 of user and password: no swap finds them.
    for (har::NameValue& h : request->headers) h.value = script::ShownHeaderValue(h.name, h.value);
    if (request->postData) request->postData->text = change(request->postData->text);
    Derive(request);
}

void Redact(har::Response* response, const Secrets& secrets) { Apply(response, Hiding(secrets)); }

void Unredact(har::Response* response, const Secrets& secrets) { Apply(response, Showing(secrets)); }

}  // namespace record
