// Routes that play today's SMS APIs: a JSON API with Basic authorization,
// and a Kannel smsbox's "sendsms", and a token API (a client-credentials
// grant, then a bearer token).
// Every accepted message goes to the outbox.
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
