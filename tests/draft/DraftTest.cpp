#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "draft/Draft.h"
#include "script/Template.h"

namespace {

std::string HostOf(const std::string& url) {
    const size_t scheme = url.find("://");
    if (scheme == std::string::npos) return "";
    return url.substr(scheme + 3, url.find('/', scheme + 3) - scheme - 3);
}

// One recorded exchange as a browser exports it.
struct Exchange {
    har::Entry entry;
    Exchange(const std::string& method, const std::string& url, int status, const std::string& page,
             const char* mime = "text/html") {
        entry.request.method = method;
        entry.request.url = url;
        entry.request.headers = {{"Host", HostOf(url)}, {"User-Agent", "Browser/1.0"}};
        entry.response.status = status;
        entry.response.content.mimeType = mime;
        entry.response.content.text = page;
    }
    Exchange& Body(const std::string& form) {
        entry.request.postData = har::PostData{"application/x-www-form-urlencoded", form, {}};
        return *this;
    }
    Exchange& Location(const std::string& to) {
        entry.response.headers.push_back({"Location", to});
        return *this;
    }
    Exchange& SetsCookie(const std::string& name, const std::string& value) {
        entry.response.headers.push_back({"Set-Cookie", name + "=" + value + "; path=/"});
        entry.response.cookies.push_back({name, value});
        return *this;
    }
    Exchange& SendsCookie(const std::string& text) {
        entry.request.headers.push_back({"Cookie", text});
        return *this;
    }
    Exchange& FromCache() {
        entry.request.headers.erase(entry.request.headers.begin());  // no Host: it never reached the server
        return *this;
    }
};

struct Case {
    const char* name;
    std::vector<Exchange> exchanges;
    std::vector<std::string> lines;   // each a line of the draft; "!" first: a line that must not be there
    std::vector<std::string> checks;  // each part of a "; check:" note; "!" first: a note that must not be there
};

const char* kForm = "<form><input type=\"hidden\" name=\"tok\" value=\"abc123\"><input name=\"u\"></form>";

std::vector<Case> Cases() {
    return {
        {"prefix apart, an encoded password, a hidden input, a cookie, a success text without digits",
         {Exchange("GET", "http://sms.example/", 200, kForm).SetsCookie("SID", "s3ss10n"),
          Exchange("POST", "http://sms.example/send", 200, "<p>Sent! Ref 4711</p><p>Thank you</p>")
              .Body("cc=%2B43&nr=6641234567&msg=Hi+%26+bye&u=me&p=p%26ss+w%25rd&tok=abc123&sid=s3ss10n")},
         {"PostString=cc=%2B$Prefix&nr=$Number&msg=$Message&u=$User&p=$EncPass&sid=$Cookie[SID]", "Key1=tok",
          "Success=Thank you", "Username=me", "Password=p&ss w%rd", "UserAgent=Browser/1.0"},
         {"MaxChars"}},
        {"static, cached and other sites' exchanges left out, unless they set a cookie the site needs",
         {Exchange("GET", "http://www.example.com/start", 302, "").Location("//www.example.com/login"),
          Exchange("GET", "http://www.example.com/login", 200, "<input name=\"csrf\" value=\"zz9\">"),
          Exchange("GET", "https://cdn.other.net/app.js", 200, "var a;", "application/javascript"),
          Exchange("GET", "http://www.example.com/logo.png", 200, "PNG", "image/png"),
          Exchange("GET", "http://tracker.other.net/consent", 200, "ok").SetsCookie("consent", "yes"),
          Exchange("GET", "http://www.example.com/style.css", 200, "p{}", "text/css").FromCache(),
          Exchange("GET", "http://www.example.com/login", 200, "<p>again</p>").FromCache(),
          Exchange("POST", "http://sms.example.com/go", 200, "<b>Message queued</b>")
              .Body("to=436641234567&text=Hi+%26+bye&csrf=zz9")
              .SendsCookie("consent=yes")},
         {"URL=http://www.example.com/start", "Key1=csrf", "URL=http://tracker.other.net/consent",
          "[Request3]", "URL=http://sms.example.com/go", "PostString=to=$Prefix$Number&text=$Message",
          "Success=Message queued", "!URL=https://cdn.other.net/app.js", "!URL=http://www.example.com/logo.png",
          "![Request4]"},
         {"the runner reads its Location \"//www.example.com/login\" as http://www.example.com//www.example.com/login"}},
        {"a value cut out of a script, a GET send, a JSON answer",
         {Exchange("GET", "http://api.example.org/form", 200, "<script>var key = 'K7fz2Qp9';</script>"),
          Exchange("GET", "http://api.example.org/send?key=K7fz2Qp9&to=00436641234567&msg=Hi+%26+bye", 200,
                   "{\"status\":\"queued\",\"id\":17}", "application/json")},
         {"CustomVar1=r key = '(*)'", "URL=http://api.example.org/send?key=$CustomVar1&to=00$Prefix$Number&msg=$Message",
          "Success={\"status\":\"queued\",\"id\":", "![Request3]"},
         {}},
        {"a redirect the runner does not follow, no page to tell success by",
         {Exchange("GET", "http://x.example/a", 200, "<p>Form</p>"),
          Exchange("POST", "http://x.example/b", 307, "").Body("m=Hi+%26+bye").Location("/c"),
          Exchange("POST", "http://x.example/c", 200, "<p>Done</p>").Body("m=Hi+%26+bye")},
         {";Success=", "![Request3]"},
         {"entry 2 answered 307, a redirect the runner does not follow", "shows no text to tell a sent message by"}},
        {"a login on the bare domain, a secret input of any name, a send redirected to its page",
         {Exchange("GET", "http://example.com/login", 200,
                   "<form><input name=\"user\"><input type=\"password\" name=\"geheim\"></form>"),
          Exchange("POST", "http://example.com/login", 302, "").Body("user=me&geheim=hunter2")
              .Location("http://sms.example.com/form"),
          Exchange("GET", "http://sms.example.com/form", 200, "<p>Write your message</p>"),
          Exchange("POST", "http://sms.example.com/send", 303, "").Body("nr=436641234567&msg=Hi+%26+bye")
              .Location("/done"),
          Exchange("GET", "http://sms.example.com/done", 200, "<p>Delivery queued</p>")},
         {"URL=http://example.com/login", "PostString=user=$User&geheim=$Pass", "Password=hunter2",
          "URL=http://sms.example.com/send", "Success=Delivery queued", "Name=sms.example.com",
          "!PostString=user=$User&geheim=hunter2", "![Request4]"},
         {"!Success"}},
    };
}

draft::Given Sent() {
    draft::Given given;
    given.prefix = "43";
    given.number = "6641234567";
    given.message = "Hi & bye";
    given.user = "me";
    return given;
}

TEST(Draft, GatewayFilesFromRecordedSessions) {
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        har::Document recording;
        for (const Exchange& x : c.exchanges) recording.entries.push_back(x.entry);
        draft::Given given = Sent();
        if (std::string(c.name).find("password") != std::string::npos) given.password = "p&ss w%rd";
        draft::Draft out;
        std::string error;
        ASSERT_TRUE(draft::DraftGateway(recording, given, &out, &error)) << error;
        const std::string text = "\r\n" + out.text;
        for (const std::string& line : c.lines) {
            const bool absent = line[0] == '!';
            const std::string wanted = "\r\n" + line.substr(absent ? 1 : 0) + "\r\n";
            EXPECT_EQ(text.find(wanted) == std::string::npos, absent) << line << "\n" << out.text;
        }
        std::string checks;
        for (const std::string& check : out.checks) checks += check + "\n";
        for (const std::string& check : c.checks) {
            const bool absent = check[0] == '!';
            EXPECT_EQ(checks.find(check.substr(absent ? 1 : 0)) == std::string::npos, absent) << check << "\n" << checks;
        }
    }
}

// A form that carried a message beyond ASCII as UTF-8 gets Charset=UTF-8;
// an ASCII message says nothing of the form's charset.
TEST(Draft, AFormThatSentUtf8GetsItsCharset) {
    for (const std::string& message : {std::string("Gr\xC3\xBC\xC3\x9F" "e"), std::string("Hi & bye")}) {
        SCOPED_TRACE(message);
        har::Document recording;
        recording.entries.push_back(Exchange("POST", "http://sms.example.com/send", 200, "<p>Sent</p>")
                                        .Body("nr=436641234567&msg=" + script::UrlEncode(message))
                                        .entry);
        draft::Given given = Sent();
        given.message = message;
        draft::Draft out;
        std::string error;
        ASSERT_TRUE(draft::DraftGateway(recording, given, &out, &error)) << error;
        const bool utf8 = message[0] == 'G';
        EXPECT_EQ(out.text.find("\r\nCharset=UTF-8\r\n") != std::string::npos, utf8) << out.text;
        if (utf8) {
            EXPECT_NE(out.text.find("; the message went to the site as UTF-8 in entry 1"), std::string::npos);
        }
    }
}

TEST(Draft, RecordingsNoFileCanComeFromNameTheirFault) {
    har::Document recording;
    draft::Draft out;
    std::string error;
    EXPECT_FALSE(draft::DraftGateway(recording, Sent(), &out, &error));
    EXPECT_EQ(error, "the recording holds no exchanges (log.entries is empty)");
    recording.entries.push_back(Exchange("GET", "http://other.example/", 200, "hello").entry);
    EXPECT_FALSE(draft::DraftGateway(recording, Sent(), &out, &error));
    EXPECT_NE(error.find("no entry carries the message \"Hi & bye\": none of the 1 entries"), std::string::npos);
    recording.entries.push_back(
        Exchange("POST", "http://other.example/up", 200, "ok").Body("m=Hi+%26+bye&x=\x01\x02").entry);
    EXPECT_FALSE(draft::DraftGateway(recording, Sent(), &out, &error));
    EXPECT_EQ(error, "entry 2: request.postData.text is binary: a gateway file's PostString cannot carry it");
}

// Addresses the recording may hold that no request can go to: the one that
// carries the message is named, the others are left out, none throws.
TEST(Draft, AddressesNoRequestCanGoTo) {
    const char* const bad[] = {"http:a//?/x", "http:/a?m=Hello", "//sms.example/x", "sms.example/x",
                               "http://", "http://[::1/x", "http://h:8o/x", "", "?x"};
    for (const char* url : bad) {
        SCOPED_TRACE(url);
        har::Document recording;
        recording.entries.push_back(Exchange("GET", "http://sms.example/", 200, "<p>Form</p>").entry);
        recording.entries.push_back(Exchange("GET", "http://sms.example/", 302, "").Location(url).entry);
        recording.entries.push_back(Exchange("GET", url, 200, "<p>Odd</p>").SetsCookie("c", "1").entry);
        recording.entries.push_back(Exchange("GET", url, 200, "<p>Sent</p>").Body("m=Hi+%26+bye").entry);
        draft::Draft out;
        std::string error;
        EXPECT_FALSE(draft::DraftGateway(recording, Sent(), &out, &error));
        EXPECT_EQ(error, "entry 4: request.url is no address a request can go to (scheme://host/path): \"" +
                             std::string(url) + "\"");
        recording.entries.back().request.url = "http://sms.example/send";
        recording.entries.back().request.headers.push_back({"Cookie", "c=1"});
        ASSERT_TRUE(draft::DraftGateway(recording, Sent(), &out, &error)) << error;
        EXPECT_NE(out.text.find("\r\nURL=http://sms.example/send\r\n"), std::string::npos) << out.text;
        EXPECT_EQ(out.text.find("[Request4]"), std::string::npos) << out.text;
        EXPECT_NE(out.text.find("\r\nName=sms.example\r\n"), std::string::npos) << out.text;
    }
}

}  // namespace
