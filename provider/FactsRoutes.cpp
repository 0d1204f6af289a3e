#include "FactsRoutes.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>

namespace provider {
namespace {

using nlohmann::json;

std::string QueryParam(const httplib::Request& req, const char* name) {
    return req.has_param(name) ? req.get_param_value(name) : std::string();
}

bool DemoLogin(const httplib::Request& req) {
    return QueryParam(req, "user") == "demo" && QueryParam(req, "pass") == "secret";
}

// A message id as the routes hand them out: 1, 2, ...; 0 for anything else.
size_t IdOf(const std::string& text) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) return 0;
    return static_cast<size_t>(std::strtoul(text.c_str(), nullptr, 10));
}

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return text;
}

const char* kBasicDemo = "Basic ZGVtbzpzZWNyZXQ=";

void JsonReply(httplib::Response& res, int status, const json& body) {
    res.status = status;
    res.set_content(body.dump(2), "application/json");
}

}  // namespace

std::string CreditFigure(double credit) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", credit);
    return text;
}

void AddFactsRoutes(httplib::Server& h, Facts facts) {
    // The plain API: "OK: credit 12.40 EUR", "OK: status DELIVERED".
    h.Get("/api/balance", [facts](const httplib::Request& req, httplib::Response& res) {
        if (!DemoLogin(req)) return res.set_content("ERROR: bad login\n", "text/plain");
        res.set_content("OK: credit " + CreditFigure(facts.credit()) + " EUR\n", "text/plain");
    });
    h.Get("/api/status", [facts](const httplib::Request& req, httplib::Response& res) {
        if (!DemoLogin(req)) return res.set_content("ERROR: bad login\n", "text/plain");
        const std::optional<std::string> state = facts.delivery(IdOf(QueryParam(req, "id")));
        if (!state) {
            res.status = 404;
            return res.set_content("ERROR: no such message\n", "text/plain");
        }
        res.set_content("OK: status " + Upper(*state) + "\n", "text/plain");
    });
    // The web site: a page of the logged-in session.
    h.Get("/web/status", [facts](const httplib::Request& req, httplib::Response& res) {
        if (!facts.loggedIn(req)) {
            return res.set_content("<html><body><p>Please log in first</p></body></html>\n", "text/html");
        }
        const std::optional<std::string> state = facts.delivery(IdOf(QueryParam(req, "id")));
        res.set_content("<html><body><h1>Message " + QueryParam(req, "id") + "</h1>\n<p class=\"state\">" +
                            (state ? *state : std::string("no such message")) + "</p>\n</body></html>\n",
                        "text/html");
    });
    // The JSON API, with the Basic authorization of /json/send.
    h.Get("/json/balance", [facts](const httplib::Request& req, httplib::Response& res) {
        if (req.get_header_value("Authorization") != kBasicDemo) return JsonReply(res, 401, {{"error", "bad credentials"}});
        JsonReply(res, 200, {{"balance", facts.credit()}, {"currency", "EUR"}});
    });
    h.Get(R"(/json/messages/([^/]+))", [facts](const httplib::Request& req, httplib::Response& res) {
        if (req.get_header_value("Authorization") != kBasicDemo) return JsonReply(res, 401, {{"error", "bad credentials"}});
        const std::optional<std::string> state = facts.delivery(IdOf(req.matches[1].str()));
        if (!state) return JsonReply(res, 404, {{"error", "no such message"}});
        JsonReply(res, 200, {{"id", IdOf(req.matches[1].str())}, {"status", *state}});
    });
}

}  // namespace provider
