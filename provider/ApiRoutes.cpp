#include "ApiRoutes.h"

#include <nlohmann/json.hpp>

#include <string>

namespace provider {
namespace {

using nlohmann::json;

constexpr const char* kUser = "demo";
constexpr const char* kPassword = "secret";
constexpr const char* kBasic = "Basic ZGVtbzpzZWNyZXQ=";  // demo:secret

std::string Param(const httplib::Request& req, const char* name) {
    return req.has_param(name) ? req.get_param_value(name) : std::string();
}

void Reply(httplib::Response& res, int status, const json& body) {
    res.status = status;
    res.set_content(body.dump(2), "application/json");
}

// The body as JSON, or a 400 reply and none.
bool ParseBody(const httplib::Request& req, httplib::Response& res, json* body) {
    *body = json::parse(req.body, nullptr, false);
    if (!body->is_discarded() && body->is_object()) return true;
    Reply(res, 400, {{"error", "the body is not a JSON object"}});
    return false;
}

std::string Text(const json& body, const char* name) {
    auto it = body.find(name);
    return it != body.end() && it->is_string() ? it->get<std::string>() : std::string();
}

// POST /json/send: Basic authorization, "Accept: application/json" and a
// JSON object {"to", "text", "from"}; the text goes to the outbox whole.
void JsonSend(const httplib::Request& req, httplib::Response& res, const AcceptMessage& accept) {
    if (req.get_header_value("Authorization") != kBasic) return Reply(res, 401, {{"error", "bad credentials"}});
    if (req.get_header_value("Content-Type").rfind("application/json", 0) != 0 ||
        req.get_header_value("Accept") != "application/json") {
        return Reply(res, 415, {{"error", "JSON in, JSON out"}});
    }
    json body;
    if (!ParseBody(req, res, &body)) return;
    if (Text(body, "to").empty() || Text(body, "text").empty()) return Reply(res, 400, {{"error", "to and text"}});
    const size_t id = accept(Message{"json", kUser, Text(body, "to"), Text(body, "text"), Text(body, "from"),
                                     req.get_header_value("X-Client")});
    Reply(res, 200, {{"status", "accepted"}, {"id", id}});
}

// Twilio's Messages resource: POST .../Accounts/{AccountSid}/Messages.json,
// Basic authorization with the account SID and auth token, form fields To,
// From and Body; 201 with the message resource, 401 with error 20003.
void TwilioSend(const httplib::Request& req, httplib::Response& res, const AcceptMessage& accept) {
    if (req.matches[1].str() != kUser || req.get_header_value("Authorization") != kBasic) {
        return Reply(res, 401,
                     {{"code", 20003},
                      {"message", "Authenticate"},
                      {"more_info", "https://www.twilio.com/docs/errors/20003"},
                      {"status", 401}});
    }
    const std::string to = Param(req, "To"), from = Param(req, "From"), text = Param(req, "Body");
    if (to.empty() || text.empty()) {
        return Reply(res, 400, {{"code", 21604}, {"message", "A 'To' phone number is required."}, {"status", 400}});
    }
    const size_t id = accept(Message{"twilio", kUser, to, text, from, ""});
    const std::string sid = "SM" + std::string(31, '0') + std::to_string(id % 10);
    Reply(res, 201,
          {{"account_sid", kUser},
           {"api_version", "2010-04-01"},
           {"body", text},
           {"direction", "outbound-api"},
           {"error_code", nullptr},
           {"from", from},
           {"num_segments", "1"},
           {"sid", sid},
           {"status", "queued"},
           {"to", to},
           {"uri", "/2010-04-01/Accounts/demo/Messages/" + sid + ".json"}});
}

// Sinch's batches: POST /xms/v1/{service_plan_id}/batches, a bearer API
// token, JSON {"from", "to": [...], "body"}; 201 with the batch.
void SinchSend(const httplib::Request& req, httplib::Response& res, const AcceptMessage& accept) {
    if (req.get_header_value("Authorization") != std::string("Bearer ") + kPassword) {
        return Reply(res, 401, {{"code", "unauthorized"}, {"text", "Unauthorized"}});
    }
    json body;
    if (!ParseBody(req, res, &body)) return;
    const json to = body.value("to", json::array());
    if (!to.is_array() || to.size() != 1 || !to[0].is_string() || Text(body, "body").empty()) {
        return Reply(res, 400, {{"code", "syntax_invalid_json"}, {"text", "to and body are required"}});
    }
    const size_t id = accept(
        Message{"sinch", req.matches[1].str(), to[0].get<std::string>(), Text(body, "body"), Text(body, "from"), ""});
    Reply(res, 201,
          {{"id", "01FC66621XXXXX119Z8PMV1Q" + std::to_string(id)},
           {"to", to},
           {"from", Text(body, "from")},
           {"canceled", false},
           {"body", Text(body, "body")},
           {"type", "mt_text"},
           {"delivery_report", "none"},
           {"flash_message", false}});
}

// Clickatell's HTTP API: GET /messages/http/send?apiKey=&to=&content=;
// 202 with one message and its apiMessageId.
void ClickatellSend(const httplib::Request& req, httplib::Response& res, const AcceptMessage& accept) {
    if (Param(req, "apiKey") != kPassword) {
        return Reply(res, 401,
                     {{"messages", json::array()},
                      {"errorCode", 1},
                      {"error", "Invalid or missing Integration API Key"},
                      {"errorDescription", "Invalid or missing Integration API Key"}});
    }
    const std::string to = Param(req, "to"), text = Param(req, "content");
    if (to.empty() || text.empty()) return Reply(res, 400, {{"messages", json::array()}, {"error", "to, content"}});
    const size_t id = accept(Message{"clickatell", kUser, to, text, Param(req, "from"), ""});
    Reply(res, 202,
          {{"messages",
            {{{"apiMessageId", "77fb29998253415fa5d66971d519d3" + std::to_string(id % 100)},
              {"accepted", true},
              {"to", to},
              {"errorCode", nullptr},
              {"error", nullptr},
              {"errorDescription", nullptr}}}},
           {"errorCode", nullptr},
           {"error", nullptr},
           {"errorDescription", nullptr}});
}

}  // namespace

void AddApiRoutes(httplib::Server& h, AcceptMessage accept) {
    h.Post("/json/send", [accept](const httplib::Request& q, httplib::Response& r) { JsonSend(q, r, accept); });
    h.Post(R"(/2010-04-01/Accounts/([^/]+)/Messages\.json)",
           [accept](const httplib::Request& q, httplib::Response& r) { TwilioSend(q, r, accept); });
    h.Post(R"(/xms/v1/([^/]+)/batches)",
           [accept](const httplib::Request& q, httplib::Response& r) { SinchSend(q, r, accept); });
    h.Get("/messages/http/send",
          [accept](const httplib::Request& q, httplib::Response& r) { ClickatellSend(q, r, accept); });
}

}  // namespace provider
