// A whole gateway run against the test provider's login-form site, through
// both carriers: the host's network library first, then the system's
// Internet library (WinInet under Wine, libcurl natively).
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "LogCapture.h"
#include "StandIn.h"
#include "TempDir.h"
#include "script/Runner.h"
#include "shell/HostLink.h"
#include "transport/Http.h"

#ifndef _WIN32
#include "Provider.h"
#endif

namespace {

// "http://127.0.0.1:PORT" of a running provider, or "" (the reason in why).
std::string ProviderBase(std::string* why) {
#ifdef _WIN32
    // Under Wine the ctest fixture started the native provider.
    const char* dir = std::getenv("PARLET_SCRIPT_PROVIDER");
    if (!dir || !*dir) {
        *why = "PARLET_SCRIPT_PROVIDER is not set (the ctest fixture sets it)";
        return "";
    }
    std::ifstream in(std::string("Z:") + dir + "/port");
    int port = 0;
    in >> port;
    if (port <= 0) {
        *why = "no provider port";
        return "";
    }
    return "http://127.0.0.1:" + std::to_string(port);
#else
    static provider::Server* server = nullptr;
    if (!server) {
        provider::Options options;
        server = provider::Start(options, why);
        if (!server) return "";
    }
    return "http://127.0.0.1:" + std::to_string(provider::Port(server));
#endif
}

std::string Gateway(const std::string& base) {
    return "[Gateway]\n"
           "Name=Demo login provider\n"
           "Prefix1=49;Germany\n"
           "MaxChars=160\n"
           "Username=demo\n"
           "Success=Your message has been sent.\n"
           "[Request1]\n"
           "URL=" + base + "/web/start\n"          // 301, absolute; the session cookie comes with the landing page
           "Type=GET\n"
           "CustomVar1=name=\"token\" value=\"(*)\"\n"
           "Key1=token\n"
           "UseSelectData=1\n"
           "[Request2]\n"
           "URL=$LRurllogin\n"                      // the login form's action, beside the redirect target
           "Referer=$LRurl\n"
           "Type=POST\n"
           "PostString=user=$User&pass=$Pass&token=$CustomVar1\n"
           "Key3=sid\n"                             // two pairs so far: this section's keys start at 3
           "UseSelectData=1\n"
           "[Request3]\n"
           "URL=" + base + "/web/send\n"            // 303 to a relative "done?id=N"
           "Type=POST\n"
           "PostString=to=$Prefix$Number&text=$Message&from=$Sender\n";
}

// The provider's outbox, read through the transport.
std::string Outbox(const std::string& base) {
    std::string url = base + "/outbox";
    host::HttpRequest request{};
    request.size = host::kHttpRecordSize;
    request.requestType = host::kHttpGet;
    request.url = &url[0];
    host::HttpReply* reply = transport::HttpTransaction(&request);
    if (!reply) return "<no reply>";
    std::string body = reply->body ? std::string(reply->body, static_cast<size_t>(reply->bodyLength)) : "";
    transport::FreeHttpReply(reply);
    return body;
}

host::Handle RegisterNetlibUser() {
    host::NetlibUser user{};
    user.cbSize = static_cast<int>(sizeof user);
    user.settingsModule = "ZUVE_ROV";
    user.descriptiveName = "Parlet";
    return reinterpret_cast<host::Handle>(host::CallService("Netlib/RegisterUser", 0, reinterpret_cast<host::Word>(&user)));
}

TEST(EndToEnd, LoginFormSiteThroughBothCarriers) {
    standin::Reset();
    std::string why;
    const std::string base = ProviderBase(&why);
    ASSERT_FALSE(base.empty()) << why;
    testutil::TempDir dir;
    const std::string path = dir.file("demo.ini");
    testutil::WriteFile(path, Gateway(base));

    for (const char* carrier : {"netlib", "system"}) {
        if (std::string(carrier) == "netlib") {
            ASSERT_FALSE(transport::UsingWinInet());
            host::Handle user = RegisterNetlibUser();
            ASSERT_NE(user, nullptr);
            transport::SetNetlibUser(user);
        } else {
            ASSERT_EQ(transport::LoadWinInet(), 0);
            ASSERT_TRUE(transport::UsingWinInet());
        }
        testutil::LogCapture log;
        const std::string text = std::string("Hello via ") + carrier + "!";
        script::SmsMessage message{"49", "1701234567", text.c_str(), "me"};
        ASSERT_EQ(script::RunGateway(path.c_str(), "demo", "secret", &message, nullptr, nullptr), 0)
            << carrier << "\n" << log.Text();

        const std::string trace = log.Text();
        EXPECT_NE(trace.find(" - 302- Redirecting to: " + base + "/web/\n"), std::string::npos) << carrier;  // absolute
        EXPECT_NE(trace.find(" - 302- Redirecting to: " + base + "/web/compose\n"), std::string::npos) << carrier;
        EXPECT_NE(trace.find(" - 302- Redirecting to: " + base + "/web/done?id="), std::string::npos) << carrier;
        EXPECT_NE(trace.find(" - Found <select> net=2\n"), std::string::npos) << carrier;
        EXPECT_NE(trace.find(" - Found key sid=S"), std::string::npos) << carrier;
        EXPECT_NE(trace.find("&lang=de&sid=S"), std::string::npos) << carrier;   // the KeyList, token not twice

        const std::string outbox = Outbox(base);
        EXPECT_NE(outbox.find("491701234567"), std::string::npos) << outbox;
        EXPECT_NE(outbox.find(text), std::string::npos) << carrier << ": " << outbox;
    }
}

// The same site refuses a run whose password is wrong: the last page lacks
// the success text.
TEST(EndToEnd, WrongPasswordIsNoSuccess) {
    std::string why;
    const std::string base = ProviderBase(&why);
    ASSERT_FALSE(base.empty()) << why;
    testutil::TempDir dir;
    const std::string path = dir.file("demo.ini");
    testutil::WriteFile(path, Gateway(base));
    script::SmsMessage message{"49", "1701234567", "x", nullptr};
    EXPECT_EQ(script::RunGateway(path.c_str(), "demo", "wrong", &message, nullptr, nullptr),
              script::result::kNoSuccessText);
}

// A JSON API with Basic authorization and two headers of the file's own:
// the message with a quote, a backslash, a line break and "ü" arrives
// whole, in the JSON the provider parses.
TEST(EndToEnd, JsonApiWithBasicAuthorization) {
    standin::Reset();
    std::string why;
    const std::string base = ProviderBase(&why);
    ASSERT_FALSE(base.empty()) << why;
    ASSERT_EQ(transport::LoadWinInet(), 0);
    testutil::TempDir dir;
    const std::string path = dir.file("json.ini");
    testutil::WriteFile(path, "[Gateway]\nName=JSON\nPrefix1=49;Germany\nSuccess=accepted\n[Request1]\nURL=" + base +
                                  "/json/send\nType=POST\nAuth=basic\nContentType=application/json\n"
                                  "Header1=Accept: application/json\nHeader2=X-Client: parlet $Number\n"
                                  "PostString={\"to\": \"$Prefix$Number\", \"text\": \"$Message\", \"from\": \"$Sender\"}\n");
    const std::string text = "He said \"hi\" \\o/\r\nGr\xC3\xBC\xC3\x9F" "e";
    script::SmsMessage message{"49", "1701234567", text.c_str(), "me", "UTF-8"};
    testutil::LogCapture log;
    ASSERT_EQ(script::RunGateway(path.c_str(), "demo", "secret", &message, nullptr, nullptr), 0) << log.Text();
    const std::string outbox = Outbox(base);
    const nlohmann::json line = nlohmann::json::parse(outbox.substr(outbox.rfind('\n', outbox.size() - 2) + 1));
    EXPECT_EQ(line["route"], "json");
    EXPECT_EQ(line["text"], text);
    EXPECT_EQ(line["from"], "me");
    EXPECT_EQ(line["network"], "parlet 1701234567");  // the X-Client header
}

}  // namespace
