#include "ApiRoutes.h"

#include <nlohmann/json.hpp>

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

}  // namespace

void AddApiRoutes(httplib::Server& h, AcceptMessage accept) {
    h.Post("/json/send", [accept](const httplib::Request& q, httplib::Response& r) { JsonSend(q, r, accept); });
    h.Get("/cgi-bin/sendsms", [accept](const httplib::Request& q, httplib::Response& r) { KannelSend(q, r, accept); });
}

}  // namespace provider
