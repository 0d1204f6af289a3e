#include "Provider.h"

#include "ApiRoutes.h"
#include "FactsRoutes.h"

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace provider {

constexpr const char* kUser = "demo";
constexpr const char* kPassword = "secret";
constexpr size_t kMaxGenerated = 100u * 1024 * 1024;
// The demo account's credit: what it starts with, less the price of each message in the outbox.
// In cents, so that every figure is the nearest double to what it shows.
constexpr long kStartCents = 1250;
constexpr long kMessageCents = 10;

struct Session {
    std::string token;
    bool loggedIn = false;
};

struct Server {
    Options options;
    std::unique_ptr<httplib::Server> http;
    std::thread thread;
    int port = 0;
    std::mutex mutex;
    std::vector<Message> outbox;
    std::map<std::string, Session> sessions;
    std::map<size_t, int> statusAsked;  // by message id: how often its state was asked
    std::atomic<int> nextSession{1};
};

namespace {

long Number(const httplib::Request& req, const char* name, long fallback, long low, long high) {
    if (!req.has_param(name)) return fallback;
    std::string text = req.get_param_value(name);
    char* end = nullptr;
    long value = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str()) return fallback;
    return std::clamp(value, low, high);
}

std::string Param(const httplib::Request& req, const char* name) {
    return req.has_param(name) ? req.get_param_value(name) : std::string();
}

// The value of one cookie of the request's "Cookie" headers.
std::string CookieValue(const httplib::Request& req, const std::string& name) {
    size_t count = req.get_header_value_count("Cookie");
    for (size_t i = 0; i < count; ++i) {
        std::string header = req.get_header_value("Cookie", i);
        size_t at = 0;
        while (at < header.size()) {
            size_t end = header.find(';', at);
            if (end == std::string::npos) end = header.size();
            std::string pair = header.substr(at, end - at);
            size_t start = pair.find_first_not_of(' ');
            if (start != std::string::npos) pair.erase(0, start);
            size_t eq = pair.find('=');
            if (eq != std::string::npos && pair.compare(0, eq, name) == 0) return pair.substr(eq + 1);
            at = end + 1;
        }
    }
    return {};
}

char PatternByte(size_t at) { return static_cast<char>('a' + at % 26); }

void Accept(Server* s, const Message& message) {
    std::lock_guard<std::mutex> lock(s->mutex);
    s->outbox.push_back(message);
    if (!s->options.outboxFile.empty()) {
        std::ofstream out(s->options.outboxFile, std::ios::app | std::ios::binary);
        out << OutboxLine(message) << '\n';
    }
}

size_t OutboxCount(Server* s) {
    std::lock_guard<std::mutex> lock(s->mutex);
    return s->outbox.size();
}

// --- a plain GET send API ------------------------------------------------------

void ApiSend(Server* s, const httplib::Request& req, httplib::Response& res) {
    std::string to = Param(req, "to"), text = Param(req, "text");
    if (to.empty() || text.empty()) {
        res.status = 400;
        res.set_content("ERROR: to and text are required\n", "text/plain");
        return;
    }
    if (Param(req, "user") != kUser || Param(req, "pass") != kPassword) {
        res.set_content("ERROR: bad login\n", "text/plain");
        return;
    }
    Accept(s, Message{"api", Param(req, "user"), to, text, Param(req, "from"), ""});
    res.set_content("OK: message accepted, id=" + std::to_string(OutboxCount(s)) + "\n", "text/plain");
}

// --- what the provider knows: credit and delivery ------------------------------

double CreditLeft(Server* s) {
    const long left = kStartCents - kMessageCents * static_cast<long>(OutboxCount(s));
    return left > 0 ? static_cast<double>(left) / 100 : 0;
}

// A message's state: "pending" when first asked, then "failed" for a number
// the provider cannot reach, "delivered" for the others.
std::optional<std::string> DeliveryOf(Server* s, size_t id) {
    std::lock_guard<std::mutex> lock(s->mutex);
    if (id == 0 || id > s->outbox.size()) return std::nullopt;
    if (++s->statusAsked[id] == 1) return std::string("pending");
    const std::string& to = s->outbox[id - 1].to;
    const std::string suffix = kUndeliverableSuffix;
    const bool unreachable = to.size() >= suffix.size() && to.compare(to.size() - suffix.size(), suffix.size(), suffix) == 0;
    return std::string(unreachable ? "failed" : "delivered");
}

// --- a web site with a login form ----------------------------------------------

const char* kPageEnd = "</body></html>\n";
// Both forms load one stylesheet, which a browser then takes from its cache.
const char* kStyleLink = "<link rel=\"stylesheet\" href=\"style.css\">\n";

void WebStyle(httplib::Response& res) {
    res.set_header("Cache-Control", "max-age=3600");
    res.set_content("body { font-family: sans-serif; }\n", "text/css");
}

// The login form's hidden field, as the site was told to name it (none at all when empty).
std::string HiddenField(const Server* s, const std::string& token) {
    if (s->options.loginField.empty()) return "";
    return "<input type=\"hidden\" name=\"" + s->options.loginField + "\" value=\"" + token + "\">\n";
}

void WebIndex(Server* s, const httplib::Request&, httplib::Response& res) {
    std::string id = std::to_string(s->nextSession++) + "x" +
                     std::to_string(std::chrono::steady_clock::now().time_since_epoch().count() % 100000);
    Session session;
    session.token = "T" + id;
    {
        std::lock_guard<std::mutex> lock(s->mutex);
        s->sessions[id] = session;
    }
    res.set_header("Set-Cookie", "PSESSION=" + id + "; path=/");
    res.set_content("<html><body>\n<h1>Demo SMS login</h1>\n" + std::string(kStyleLink) +
                    "<form action=\"login\" method=\"post\">\n" +
                    HiddenField(s, session.token) +
                    "<select name=\"lang\"><option value=\"en\">English<option value=\"de\" selected>Deutsch</select>\n"
                    "<input type=\"text\" name=\"user\" value=\"\">\n"
                    "<input type=\"password\" name=\"pass\" value=\"\">\n"
                    "<button type=\"submit\">Log in</button>\n"
                    "</form>\n" + std::string(kPageEnd),
                    "text/html");
}

// The session of the request when it is logged in (or merely known).
bool FindSession(Server* s, const httplib::Request& req, bool needLogin, std::string* id, Session* session) {
    *id = CookieValue(req, "PSESSION");
    std::lock_guard<std::mutex> lock(s->mutex);
    auto it = s->sessions.find(*id);
    if (it == s->sessions.end()) return false;
    if (needLogin && (!it->second.loggedIn || CookieValue(req, "PAUTH") != "ok" + *id)) return false;
    *session = it->second;
    return true;
}

void WebLogin(Server* s, const httplib::Request& req, httplib::Response& res) {
    std::string id;
    Session session;
    const std::string& field = s->options.loginField;
    if (!FindSession(s, req, false, &id, &session) || (!field.empty() && Param(req, field.c_str()) != session.token) ||
        Param(req, "user") != kUser || Param(req, "pass") != kPassword) {
        res.set_content("<html><body><p>Login failed</p>" + std::string(kPageEnd), "text/html");
        return;
    }
    {
        std::lock_guard<std::mutex> lock(s->mutex);
        s->sessions[id].loggedIn = true;
    }
    res.status = 302;
    res.set_header("Location", "/web/compose");
    res.set_header("Set-Cookie", "PAUTH=ok" + id + "; path=/");
    res.set_content("<html><body>Moved</body></html>", "text/html");
}

void WebCompose(Server* s, const httplib::Request& req, httplib::Response& res) {
    std::string id;
    Session session;
    if (!FindSession(s, req, true, &id, &session)) {
        res.set_content("<html><body><p>Please log in first</p>" + std::string(kPageEnd), "text/html");
        return;
    }
    res.set_content("<html><body>\n" + std::string(kStyleLink) + "<p>Credit: <b class=\"credit\">" +
                        CreditFigure(CreditLeft(s)) + "</b> EUR</p>\n<form action=\"send\" method=\"post\">\n"
                    "<input type=\"hidden\" name=\"sid\" value=\"S" + id + "\">\n"
                    "<select name=\"net\">\n<option value=\"1\">A1\n<option value=\"2\" selected>T-Mobile\n</select>\n"
                    "<input type=\"text\" name=\"to\"><textarea name=\"text\"></textarea>\n"
                    "<button type=\"submit\">Send</button>\n"
                    "</form>\n" + std::string(kPageEnd),
                    "text/html");
}

void WebSend(Server* s, const httplib::Request& req, httplib::Response& res) {
    std::string id;
    Session session;
    std::string to = Param(req, "to"), text = Param(req, "text");
    if (!FindSession(s, req, true, &id, &session) || Param(req, "sid") != "S" + id || to.empty() || text.empty()) {
        res.set_content("<html><body><p>Sending failed</p>" + std::string(kPageEnd), "text/html");
        return;
    }
    Accept(s, Message{"web", kUser, to, text, Param(req, "from"), Param(req, "net")});
    res.status = 303;
    res.set_header("Location", "done?id=" + std::to_string(OutboxCount(s)));
    res.set_content("See other", "text/plain");
}

void WebDone(const httplib::Request& req, httplib::Response& res) {
    res.set_content("<html><body><p>Your message has been sent.</p><p>Id " + Param(req, "id") + "</p>" +
                        std::string(kPageEnd),
                    "text/html");
}

void WebStart(Server* s, const httplib::Request& req, httplib::Response& res) {
    std::string host = req.get_header_value("Host");
    if (host.empty()) host = "127.0.0.1:" + std::to_string(s->port);
    res.status = 301;
    res.set_header("Location", std::string(s->http->is_valid() && Secure(s) ? "https://" : "http://") + host + "/web/");
    res.set_content("Moved permanently", "text/plain");
}

// --- awkward providers -------------------------------------------------------------

void Echo(const httplib::Request& req, httplib::Response& res) {
    std::string text = req.method + " " + req.target + "\n";
    for (const auto& header : req.headers) text += header.first + ": " + header.second + "\n";
    text += "\n" + req.body;
    res.set_content(text, "text/plain");
}

// Chunked without a length. The chunks on the wire are `piece` bytes long,
// but many of them go out in one write, or a 1-byte piece would cost a
// system call per byte.
void Chunked(const httplib::Request& req, httplib::Response& res) {
    size_t total = static_cast<size_t>(Number(req, "bytes", 1000, 0, kMaxGenerated));
    size_t piece = static_cast<size_t>(Number(req, "piece", 1024, 1, 1 << 20));
    res.set_header("Transfer-Encoding", "chunked");
    res.set_header("Connection", "close");
    res.set_content_provider("text/plain", [total, piece](size_t, httplib::DataSink& sink) {
        std::string out;
        char size[32];
        for (size_t at = 0; at < total; at += piece) {
            size_t n = std::min(piece, total - at);
            std::snprintf(size, sizeof size, "%zx\r\n", n);
            out += size;
            for (size_t i = 0; i < n; ++i) out += PatternByte(at + i);
            out += "\r\n";
            if (out.size() >= 256 * 1024) {
                if (!sink.write(out.data(), out.size())) return false;
                out.clear();
            }
        }
        out += "0\r\n\r\n";
        if (!sink.write(out.data(), out.size())) return false;
        sink.done();
        return true;
    });
}

void Pieces(const httplib::Request& req, httplib::Response& res) {
    size_t total = static_cast<size_t>(Number(req, "bytes", 1000, 0, kMaxGenerated));
    size_t piece = static_cast<size_t>(Number(req, "piece", 1, 1, 1 << 20));
    long pauseMs = Number(req, "pause", 0, 0, 1000);
    // A page that begins and ends with texts of the test's choice, such as
    // the head of a "CustomVar" pattern whose tail the letters never hold.
    std::string head = Param(req, "head").substr(0, total);
    std::string tail = Param(req, "tail").substr(0, total - head.size());
    const size_t tailAt = total - tail.size();
    res.set_content_provider(total, "text/plain",
                             [piece, pauseMs, head, tail, tailAt](size_t offset, size_t length, httplib::DataSink& sink) {
                                 size_t n = std::min(piece, length);
                                 std::string buffer(n, ' ');
                                 for (size_t i = 0; i < n; ++i) {
                                     const size_t at = offset + i;
                                     buffer[i] = at < head.size() ? head[at]
                                                 : at >= tailAt   ? tail[at - tailAt]
                                                                  : PatternByte(at);
                                 }
                                 if (pauseMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
                                 return sink.write(buffer.data(), n);
                             });
}

void BigHeaders(const httplib::Request& req, httplib::Response& res) {
    size_t total = static_cast<size_t>(Number(req, "bytes", 10240, 0, 4 * 1024 * 1024));
    size_t sent = 0;
    for (int i = 1; sent < total; ++i) {
        std::string name = "X-Filler-" + std::to_string(i);
        std::string value(96, static_cast<char>('a' + i % 26));
        res.set_header(name.c_str(), value);
        sent += name.size() + value.size() + 4;
    }
    res.set_header("Set-Cookie", "last=yes; path=/");
    res.set_content("big headers", "text/plain");
}

void Cookies(const httplib::Request& req, httplib::Response& res) {
    long n = Number(req, "n", 25, 0, 1000);
    for (long i = 1; i <= n; ++i) {
        res.set_header("Set-Cookie", "c" + std::to_string(i) + "=v" + std::to_string(i) + "; path=/");
    }
    res.set_content(std::to_string(n) + " cookies", "text/plain");
}

void BogusLength(const httplib::Request& req, httplib::Response& res) {
    std::string announced = req.has_param("value") ? req.get_param_value("value") : "2000000000";
    size_t total = static_cast<size_t>(Number(req, "bytes", 5, 0, 1 << 20));
    // Written without a length of the server's own: the announced one is
    // whatever the test asked for, and the connection closes after the body.
    res.set_header("Content-Length", announced);
    res.set_header("Connection", "close");
    res.set_content_provider("text/plain", [total](size_t, httplib::DataSink& sink) {
        std::string body(total, ' ');
        for (size_t i = 0; i < total; ++i) body[i] = PatternByte(i);
        sink.write(body.data(), body.size());
        sink.done();
        return true;
    });
}

void AddRoutes(Server* s) {
    httplib::Server& h = *s->http;
    h.Get("/api/send", [s](const httplib::Request& req, httplib::Response& res) { ApiSend(s, req, res); });
    h.Get("/web/", [s](const httplib::Request& req, httplib::Response& res) { WebIndex(s, req, res); });
    h.Get("/web/start", [s](const httplib::Request& req, httplib::Response& res) { WebStart(s, req, res); });
    h.Post("/web/login", [s](const httplib::Request& req, httplib::Response& res) { WebLogin(s, req, res); });
    h.Get("/web/compose", [s](const httplib::Request& req, httplib::Response& res) { WebCompose(s, req, res); });
    h.Post("/web/send", [s](const httplib::Request& req, httplib::Response& res) { WebSend(s, req, res); });
    h.Get("/web/done", [](const httplib::Request& req, httplib::Response& res) { WebDone(req, res); });
    h.Get("/web/style.css", [](const httplib::Request&, httplib::Response& res) { WebStyle(res); });

    h.Get("/refuse", [](const httplib::Request&, httplib::Response& res) {
        res.status = 503;
        res.set_content("The service refuses messages\n", "text/plain");
    });
    h.Get("/slow", [](const httplib::Request& req, httplib::Response& res) {
        std::this_thread::sleep_for(std::chrono::milliseconds(Number(req, "ms", 2000, 0, 120000)));
        res.set_content("slow reply\n", "text/plain");
    });
    h.Get("/chunked", [](const httplib::Request& req, httplib::Response& res) { Chunked(req, res); });
    h.Get("/pieces", [](const httplib::Request& req, httplib::Response& res) { Pieces(req, res); });
    h.Get("/headers/big", [](const httplib::Request& req, httplib::Response& res) { BigHeaders(req, res); });
    h.Get("/cookies", [](const httplib::Request& req, httplib::Response& res) { Cookies(req, res); });
    h.Get("/bogus-length", [](const httplib::Request& req, httplib::Response& res) { BogusLength(req, res); });
    h.Get("/empty", [](const httplib::Request&, httplib::Response& res) { res.set_content("", "text/plain"); });
    h.Get("/loop", [](const httplib::Request&, httplib::Response& res) {
        res.status = 302;
        res.set_header("Location", "/loop");
    });
    h.Get("/blank-location", [](const httplib::Request&, httplib::Response& res) {
        res.status = 302;
        res.set_header("Location", "  /landing");
    });
    h.Get("/landing", [](const httplib::Request&, httplib::Response& res) { res.set_content("landed\n", "text/plain"); });
    h.Get("/redirect", [](const httplib::Request& req, httplib::Response& res) {
        res.status = static_cast<int>(Number(req, "code", 302, 300, 399));
        res.set_header("Location", Param(req, "to"));
    });
    h.Get("/status", [](const httplib::Request& req, httplib::Response& res) {
        res.status = static_cast<int>(Number(req, "code", 200, 100, 599));
        res.set_content("status " + std::to_string(res.status) + "\n", "text/plain");
    });
    AddFactsRoutes(h, Facts{[s] { return CreditLeft(s); }, [s](size_t id) { return DeliveryOf(s, id); },
                            [s](const httplib::Request& req) {
                                std::string id;
                                Session session;
                                return FindSession(s, req, true, &id, &session);
                            }});
    AddApiRoutes(h, [s](const Message& m) {
        Accept(s, m);
        return OutboxCount(s);
    });
    h.Get("/echo", [](const httplib::Request& req, httplib::Response& res) { Echo(req, res); });
    h.Post("/echo", [](const httplib::Request& req, httplib::Response& res) { Echo(req, res); });

    h.Get("/outbox", [s](const httplib::Request&, httplib::Response& res) {
        std::string lines;
        for (const Message& m : Outbox(s)) lines += OutboxLine(m) + "\n";
        res.set_content(lines, "application/x-ndjson");
    });
    auto clear = [s](const httplib::Request&, httplib::Response& res) {
        ClearOutbox(s);
        res.set_content("cleared\n", "text/plain");
    };
    h.Post("/outbox/clear", clear);
    h.Get("/outbox/clear", clear);

    h.set_error_handler([](const httplib::Request&, httplib::Response& res) {
        if (res.status == 404) res.set_content("Not here\n", "text/plain");
    });
    if (!s->options.quiet) {
        h.set_logger([](const httplib::Request& req, const httplib::Response& res) {
            std::fprintf(stderr, "%s %s %d\n", req.method.c_str(), req.target.c_str(), res.status);
        });
    }
}

}  // namespace

Server* Start(const Options& options, std::string* error) {
    auto s = std::make_unique<Server>();
    s->options = options;
    if (!options.tlsCert.empty() || !options.tlsKey.empty()) {
        s->http = std::make_unique<httplib::SSLServer>(options.tlsCert.c_str(), options.tlsKey.c_str());
    } else {
        s->http = std::make_unique<httplib::Server>();
    }
    if (!s->http->is_valid()) {
        if (error) *error = "cannot use the certificate or key";
        return nullptr;
    }
    AddRoutes(s.get());
    // One request per connection: a reply whose length is a lie must end
    // with the connection, not with a keep-alive wait.
    s->http->set_keep_alive_max_count(1);
    // The library's default shares the port (SO_REUSEPORT): a second server
    // would start without complaint and the kernel would split the
    // connections between the two. Only a closing socket's port is reused.
    s->http->set_socket_options([](socket_t sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<void*>(&yes), sizeof yes);
    });
    errno = 0;
    s->port = options.port == 0 ? s->http->bind_to_any_port(options.address.c_str())
                                : (s->http->bind_to_port(options.address.c_str(), options.port) ? options.port : -1);
    if (s->port <= 0) {
        if (error) {
            *error = "cannot listen on " + options.address;
            if (options.port != 0) *error += " port " + std::to_string(options.port);
            if (errno == EADDRINUSE) *error += ": the port is already in use";
        }
        return nullptr;
    }
    httplib::Server* http = s->http.get();
    s->thread = std::thread([http] { http->listen_after_bind(); });
    for (int i = 0; i < 500 && !http->is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return s.release();
}

int Port(const Server* server) { return server ? server->port : 0; }

bool Secure(const Server* server) { return server && (!server->options.tlsCert.empty()); }

std::vector<Message> Outbox(const Server* server) {
    auto* s = const_cast<Server*>(server);
    std::lock_guard<std::mutex> lock(s->mutex);
    return s->outbox;
}

void ClearOutbox(Server* server) {
    std::lock_guard<std::mutex> lock(server->mutex);
    server->outbox.clear();
    server->statusAsked.clear();
}

void Stop(Server* server) {
    if (!server) return;
    server->http->stop();
    if (server->thread.joinable()) server->thread.join();
    delete server;
}

}  // namespace provider
