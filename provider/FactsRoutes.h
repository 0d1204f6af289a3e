// Routes that answer what a provider knows beyond a send: the account's
// credit and a message's delivery state, for the plain GET API, the web
// site and the JSON API. A message to a number ending in
// kUndeliverableSuffix fails; every other one is delivered, after one
// "pending" answer.
#pragma once

#include <functional>
#include <httplib.h>
#include <optional>
#include <string>

namespace provider {

constexpr const char* kUndeliverableSuffix = "999";

// What the routes need of the server: the credit left, the delivery state
// of message `id` ("pending", "delivered", "failed"; none for no such
// message), and whether a web request comes from a logged-in session.
struct Facts {
    std::function<double()> credit;
    std::function<std::optional<std::string>(size_t id)> delivery;
    std::function<bool(const httplib::Request&)> loggedIn;
};
void AddFactsRoutes(httplib::Server& http, Facts facts);

// The credit as the routes print it: "12.40".
std::string CreditFigure(double credit);

}  // namespace provider
