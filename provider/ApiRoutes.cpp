#include "ApiRoutes.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <string>

namespace provider {
namespace {

using nlohmann::json;

void Reply(httplib::Response& res, int status, const json& body) {
    res.status = status;
    res.set_content(body.dump(2), "application/json");
}

std::string Text(const json& body, const char* name) {
    auto it = body.find(name);
    return it != body.end() && it->is_string() ? it->get<std::string>() : std::string();
}

// POST /json/send: Basic authorization of demo:secret, "Accept:
// application/json" and a JSON object {"to", "text", "from"}; the text goes
// to the outbox whole, the "X-Client" header as its network.
void JsonSend(const httplib::Request& req, httplib::Response& res, const AcceptMessage& accept) {
    if (req.get_header_value("Authorization") != "Basic ZGVtbzpzZWNyZXQ=") {
        return Reply(res, 401, {{"error", "bad credentials"}});
    }
    if (req.get_header_value("Content-Type").rfind("application/json", 0) != 0 ||
        req.get_header_value("Accept") != "application/json") {
        return Reply(res, 415, {{"error", "JSON in, JSON out"}});
    }
    const json body = json::parse(req.body, nullptr, false);
    if (body.is_discarded() || !body.is_object() || Text(body, "to").empty() || Text(body, "text").empty()) {
        return Reply(res, 400, {{"error", "a JSON object with to and text"}});
    }
    const size_t id = accept(Message{"json", "demo", Text(body, "to"), Text(body, "text"), Text(body, "from"),
                                     req.get_header_value("X-Client")});
    Reply(res, 200, {{"status", "accepted"}, {"id", id}});
}

// GET /cgi-bin/sendsms as a Kannel smsbox answers it: the user demo:secret
// (the package's kannel.ini as a user fills it in), "to" and "text".
void KannelSend(const httplib::Request& req, httplib::Response& res, const AcceptMessage& accept) {
    auto param = [&](const char* name) { return req.has_param(name) ? req.get_param_value(name) : std::string(); };
    if (param("username") != "demo" || param("password") != "secret") {
        res.status = 403;
        return res.set_content("Authorization failed for sendsms", "text/plain");
    }
    if (param("to").empty() || param("text").empty()) {
        res.status = 400;
        return res.set_content("Missing receiver number or text", "text/plain");
    }
    accept(Message{"kannel", "demo", param("to"), param("text"), param("from"), ""});
    res.status = 202;
    res.set_content("0: Accepted for delivery", "text/plain");
}

// A token API: POST /oauth/token takes Basic authorization of client:s3cret
// and grant_type=client_credentials and gives a bearer token in JSON; POST
// /v1/outbound/SENDER/requests (SENDER URL-encoded) takes the token, "Accept:
// application/json" and {"to", "text"}, at most 160 characters of text.
// Errors are JSON, as such APIs give them.
constexpr const char* kToken = "tk.Zm9vYmFy-4711_q";

void TokenGrant(const httplib::Request& req, httplib::Response& res) {
    if (req.get_header_value("Authorization") != "Basic Y2xpZW50OnMzY3JldA==") {
        return Reply(res, 401, {{"error", "invalid_client"}, {"error_description", "Client authentication failed"}});
    }
    if (req.body.find("grant_type=client_credentials") == std::string::npos) {
        return Reply(res, 400, {{"error", "unsupported_grant_type"}});
    }
    Reply(res, 200, {{"access_token", kToken}, {"token_type", "Bearer"}, {"expires_in", 3600}});
}

json ServiceError(const char* id, const char* text) {
    return {{"requestError", {{"serviceException", {{"messageId", id}, {"text", text}}}}}};
}

size_t Utf8Characters(const std::string& text) {
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

void TokenSend(const httplib::Request& req, httplib::Response& res, const AcceptMessage& accept) {
    if (req.get_header_value("Authorization") != std::string("Bearer ") + kToken) {
        return Reply(res, 401, ServiceError("POL0001", "Invalid access token"));
    }
    if (req.get_header_value("Accept") != "application/json") {
        return Reply(res, 406, ServiceError("SVC0006", "Only application/json is served"));
    }
    const json body = json::parse(req.body, nullptr, false);
    if (body.is_discarded() || !body.is_object() || Text(body, "to").empty() || Text(body, "text").empty()) {
        return Reply(res, 400, ServiceError("SVC0002", "A JSON object with to and text"));
    }
    if (Utf8Characters(Text(body, "text")) > 160) return Reply(res, 400, ServiceError("SVC0280", "Message too long"));
    const size_t id = accept(Message{"token", "client", Text(body, "to"), Text(body, "text"),
                                     httplib::detail::decode_url(req.matches[1].str(), false), ""});
    Reply(res, 201, {{"status", "accepted"}, {"id", id}});
}

}  // namespace

void AddApiRoutes(httplib::Server& h, AcceptMessage accept) {
    h.Post("/json/send", [accept](const httplib::Request& q, httplib::Response& r) { JsonSend(q, r, accept); });
    h.Get("/cgi-bin/sendsms", [accept](const httplib::Request& q, httplib::Response& r) { KannelSend(q, r, accept); });
    h.Post("/oauth/token", [](const httplib::Request& q, httplib::Response& r) { TokenGrant(q, r); });
    h.Post(R"(/v1/outbound/([^/]+)/requests)",
           [accept](const httplib::Request& q, httplib::Response& r) { TokenSend(q, r, accept); });
}

}  // namespace provider
