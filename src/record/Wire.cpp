#include "record/Wire.h"

#include "record/Text.h"
#include "transport/Reply.h"
#include "transport/RequestPlan.h"
#include "transport/Url.h"

namespace record {
namespace {

std::string Trim(const std::string& s) {
    const size_t first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// The Host header the libraries make of the URL: the port only when it is
// not the scheme's own.
std::string HostHeader(const std::string& url) {
    const transport::UrlParts parts = transport::SplitUrl(url.c_str());
    const int standard = parts.secure ? transport::kHttpsPort : transport::kHttpPort;
    return parts.port == standard ? parts.host : parts.host + ":" + std::to_string(parts.port);
}

const char* MethodName(int requestType) {
    switch (requestType) {
    case host::kHttpGet: return "GET";
    case host::kHttpPost: return "POST";
    case host::kHttpConnect: return "CONNECT";
    default: return "GET";  // the library's default
    }
}

bool IsForm(const std::string& mimeType) { return mimeType.rfind("application/x-www-form-urlencoded", 0) == 0; }

}  // namespace

std::vector<har::NameValue> CookiesSent(const std::string& header) {
    std::vector<har::NameValue> cookies;
    size_t start = 0;
    while (start < header.size()) {
        size_t end = header.find(';', start);
        if (end == std::string::npos) end = header.size();
        const std::string piece = Trim(header.substr(start, end - start));
        if (!piece.empty()) {
            const size_t eq = piece.find('=');
            cookies.push_back(eq == std::string::npos ? har::NameValue{piece, ""}
                                                      : har::NameValue{piece.substr(0, eq), piece.substr(eq + 1)});
        }
        start = end + 1;
    }
    return cookies;
}

har::NameValue CookieSet(const std::string& header) {
    const std::string text = header.substr(0, header.find(';'));
    const size_t eq = text.find('=');
    if (eq == std::string::npos) return {Trim(text), ""};
    return {Trim(text.substr(0, eq)), text.substr(eq + 1)};
}

har::Request WireRequest(const host::HttpRequest& request, int ownHeaders) {
    har::Request r;
    r.method = MethodName(request.requestType);
    r.url = request.url ? request.url : "";
    const transport::RequestPlan plan = transport::PlanRequest(request, ownHeaders);
    r.headers.push_back({"Host", HostHeader(r.url)});
    r.headers.push_back({"User-Agent", plan.agent});
    if (plan.referrer) r.headers.push_back({"Referer", *plan.referrer});
    size_t start = 0;
    while (start < plan.extraHeaders.size()) {
        size_t end = plan.extraHeaders.find('\n', start);
        if (end == std::string::npos) end = plan.extraHeaders.size();
        const std::string line = plan.extraHeaders.substr(start, end - start);
        const size_t colon = line.find(':');
        if (colon != std::string::npos) r.headers.push_back({line.substr(0, colon), Trim(line.substr(colon + 1))});
        start = end + 1;
    }
    if (request.requestType == host::kHttpPost) {
        har::PostData post;
        const har::NameValue* type = har::FindHeader(r.headers, "Content-Type");
        post.mimeType = type ? type->value : "";
        if (request.body && request.bodyLength > 0)
            post.text.assign(request.body, static_cast<size_t>(request.bodyLength));
        r.postData = std::move(post);
    }
    Derive(&r);
    return r;
}

void Derive(har::Request* r) {
    r->cookies.clear();
    for (const har::NameValue& h : r->headers) {
        if (har::FindHeader({h}, "Cookie")) {
            for (har::NameValue& c : CookiesSent(h.value)) r->cookies.push_back(std::move(c));
        }
    }
    r->queryString = har::QueryFields(r->url);
    if (r->postData)
        r->postData->params =
            IsForm(r->postData->mimeType) ? har::DecodeForm(r->postData->text) : std::vector<har::NameValue>{};
}

har::Response RecordedResponse(const host::HttpReply* reply) {
    har::Response r;
    if (!reply) return r;
    r.status = reply->status;
    r.statusText = reply->statusText ? reply->statusText : "";
    for (int i = 0; reply->headers && i < reply->headerCount; ++i) {
        const host::HttpHeader& h = reply->headers[i];
        r.headers.push_back({h.name ? h.name : "", h.value ? h.value : ""});
    }
    for (const har::NameValue& h : r.headers) {
        if (har::FindHeader({h}, "Set-Cookie")) r.cookies.push_back(CookieSet(h.value));
    }
    if (const har::NameValue* type = har::FindHeader(r.headers, "Content-Type")) r.content.mimeType = type->value;
    if (const har::NameValue* location = har::FindHeader(r.headers, "Location")) r.redirectURL = location->value;
    if (reply->body && reply->bodyLength > 0)
        r.content.text.assign(reply->body, static_cast<size_t>(reply->bodyLength));
    r.content.size = static_cast<int64_t>(r.content.text.size());
    return r;
}

host::HttpReply* ReplayedReply(const har::Response& response) {
    if (response.status == 0) return nullptr;
    transport::HeaderList headers;
    for (const har::NameValue& h : response.headers) headers.items.push_back({h.name, h.value});
    return transport::MakeReply(response.status, response.statusText.c_str(), response.content.text, headers);
}

}  // namespace record
