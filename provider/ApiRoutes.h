// Routes that play today's SMS APIs, as their providers publish them: a
// JSON API with Basic authorization, and the request and reply examples of
// three providers' references (a form POST with Basic authorization, a JSON
// POST with a bearer token, a GET with the key in the query). Every accepted
// message goes to the outbox.
#pragma once

#include <functional>
#include <httplib.h>

#include "Provider.h"

namespace provider {

// What the routes need of the server: a message into the outbox, its
// number there afterwards.
using AcceptMessage = std::function<size_t(const Message& message)>;
void AddApiRoutes(httplib::Server& http, AcceptMessage accept);

}  // namespace provider
